// The single-instance messages: what encodes and decodes back, and every
// malformed or oversized message refused as soon as it shows.
#include <gtest/gtest.h>

#include "instance/protocol.h"
#include "tests/resources/res_builder.h"

namespace {

using namespace platform::instance;
using restest::Bytes;
using restest::Set;

TEST(InstanceProtocol, MessagesDecodeToWhatWasEncoded) {
  const Request requests[] = {
      {Op::FindWindow, u"BLACKJACK", u"BlackJack", 0},
      {Op::FindWindow, std::nullopt, u"BlackJack", 0},
      {Op::FindWindow, u"", u"\u00e9\U0001F0A1", 0},
      {Op::FindWindow, std::u16string(MaxNameUnits, u'x'), std::u16string(MaxNameUnits, u'y'), 0},
      {Op::BringToFront, std::nullopt, std::nullopt, 0x1231},
      {Op::BringToFront, std::nullopt, std::nullopt, 0xFFFFFFFFFFFFFFFFull},
  };
  for (const Request &r : requests) {
    const Bytes bytes = EncodeRequest(r);
    ASSERT_FALSE(bytes.empty());
    Request back;
    std::string error;
    ASSERT_EQ(DecodeRequest(bytes, &back, &error), Decoded::Complete) << error;
    EXPECT_TRUE(back == r);
    // Every strict prefix is an incomplete message, never a wrong one.
    for (std::size_t n = 0; n < bytes.size(); ++n) {
      ASSERT_EQ(DecodeRequest(std::span(bytes).first(n), &back, &error), Decoded::NeedMore) << n;
    }
  }
  for (const Reply &r : {Reply{Status::Ok, 0x1230}, Reply{Status::NotFound, std::nullopt}}) {
    Reply back;
    std::string error;
    ASSERT_EQ(DecodeReply(EncodeReply(r), &back, &error), Decoded::Complete) << error;
    EXPECT_TRUE(back == r);
  }
  EXPECT_TRUE(
      EncodeRequest({Op::FindWindow, std::u16string(MaxNameUnits + 1, u'x'), {}, 0}).empty());
}

TEST(InstanceProtocol, MalformedRequestsAreRefused) {
  const Bytes find = EncodeRequest({Op::FindWindow, u"AB", u"C", 0});
  struct Case {
    const char *what;
    Bytes bytes;
    const char *why;
  };
  std::vector<Case> cases;
  const auto edit = [&](const char *what, const char *why, auto change) {
    Bytes b = find;
    change(b);
    cases.push_back({what, b, why});
  };
  edit("wrong magic", "magic", [](Bytes &b) { b[0] = std::byte{'X'}; });
  edit("version 2", "version", [](Bytes &b) { b[4] = std::byte{2}; });
  edit("unknown operation", "operation", [](Bytes &b) { b[5] = std::byte{9}; });
  edit("reserved bits", "reserved", [](Bytes &b) { b[7] = std::byte{1}; });
  edit("length one past the limit", "limit",
       [](Bytes &b) { Set(b, 8, static_cast<std::uint32_t>(MaxPayload + 1)); });
  edit("a byte more", "after the message", [](Bytes &b) { b.push_back(std::byte{0}); });
  edit("absent class with a length", "absent", [](Bytes &b) { b[12] = std::byte{2}; });
  edit("class longer than the limit", "limit", [](Bytes &b) {
    b[13] = std::byte{0x01};
    b[14] = std::byte{0x01};
  });
  edit("names longer than the payload", "exactly", [](Bytes &b) { b[13] = std::byte{3}; });
  edit("a NUL in a name", "NUL", [](Bytes &b) {
    b[17] = std::byte{0};
    b[18] = std::byte{0};
  });
  edit("find cut short", "cut short", [](Bytes &b) {
    b.resize(HeaderBytes + 4);
    Set<std::uint32_t>(b, 8, 4);
  });
  Bytes front = EncodeRequest({Op::BringToFront, {}, {}, 5});
  front.push_back(std::byte{0});
  Set<std::uint32_t>(front, 8, 9);
  cases.push_back({"bring-to-front with 9 bytes", front, "exactly one window"});
  cases.push_back({"a wrong first byte, before any length", Bytes{std::byte{'G'}}, "magic"});
  for (const Case &c : cases) {
    SCOPED_TRACE(c.what);
    Request r;
    std::string error;
    EXPECT_EQ(DecodeRequest(c.bytes, &r, &error), Decoded::Bad);
    EXPECT_NE(error.find(c.why), std::string::npos) << error;
  }
}

TEST(InstanceProtocol, MalformedRepliesAreRefused) {
  Bytes bad = EncodeReply({Status::NotFound, std::nullopt});
  bad[5] = std::byte{7};
  Bytes windowOnFailure = EncodeReply({Status::Ok, 5});
  windowOnFailure[5] = std::byte{1};
  Bytes shortWindow = EncodeReply({Status::Ok, 5});
  shortWindow.pop_back();
  Set<std::uint32_t>(shortWindow, 8, 7);
  for (const Bytes &b : {bad, windowOnFailure, shortWindow}) {
    Reply r;
    std::string error;
    EXPECT_EQ(DecodeReply(b, &r, &error), Decoded::Bad);
  }
}

} // namespace
