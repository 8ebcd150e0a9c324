// Fuzz target for the single-instance messages: any bytes decode as a request
// and as a reply without fault; what decodes completely encodes back to the same
// bytes, and no prefix of it is refused.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>

#include "instance/protocol.h"

namespace {

template <class Message, class Decode, class Encode>
void Check(std::span<const std::byte> input, Decode decode, Encode encode) {
  Message message;
  std::string error;
  const auto result = decode(input, &message, &error);
  if (result == platform::instance::Decoded::Bad && error.empty()) {
    std::abort(); // a refusal always says why
  }
  if (result != platform::instance::Decoded::Complete) {
    return;
  }
  const auto bytes = encode(message);
  if (!std::equal(bytes.begin(), bytes.end(), input.begin(), input.end())) {
    std::abort();
  }
  Message prefix;
  if (!input.empty() && decode(input.first(input.size() - 1), &prefix, &error) !=
                            platform::instance::Decoded::NeedMore) {
    std::abort();
  }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
  using namespace platform::instance;
  const std::span<const std::byte> input(reinterpret_cast<const std::byte *>(data), size);
  Check<Request>(input, DecodeRequest, EncodeRequest);
  Check<Reply>(input, DecodeReply, EncodeReply);
  return 0;
}
