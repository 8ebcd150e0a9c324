// The money and settings stored between runs, including stored values out of range.
#include <limits>
#include <optional>

#include "settings/registry_settings.h"
#include "table_fixture.h"
#include "tests/registry/reg_helpers.h"

namespace gametest {
namespace {

constexpr std::int32_t Max = std::numeric_limits<std::int32_t>::max();
constexpr std::int32_t Min = std::numeric_limits<std::int32_t>::min();

class Settings : public ::testing::Test {
protected:
  void Store(LPCWSTR name, DWORD value) {
    HKEY key = regtest::Create(SettingsKey, KEY_WRITE);
    ASSERT_EQ(regtest::SetDword(key, name, value), ERROR_SUCCESS);
    RegCloseKey(key);
  }

  std::optional<DWORD> Stored(LPCWSTR name) {
    DWORD value = 0;
    if (!RegistrySettings().ReadDword(SettingsKey, name, &value)) {
      return std::nullopt;
    }
    return value;
  }

  std::unique_ptr<GameTable> Open() { return std::make_unique<GameTable>(nullptr, window_); }

  platform::test::HeadlessDevice device_;
  HWND window_ = platform::test::CreatePlainWindow();
};

// Nothing stored gives the defaults; what is stored is used and written back unchanged.
TEST_F(Settings, StoredValuesAreUsedAndWrittenBackWithTheDefaultsForTheRest) {
  for (const bool stored : {false, true}) {
    SCOPED_TRACE(stored ? "stored" : "first run");
    if (stored) {
      for (const auto &[name, value] : {std::pair{u"HitAfterDouble", 1u},
                                        {u"PlaySounds", 0u},
                                        {u"ClearType", 1u},
                                        {u"TotalAmount", 0u}}) {
        Store(name, value);
      }
    }
    auto table = Open();
    EXPECT_EQ(std::tuple(table->bank, table->bet, table->deckCount, table->playSounds,
                         table->hitAfterDouble, table->useClearType, PhaseOf(*table)),
              std::tuple(stored ? 0 : 1000, 0, 2, !stored, stored, stored, Phase::Betting));
    table.reset();
    const DWORD one = stored ? 1u : 0u;
    EXPECT_EQ(std::tuple(Stored(u"TotalAmount"), Stored(u"PlaySounds"), Stored(u"NumberOfDecks"),
                         Stored(u"HitAfterDouble"), Stored(u"ClearType")),
              std::tuple(stored ? 0u : 1000u, 1u - one, 2u, one, one));
  }
}

TEST_F(Settings, AFlagTakesTheLowByteOfItsValue) {
  for (const auto &[stored, flag] :
       {std::pair{0u, false}, {1u, true}, {2u, true}, {0x100u, false}, {0xFFFFFFFFu, true}}) {
    Store(u"PlaySounds", stored);
    EXPECT_EQ(Open()->playSounds, flag) << stored;
  }
}

// A deck count that would leave the shoe empty, or overflow its size, is replaced
// by the default and the default is what is stored again.
TEST_F(Settings, AStoredDeckCountOutsideOneToEightFallsBackToTwo) {
  struct Case {
    DWORD stored;
    std::int32_t used;
  };
  const Case cases[] = {{1, 1},          {2, 2},         {3, 3}, {4, 4},
                        {8, 8},          {0, 2},         {9, 2}, {static_cast<DWORD>(-1), 2},
                        {0x7FFFFFFF, 2}, {0x80000000, 2}};
  for (const Case &c : cases) {
    SCOPED_TRACE(c.stored);
    Store(u"NumberOfDecks", c.stored);
    auto table = Open();
    EXPECT_EQ(table->deckCount, c.used);
    for (std::int32_t copies : table->shoe) {
      ASSERT_EQ(copies, c.used);
    }
    table.reset();
    EXPECT_EQ(Stored(u"NumberOfDecks"), static_cast<DWORD>(c.used));
  }
}

TEST_F(Settings, MoneyNearTheLimitsSaturatesInsteadOfWrapping) {
  struct Case {
    const char *name;
    std::int32_t stored;
    bool blackjack;
    Card player2;
  };
  // A natural pays 2 to 1 past the upper limit; a loss takes the lower limit further down.
  const Case cases[] = {{"natural at the top", Max, true, C(13)},
                        {"loss at the bottom", Min, false, C(7)}};
  for (const Case &c : cases) {
    SCOPED_TRACE(c.name);
    Store(u"TotalAmount", static_cast<DWORD>(c.stored));
    auto table = Open();
    EXPECT_EQ(table->bank, c.stored);
    table->AddChip(100); // a bank in debt refuses chips silently
    ASSERT_EQ(table->bet, c.blackjack ? 100 : 0);
    table->bet = 100;
    table->playerBlackjack = c.blackjack;
    table->bettingOpen = false;
    table->dealerTurn = true;
    table->playerCards[0] = C(c.blackjack ? 1 : 10);
    table->playerCards[1] = c.player2;
    table->dealerCards[0] = C(10, 1);
    table->dealerCards[1] = C(9);
    table->playerCardCount = table->dealerCardCount = 2;
    table->UpdateTotals();
    table->SettleHand();
    EXPECT_EQ(table->bank, c.stored);
    table->bank = table->bet = Max;
    table.reset();
    EXPECT_EQ(Stored(u"TotalAmount"), static_cast<DWORD>(Max)) << "bank and bet together";
  }
}

} // namespace
} // namespace gametest
