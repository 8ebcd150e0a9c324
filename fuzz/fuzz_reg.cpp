// Fuzz target for the hive's text form: any input parses without fault, and what
// it parsed to is written so that it reads back equal and writes back the same.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "registry/hive.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
  using namespace platform::registry;
  const std::string_view input(reinterpret_cast<const char *>(data), size);
  const ParseResult first = ParseHive(input);
  const std::string text = SerializeHive(first.hive);
  const ParseResult second = ParseHive(text);
  if (second.Damaged() || !(second.hive == first.hive) || SerializeHive(second.hive) != text) {
    std::abort();
  }
  return 0;
}
