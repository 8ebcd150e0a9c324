// The single-instance service's messages: a small versioned binary format with
// strict length checks, one request and one reply per connection.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace platform::instance {

// Every message starts with a 12-byte header, all numbers little-endian:
//   magic[4] ("BJIQ" for a request, "BJIR" for a reply), version u8 (1),
//   code u8 (the operation, or the reply's status), reserved u16 (0),
//   payload length u32 (at most MaxPayload)
// then the payload.
//
// FindWindow request payload: presence u8 (bit 0: class given, bit 1: title
// given, other bits 0), class length u16, title length u16 (UTF-16 units, at
// most MaxNameUnits, 0 when absent), then the class and the title in UTF-16LE.
// BringToFront request payload: the window u64, exactly.
// Reply payload: the window u64 for a found window; nothing otherwise.
inline constexpr std::size_t HeaderBytes = 12;
inline constexpr std::size_t MaxNameUnits = 256;
inline constexpr std::size_t MaxPayload = 5 + 4 * MaxNameUnits;
inline constexpr std::uint8_t ProtocolVersion = 1;

enum class Op : std::uint8_t { FindWindow = 1, BringToFront = 2 };
enum class Status : std::uint8_t { Ok = 0, NotFound = 1, BadRequest = 2 };

struct Request {
  Op op = Op::FindWindow;
  std::optional<std::u16string> className; // FindWindow: absent matches any
  std::optional<std::u16string> title;
  std::uint64_t window = 0; // BringToFront

  bool operator==(const Request &) const = default;
};

struct Reply {
  Status status = Status::Ok;
  std::optional<std::uint64_t> window; // a found window

  bool operator==(const Reply &) const = default;
};

enum class Decoded { Complete, NeedMore, Bad };

// Encoding fails (returns empty) only for a name longer than MaxNameUnits.
std::vector<std::byte> EncodeRequest(const Request &request);
std::vector<std::byte> EncodeReply(const Reply &reply);

// Decodes a message from the bytes received so far: NeedMore until the header
// and the payload it announces are all there; Bad (with a one-line reason) as
// soon as anything is wrong, including bytes beyond the one message.
Decoded DecodeRequest(std::span<const std::byte> bytes, Request *request, std::string *error);
Decoded DecodeReply(std::span<const std::byte> bytes, Reply *reply, std::string *error);

} // namespace platform::instance
