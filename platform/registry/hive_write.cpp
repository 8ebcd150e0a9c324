// Writing the hive's regedit text form, which the parser reads back to an equal hive.
#include "common/utf.h"
#include "registry/hive.h"
#include "registry/hive_codec.h"

namespace platform::registry {

std::string SerializeHive(const Hive &hive) {
  std::string out(HeaderLine);
  out.append("\n");
  for (const auto &[folded, key] : hive.Keys()) {
    if (folded.empty() && key.values.empty()) {
      continue;
    }
    std::string path;
    ToUtf8(key.path, &path); // names are checked when stored
    out.append("\n[").append(RootName);
    if (!path.empty()) {
      out.append("\\").append(path);
    }
    out.append("]\n");
    for (const auto &[foldedName, v] : key.values) {
      std::string name;
      ToUtf8(v.name, &name);
      if (v.name.empty()) {
        out.push_back('@');
      } else {
        AppendQuoted(&out, name);
      }
      out.push_back('=');
      std::u16string text;
      std::string utf8;
      if (StringForm(v, &text) && ToUtf8(text, &utf8)) {
        AppendQuoted(&out, utf8);
      } else if (v.type == REG_DWORD && v.data.size() == 4) {
        out.append("dword:");
        AppendHex(&out,
                  static_cast<unsigned>(v.data[0] | (v.data[1] << 8) | (v.data[2] << 16)) |
                      (static_cast<unsigned>(v.data[3]) << 24),
                  8);
      } else {
        if (v.type == REG_BINARY) {
          out.append("hex:");
        } else {
          out.append("hex(");
          int digits = 1;
          while (digits < 8 && (v.type >> (4 * digits)) != 0) {
            ++digits;
          }
          AppendHex(&out, v.type, digits);
          out.append("):");
        }
        for (std::size_t i = 0; i < v.data.size(); ++i) {
          if (i != 0) {
            out.push_back(',');
          }
          AppendHex(&out, v.data[i], 2);
        }
      }
      out.push_back('\n');
    }
  }
  return out;
}

} // namespace platform::registry
