// Encoding and strict decoding of the single-instance service's messages.
#include "instance/protocol.h"

#include <cstring>
#include <string_view>

namespace platform::instance {
namespace {

constexpr std::string_view RequestMagic = "BJIQ";
constexpr std::string_view ReplyMagic = "BJIR";
constexpr std::uint8_t HasClass = 1;
constexpr std::uint8_t HasTitle = 2;

void Put8(std::vector<std::byte> &b, unsigned v) { b.push_back(static_cast<std::byte>(v & 0xFF)); }
void Put16(std::vector<std::byte> &b, unsigned v) {
  Put8(b, v);
  Put8(b, v >> 8);
}
void Put32(std::vector<std::byte> &b, std::uint32_t v) {
  Put16(b, v & 0xFFFF);
  Put16(b, v >> 16);
}
void Put64(std::vector<std::byte> &b, std::uint64_t v) {
  Put32(b, static_cast<std::uint32_t>(v));
  Put32(b, static_cast<std::uint32_t>(v >> 32));
}

unsigned Get8(std::span<const std::byte> b, std::size_t at) {
  return std::to_integer<unsigned>(b[at]);
}
unsigned Get16(std::span<const std::byte> b, std::size_t at) {
  return Get8(b, at) | (Get8(b, at + 1) << 8);
}
std::uint32_t Get32(std::span<const std::byte> b, std::size_t at) {
  return Get16(b, at) | (static_cast<std::uint32_t>(Get16(b, at + 2)) << 16);
}
std::uint64_t Get64(std::span<const std::byte> b, std::size_t at) {
  return Get32(b, at) | (static_cast<std::uint64_t>(Get32(b, at + 4)) << 32);
}

std::vector<std::byte> Message(std::string_view magic, unsigned code,
                               const std::vector<std::byte> &payload) {
  std::vector<std::byte> out;
  out.reserve(HeaderBytes + payload.size());
  for (char c : magic) {
    Put8(out, static_cast<unsigned char>(c));
  }
  Put8(out, ProtocolVersion);
  Put8(out, code);
  Put16(out, 0);
  Put32(out, static_cast<std::uint32_t>(payload.size()));
  out.insert(out.end(), payload.begin(), payload.end());
  return out;
}

Decoded Bad(std::string *error, const char *why) {
  if (error != nullptr) {
    *error = why;
  }
  return Decoded::Bad;
}

// Checks the header as far as it has arrived and finds the payload.
Decoded Frame(std::span<const std::byte> bytes, std::string_view magic, unsigned *code,
              std::span<const std::byte> *payload, std::string *error) {
  const std::size_t magicSeen = std::min(bytes.size(), magic.size());
  if (std::memcmp(bytes.data(), magic.data(), magicSeen) != 0) {
    return Bad(error, "wrong magic");
  }
  if (bytes.size() < HeaderBytes) {
    return Decoded::NeedMore;
  }
  if (Get8(bytes, 4) != ProtocolVersion) {
    return Bad(error, "unknown protocol version");
  }
  if (Get16(bytes, 6) != 0) {
    return Bad(error, "reserved bits set");
  }
  const std::uint32_t length = Get32(bytes, 8);
  if (length > MaxPayload) {
    return Bad(error, "payload longer than the limit");
  }
  if (bytes.size() < HeaderBytes + length) {
    return Decoded::NeedMore;
  }
  if (bytes.size() > HeaderBytes + length) {
    return Bad(error, "bytes after the message");
  }
  *code = Get8(bytes, 5);
  *payload = bytes.subspan(HeaderBytes, length);
  return Decoded::Complete;
}

std::u16string Units(std::span<const std::byte> b, std::size_t at, std::size_t count) {
  std::u16string s;
  s.reserve(count);
  for (std::size_t i = 0; i < count; ++i) {
    s.push_back(static_cast<char16_t>(Get16(b, at + 2 * i)));
  }
  return s;
}

} // namespace

std::vector<std::byte> EncodeRequest(const Request &request) {
  std::vector<std::byte> payload;
  if (request.op == Op::BringToFront) {
    Put64(payload, request.window);
  } else {
    const std::u16string none;
    const std::u16string &cls = request.className ? *request.className : none;
    const std::u16string &title = request.title ? *request.title : none;
    if (cls.size() > MaxNameUnits || title.size() > MaxNameUnits) {
      return {};
    }
    Put8(payload, (request.className ? HasClass : 0u) | (request.title ? HasTitle : 0u));
    Put16(payload, static_cast<unsigned>(cls.size()));
    Put16(payload, static_cast<unsigned>(title.size()));
    for (char16_t c : cls) {
      Put16(payload, c);
    }
    for (char16_t c : title) {
      Put16(payload, c);
    }
  }
  return Message(RequestMagic, static_cast<unsigned>(request.op), payload);
}

std::vector<std::byte> EncodeReply(const Reply &reply) {
  std::vector<std::byte> payload;
  if (reply.window) {
    Put64(payload, *reply.window);
  }
  return Message(ReplyMagic, static_cast<unsigned>(reply.status), payload);
}

Decoded DecodeRequest(std::span<const std::byte> bytes, Request *request, std::string *error) {
  unsigned code = 0;
  std::span<const std::byte> p;
  const Decoded framed = Frame(bytes, RequestMagic, &code, &p, error);
  if (framed != Decoded::Complete) {
    return framed;
  }
  Request r;
  if (code == static_cast<unsigned>(Op::BringToFront)) {
    if (p.size() != 8) {
      return Bad(error, "a bring-to-front request carries exactly one window");
    }
    r.op = Op::BringToFront;
    r.window = Get64(p, 0);
  } else if (code == static_cast<unsigned>(Op::FindWindow)) {
    if (p.size() < 5) {
      return Bad(error, "a find-window request is cut short");
    }
    const unsigned presence = Get8(p, 0);
    const std::size_t clsUnits = Get16(p, 1);
    const std::size_t titleUnits = Get16(p, 3);
    if ((presence & ~unsigned{HasClass | HasTitle}) != 0) {
      return Bad(error, "unknown presence bits");
    }
    if (clsUnits > MaxNameUnits || titleUnits > MaxNameUnits) {
      return Bad(error, "a name longer than the limit");
    }
    if (((presence & HasClass) == 0 && clsUnits != 0) ||
        ((presence & HasTitle) == 0 && titleUnits != 0)) {
      return Bad(error, "an absent name with a length");
    }
    if (p.size() != 5 + 2 * (clsUnits + titleUnits)) {
      return Bad(error, "the names do not fill the payload exactly");
    }
    for (std::size_t i = 0; i < clsUnits + titleUnits; ++i) {
      if (Get16(p, 5 + 2 * i) == 0) {
        return Bad(error, "a name holds a NUL");
      }
    }
    r.op = Op::FindWindow;
    if ((presence & HasClass) != 0) {
      r.className = Units(p, 5, clsUnits);
    }
    if ((presence & HasTitle) != 0) {
      r.title = Units(p, 5 + 2 * clsUnits, titleUnits);
    }
  } else {
    return Bad(error, "unknown operation");
  }
  *request = std::move(r);
  return Decoded::Complete;
}

Decoded DecodeReply(std::span<const std::byte> bytes, Reply *reply, std::string *error) {
  unsigned code = 0;
  std::span<const std::byte> p;
  const Decoded framed = Frame(bytes, ReplyMagic, &code, &p, error);
  if (framed != Decoded::Complete) {
    return framed;
  }
  if (code > static_cast<unsigned>(Status::BadRequest)) {
    return Bad(error, "unknown status");
  }
  Reply r;
  r.status = static_cast<Status>(code);
  if (p.size() == 8) {
    r.window = Get64(p, 0);
  } else if (!p.empty()) {
    return Bad(error, "a reply carries one window or nothing");
  }
  if (r.window && r.status != Status::Ok) {
    return Bad(error, "only a successful reply carries a window");
  }
  *reply = r;
  return Decoded::Complete;
}

} // namespace platform::instance
