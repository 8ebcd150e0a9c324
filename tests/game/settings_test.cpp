// The money and settings stored between runs, including stored values out of range.
#include <limits>
#include <optional>

#include "settings/registry_settings.h"
#include "table_fixture.h"

namespace gametest {
namespace {

constexpr std::int32_t Max = std::numeric_limits<std::int32_t>::max();
constexpr std::int32_t Min = std::numeric_limits<std::int32_t>::min();

class Settings : public ::testing::Test {
protected:
  void Store(LPCWSTR name, DWORD value) {
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, SettingsKey, 0, nullptr, 0, KEY_WRITE, nullptr,
                              &key, nullptr),
              ERROR_SUCCESS);
    ASSERT_EQ(RegSetValueExW(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE *>(&value),
                             sizeof(value)),
              ERROR_SUCCESS);
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

TEST_F(Settings, AFirstRunStartsWithTheDefaultsAndStoresAllFiveValues) {
  auto table = Open();
  EXPECT_EQ(table->bank, 1000);
  EXPECT_EQ(table->bet, 0);
  EXPECT_EQ(table->deckCount, 2);
  EXPECT_TRUE(table->playSounds);
  EXPECT_FALSE(table->hitAfterDouble);
  EXPECT_FALSE(table->useClearType);
  EXPECT_EQ(PhaseOf(*table), Phase::Betting);
  std::int32_t cards = 0;
  for (std::int32_t copies : table->shoe) {
    cards += copies;
  }
  EXPECT_EQ(cards, 104);
  table.reset();
  EXPECT_EQ(Stored(u"TotalAmount"), 1000u);
  EXPECT_EQ(Stored(u"PlaySounds"), 1u);
  EXPECT_EQ(Stored(u"NumberOfDecks"), 2u);
  EXPECT_EQ(Stored(u"HitAfterDouble"), 0u);
  EXPECT_EQ(Stored(u"ClearType"), 0u);
}

TEST_F(Settings, TheBetOnTheTableIsStoredAsMoney) {
  auto table = Open();
  table->bank = 975;
  table->bet = 25;
  table.reset();
  EXPECT_EQ(Stored(u"TotalAmount"), 1000u);

  // Closing in the middle of a doubled hand counts the doubled stake back.
  table = Open();
  table->bank = 800;
  table->bet = 200;
  table->doubled = true;
  table->bettingOpen = false;
  table->playerTurn = true;
  table.reset();
  EXPECT_EQ(Stored(u"TotalAmount"), 1000u);
}

TEST_F(Settings, StoredSettingsSurviveUnchanged) {
  Store(u"HitAfterDouble", 1);
  Store(u"PlaySounds", 0);
  Store(u"ClearType", 1);
  Store(u"TotalAmount", 0);
  auto table = Open();
  EXPECT_TRUE(table->hitAfterDouble);
  EXPECT_FALSE(table->playSounds);
  EXPECT_TRUE(table->useClearType);
  EXPECT_EQ(table->bank, 0);
  table.reset();
  EXPECT_EQ(Stored(u"HitAfterDouble"), 1u);
  EXPECT_EQ(Stored(u"PlaySounds"), 0u);
  EXPECT_EQ(Stored(u"ClearType"), 1u);
  EXPECT_EQ(Stored(u"TotalAmount"), 0u);
}

TEST_F(Settings, AFlagTakesTheLowByteOfItsValue) {
  struct Case {
    DWORD stored;
    bool flag;
  };
  for (const Case &c :
       {Case{0, false}, Case{1, true}, Case{2, true}, Case{0x100, false}, Case{0xFFFFFFFF, true}}) {
    Store(u"PlaySounds", c.stored);
    auto table = Open();
    EXPECT_EQ(table->playSounds, c.flag) << c.stored;
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
  Store(u"TotalAmount", static_cast<DWORD>(Max));
  {
    auto table = Open();
    table->AddChip(100);
    ASSERT_EQ(table->bet, 100);
    // A natural pays 2 to 1: the bank would pass the limit.
    std::fill(std::begin(table->shoe), std::end(table->shoe), 0);
    table->shoe[0] = 1;  // ace of clubs
    table->shoe[12] = 1; // king of clubs
    table->shoe[20] = 2; // eight of diamonds
    for (unsigned seed = 1;; ++seed) {
      std::srand(seed);
      std::int32_t probe[CardKinds];
      std::copy(std::begin(table->shoe), std::end(table->shoe), probe);
      table->DrawCard();
      const bool aceFirst = table->drawnCard.rank == 1;
      table->DrawCard();
      const bool kingSecond = table->drawnCard.rank == 13;
      std::copy(std::begin(probe), std::end(probe), std::begin(table->shoe));
      table->cardsDrawn = 0;
      if (aceFirst && kingSecond) {
        std::srand(seed);
        break;
      }
    }
    table->Deal();
    EXPECT_TRUE(table->playerBlackjack);
    EXPECT_EQ(table->bank, Max);
  }
  EXPECT_EQ(Stored(u"TotalAmount"), static_cast<DWORD>(Max));

  Store(u"TotalAmount", static_cast<DWORD>(Min));
  {
    auto table = Open();
    EXPECT_EQ(table->bank, Min);
    table->AddChip(5); // a bank in debt refuses chips silently
    EXPECT_EQ(table->bet, 0);
    // A loss with the bank at the lower limit stays at the limit.
    table->bet = 100;
    table->bettingOpen = false;
    table->dealerTurn = true;
    table->playerCards[0] = C(10);
    table->playerCards[1] = C(7);
    table->dealerCards[0] = C(10, 1);
    table->dealerCards[1] = C(9);
    table->playerCardCount = table->dealerCardCount = 2;
    table->UpdateTotals();
    table->SettleHand();
    EXPECT_EQ(table->bank, Min);
    table->bank = Max;
    table->bet = Max;
  }
  EXPECT_EQ(Stored(u"TotalAmount"), static_cast<DWORD>(Max));
}

} // namespace
} // namespace gametest
