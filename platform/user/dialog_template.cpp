// The dialog template parser: header, menu, class, title, font, then each item, in
// named steps with every length checked before it is read.
#include "user/dialog_template.h"

#include <cstring>

namespace platform {
namespace {

constexpr WORD kExtendedSignature = 0xFFFF;
constexpr std::size_t kClassicItemSize = 18;
constexpr std::size_t kExtendedItemSize = 24;

// A cursor over the template's bytes. Every read checks the length first; a failed
// read leaves a one-line reason naming what was being read and where.
class Reader {
public:
  explicit Reader(std::span<const std::byte> bytes) : bytes_(bytes) {}

  const std::string &Error() const { return error_; }

  bool Fail(const std::string &what) {
    if (error_.empty()) {
      error_ = "dialog template: " + what + " at offset " + std::to_string(offset_) + " of " +
               std::to_string(bytes_.size());
    }
    return false;
  }

  bool Word(const char *what, WORD *value) { return Fixed(what, value); }
  bool DWord(const char *what, DWORD *value) { return Fixed(what, value); }
  bool Short(const char *what, short *value) { return Fixed(what, value); }
  bool Byte(const char *what, BYTE *value) { return Fixed(what, value); }

  // Moves to the next multiple of `n` from the start of the template.
  bool Align(const char *what, std::size_t n) {
    const std::size_t aligned = (offset_ + n - 1) / n * n;
    if (aligned > bytes_.size()) {
      return Fail(std::string(what) + " starts past the end");
    }
    offset_ = aligned;
    return true;
  }

  // A string of UTF-16 units up to its terminating zero.
  bool String(const std::string &what, std::u16string *text) {
    text->clear();
    for (;;) {
      WORD unit = 0;
      if (!Available(2)) {
        return Fail(what + " is not terminated");
      }
      Copy(&unit);
      if (unit == 0) {
        return true;
      }
      text->push_back(static_cast<char16_t>(unit));
    }
  }

  // A menu, class or text field: 0 (none), 0xFFFF and an ordinal, or a string.
  bool NameOrOrdinalField(const std::string &what, NameOrOrdinal *field) {
    WORD first = 0;
    if (!Available(2)) {
      return Fail(what + " runs past the end");
    }
    std::memcpy(&first, bytes_.data() + offset_, 2);
    if (first == 0) {
      offset_ += 2;
      field->kind = NameOrOrdinal::Kind::None;
      return true;
    }
    if (first == 0xFFFF) {
      offset_ += 2;
      field->kind = NameOrOrdinal::Kind::Ordinal;
      return Word((what + " ordinal").c_str(), &field->ordinal);
    }
    field->kind = NameOrOrdinal::Kind::Text;
    return String(what, &field->text);
  }

  bool Bytes(const std::string &what, std::size_t n, std::vector<std::uint8_t> *out) {
    if (!Available(n)) {
      return Fail(what + " of " + std::to_string(n) + " bytes runs past the end");
    }
    const auto *start = reinterpret_cast<const std::uint8_t *>(bytes_.data() + offset_);
    out->assign(start, start + n);
    offset_ += n;
    return true;
  }

  std::size_t Remaining() const { return bytes_.size() - offset_; }

private:
  bool Available(std::size_t n) const { return n <= bytes_.size() - offset_; }

  template <typename T> void Copy(T *value) {
    std::memcpy(value, bytes_.data() + offset_, sizeof(T));
    offset_ += sizeof(T);
  }

  template <typename T> bool Fixed(const char *what, T *value) {
    if (!Available(sizeof(T))) {
      return Fail(std::string(what) + " runs past the end");
    }
    Copy(value);
    return true;
  }

  std::span<const std::byte> bytes_;
  std::size_t offset_ = 0;
  std::string error_;
};

// The extended form starts with version 1 and the signature 0xFFFF; a classic
// template starts with its style, whose high word never reads 0xFFFF with a low word
// of 1 in any template a resource compiler writes.
bool IsExtended(std::span<const std::byte> bytes) {
  WORD head[2] = {};
  if (bytes.size() < sizeof(head)) {
    return false;
  }
  std::memcpy(head, bytes.data(), sizeof(head));
  return head[0] == 1 && head[1] == kExtendedSignature;
}

bool ReadExtendedHeader(Reader &in, DialogTemplate *t, WORD *count) {
  WORD version = 0;
  WORD signature = 0;
  return in.Word("header: version", &version) && in.Word("header: signature", &signature) &&
         in.DWord("header: help id", &t->helpId) &&
         in.DWord("header: extended style", &t->exStyle) && in.DWord("header: style", &t->style) &&
         in.Word("header: item count", count) && in.Short("header: x", &t->x) &&
         in.Short("header: y", &t->y) && in.Short("header: width", &t->cx) &&
         in.Short("header: height", &t->cy);
}

bool ReadClassicHeader(Reader &in, DialogTemplate *t, WORD *count) {
  return in.DWord("header: style", &t->style) && in.DWord("header: extended style", &t->exStyle) &&
         in.Word("header: item count", count) && in.Short("header: x", &t->x) &&
         in.Short("header: y", &t->y) && in.Short("header: width", &t->cx) &&
         in.Short("header: height", &t->cy);
}

bool ReadFont(Reader &in, DialogTemplate *t) {
  if ((t->style & DS_SETFONT) == 0) {
    return true;
  }
  t->hasFont = true;
  if (!in.Word("font: point size", &t->pointSize)) {
    return false;
  }
  if (t->extended) {
    BYTE italic = 0;
    if (!in.Word("font: weight", &t->weight) || !in.Byte("font: italic", &italic) ||
        !in.Byte("font: character set", &t->charset)) {
      return false;
    }
    t->italic = italic != 0;
  }
  return in.String("font: face name", &t->face);
}

// One item: its fixed part at a DWORD boundary, class, text, then the creation data
// (a WORD counting the bytes that follow it).
bool ReadItem(Reader &in, bool extended, std::size_t index, DialogItem *item) {
  const std::string at = "item " + std::to_string(index) + ": ";
  if (!in.Align((at + "fixed part").c_str(), 4)) {
    return false;
  }
  if (extended) {
    if (!in.DWord((at + "help id").c_str(), &item->helpId) ||
        !in.DWord((at + "extended style").c_str(), &item->exStyle) ||
        !in.DWord((at + "style").c_str(), &item->style)) {
      return false;
    }
  } else if (!in.DWord((at + "style").c_str(), &item->style) ||
             !in.DWord((at + "extended style").c_str(), &item->exStyle)) {
    return false;
  }
  if (!in.Short((at + "x").c_str(), &item->x) || !in.Short((at + "y").c_str(), &item->y) ||
      !in.Short((at + "width").c_str(), &item->cx) ||
      !in.Short((at + "height").c_str(), &item->cy)) {
    return false;
  }
  if (extended) {
    if (!in.DWord((at + "id").c_str(), &item->id)) {
      return false;
    }
  } else {
    WORD id = 0;
    if (!in.Word((at + "id").c_str(), &id)) {
      return false;
    }
    item->id = id;
  }
  if (!in.NameOrOrdinalField(at + "class", &item->windowClass) ||
      !in.NameOrOrdinalField(at + "text", &item->text)) {
    return false;
  }
  WORD dataSize = 0;
  return in.Word((at + "creation data size").c_str(), &dataSize) &&
         in.Bytes(at + "creation data", dataSize, &item->creationData);
}

} // namespace

bool ParseDialogTemplate(std::span<const std::byte> bytes, DialogTemplate *out,
                         std::string *error) {
  DialogTemplate t;
  Reader in(bytes);
  WORD count = 0;
  t.extended = IsExtended(bytes);
  bool ok = t.extended ? ReadExtendedHeader(in, &t, &count) : ReadClassicHeader(in, &t, &count);
  // Menu, class, title and font, then the items.
  ok = ok && in.NameOrOrdinalField("menu", &t.menu) &&
       in.NameOrOrdinalField("class", &t.windowClass) && in.String("title", &t.title) &&
       ReadFont(in, &t);
  // Each item takes at least its fixed part and three empty words (class, text,
  // creation data size): a count the rest cannot hold is refused before anything is
  // allocated for it.
  const std::size_t itemSize = (t.extended ? kExtendedItemSize : kClassicItemSize) + 6;
  if (ok && static_cast<std::size_t>(count) * itemSize > in.Remaining()) {
    ok = in.Fail(std::to_string(count) + " items cannot fit in the " +
                 std::to_string(in.Remaining()) + " bytes left");
  }
  if (ok) {
    t.items.resize(count);
  }
  for (std::size_t i = 0; ok && i < count; ++i) {
    ok = ReadItem(in, t.extended, i, &t.items[i]);
  }
  if (!ok) {
    if (error != nullptr) {
      *error = in.Error();
    }
    return false;
  }
  *out = std::move(t);
  return true;
}

std::u16string ItemClassName(const NameOrOrdinal &windowClass) {
  static constexpr struct {
    WORD ordinal;
    const char16_t *name;
  } kClasses[] = {{kButtonClassOrdinal, u"BUTTON"},       {kEditClassOrdinal, u"EDIT"},
                  {kStaticClassOrdinal, u"STATIC"},       {kListBoxClassOrdinal, u"LISTBOX"},
                  {kScrollBarClassOrdinal, u"SCROLLBAR"}, {kComboBoxClassOrdinal, u"COMBOBOX"}};
  if (windowClass.kind == NameOrOrdinal::Kind::Text) {
    return windowClass.text;
  }
  for (const auto &c : kClasses) {
    if (windowClass.IsOrdinal(c.ordinal)) {
      return c.name;
    }
  }
  return {};
}

} // namespace platform
