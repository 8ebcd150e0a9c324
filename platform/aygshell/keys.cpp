// The shell's key map: a program's keys and a gamepad's buttons as the pen taps they
// stand for, the highlight the arrows and the pad move, and the player's key file.
#include "aygshell/keys.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstring>

#include "aygshell/shell.h"
#include "common/case_fold.h"
#include "common/posix_file.h"
#include "common/utf.h"
#include "device/device.h"
#include "device/events.h"
#include "device/key_names.h"
#include "user/input.h"
#include "user/window.h"

namespace platform::shell {
namespace {

constexpr std::size_t kHeaderWords = 2;
constexpr std::size_t kSpotWords = 8;
constexpr std::size_t kMaxKeyFile = std::size_t{64} * 1024;
// The highlight's half width and half height, in layout units around the spot: a
// frame inside the smallest region, a chip.
constexpr int kHighlightHalfWidth = 15;
constexpr int kHighlightHalfHeight = 13;

enum class Move { Up, Down, Left, Right };

struct KeysState {
  HINSTANCE loadedFor = nullptr;
  KeyMap map;
  int highlight = -1; // the spot highlighted, kept while hidden
  bool shown = false;
  std::array<bool, 256> swallowed{}; // pressed keys that became a tap: their release goes nowhere
  bool modifierHeld = false;         // Ctrl or Alt: the key is a shortcut, not a spot
};

KeysState &Keys() {
  static KeysState state;
  return state;
}

const bool registered = [] {
  RegisterResetHook([] { Keys() = KeysState{}; });
  return true;
}();

// Keys the host or the highlight own, which a key file cannot give a spot.
bool Reserved(UINT key) {
  switch (key) {
  case VK_LEFT:
  case VK_RIGHT:
  case VK_UP:
  case VK_DOWN:
  case VK_RETURN:
  case VK_SHIFT:
  case VK_CONTROL:
  case VK_MENU:
  case VK_F9:
  case VK_F11:
  case VK_GAMEPAD_A:
  case VK_GAMEPAD_VIEW:
  case VK_GAMEPAD_DPAD_UP:
  case VK_GAMEPAD_DPAD_DOWN:
  case VK_GAMEPAD_DPAD_LEFT:
  case VK_GAMEPAD_DPAD_RIGHT:
    return true;
  default:
    return false;
  }
}

bool MoveOf(UINT key, Move *move) {
  switch (key) {
  case VK_UP:
  case VK_GAMEPAD_DPAD_UP:
    *move = Move::Up;
    return true;
  case VK_DOWN:
  case VK_GAMEPAD_DPAD_DOWN:
    *move = Move::Down;
    return true;
  case VK_LEFT:
  case VK_GAMEPAD_DPAD_LEFT:
    *move = Move::Left;
    return true;
  case VK_RIGHT:
  case VK_GAMEPAD_DPAD_RIGHT:
    *move = Move::Right;
    return true;
  default:
    return false;
  }
}

std::vector<std::string_view> Words(std::string_view line) {
  std::vector<std::string_view> words;
  std::size_t at = 0;
  while (at < line.size()) {
    while (at < line.size() && (line[at] == ' ' || line[at] == '\t')) {
      ++at;
    }
    const std::size_t start = at;
    while (at < line.size() && line[at] != ' ' && line[at] != '\t') {
      ++at;
    }
    if (at > start) {
      words.push_back(line.substr(start, at - start));
    }
  }
  return words;
}

// A word of the player's file as an error shows it: printable ASCII, not too long.
std::string Shown(std::string_view word) {
  std::string out;
  for (const char c : word.substr(0, 40)) {
    out += c >= ' ' && c <= '~' ? c : '?';
  }
  return out;
}

bool Landscape(const KeyMap &map) {
  return CurrentDevice().ScreenHeight() < ScaleToDpi(map.portraitHeight);
}

std::vector<InputEvent> TapAt(POINT point) {
  return {InputEvent{InputKind::PenDown, point}, InputEvent{InputKind::PenUp, point}};
}

// The screen point of a spot of `app`'s map; false for one that cannot be tapped now
// (a soft key the window's bar does not have).
bool SpotOnScreen(HWND app, const KeySpot &spot, POINT *screen) {
  if (spot.command != 0) {
    return SoftKeyCentre(app, spot.command, screen);
  }
  const Window *w = FindWindowObject(app);
  if (w == nullptr) {
    return false;
  }
  const POINT at = SpotInWindow(Keys().map, spot);
  *screen = POINT{w->rect.left + at.x, w->rect.top + at.y};
  return true;
}

// The program window whose table the keys play: the foreground window, when it is
// an application's own (no dialog in front) and takes input; else null.
HWND TableWindow() {
  const HWND app = ForegroundApplicationWindow();
  const Window *w = FindWindowObject(app);
  if (w == nullptr || app != GetForegroundWindow() || !w->enabled) {
    return nullptr;
  }
  // The map is read once per program, with the player's file over it.
  KeysState &keys = Keys();
  if (keys.loadedFor != w->instance) {
    keys.loadedFor = w->instance;
    keys.map = KeyMap{};
    keys.highlight = -1;
    std::string error;
    if (!LoadKeyMap(w->instance, &keys.map, &error)) {
      keys.map = KeyMap{};
      return app; // a program without a map: its keys go to it as they are
    }
    const std::string &profile = CurrentDevice().Config().profileDir;
    if (profile.empty()) {
      return app;
    }
    const std::string path = profile + "/keys.txt";
    int openError = 0;
    const UniqueFd fd = OpenRegularFile(path, &openError);
    std::string text;
    if (!fd.Valid()) {
      error = openError == ENOENT ? "" : FileErrorText(openError);
    } else if (const int readError = ReadAll(fd.Get(), kMaxKeyFile, &text); readError != 0) {
      error = FileErrorText(readError);
    } else {
      ApplyKeyFile(text, &keys.map, &error);
    }
    if (!error.empty()) {
      std::fprintf(stderr, "keys: %s: %s; the built-in keys are used\n", path.c_str(),
                   error.c_str());
    }
  }
  return app;
}

void SetHighlight(int spot, bool shown) {
  KeysState &keys = Keys();
  if (keys.highlight != spot || keys.shown != shown) {
    keys.highlight = spot;
    keys.shown = shown;
    AnnounceKeyHighlight();
  }
}

// The spot an arrow moves the highlight to: the nearest whose centre lies that way,
// a step aside costing four steps ahead. Left and right go on along the table's
// reading order (rows top to bottom, each left to right) where nothing lies that way.
int SpotTowards(HWND app, int from, Move move) {
  const auto &spots = Keys().map.spots;
  POINT origin{};
  if (!SpotOnScreen(app, spots[static_cast<std::size_t>(from)], &origin)) {
    return from;
  }
  int best = -1;
  long bestCost = 0;
  std::vector<std::pair<POINT, int>> reading;
  for (std::size_t i = 0; i < spots.size(); ++i) {
    POINT p{};
    if (!SpotOnScreen(app, spots[i], &p)) {
      continue;
    }
    reading.emplace_back(p, static_cast<int>(i));
    const long dx = p.x - origin.x;
    const long dy = p.y - origin.y;
    const long ahead = move == Move::Up     ? -dy
                       : move == Move::Down ? dy
                       : move == Move::Left ? -dx
                                            : dx;
    const long aside = move == Move::Up || move == Move::Down ? std::labs(dx) : std::labs(dy);
    if (ahead <= 0 || static_cast<int>(i) == from) {
      continue;
    }
    const long cost = ahead + 4 * aside;
    if (best < 0 || cost < bestCost) {
      best = static_cast<int>(i);
      bestCost = cost;
    }
  }
  if (best >= 0 || move == Move::Up || move == Move::Down) {
    return best >= 0 ? best : from;
  }
  std::stable_sort(reading.begin(), reading.end(), [](const auto &a, const auto &b) {
    return a.first.y != b.first.y ? a.first.y < b.first.y : a.first.x < b.first.x;
  });
  const auto at = std::find_if(reading.begin(), reading.end(),
                               [from](const auto &r) { return r.second == from; });
  if (at == reading.end()) {
    return from;
  }
  if (move == Move::Right) {
    return at + 1 != reading.end() ? (at + 1)->second : from;
  }
  return at != reading.begin() ? (at - 1)->second : from;
}

// A key pressed while a program's table is in front.
bool TableKey(HWND app, UINT key, std::vector<InputEvent> *instead) {
  KeysState &keys = Keys();
  const auto &spots = keys.map.spots;
  if (spots.empty()) {
    return false;
  }
  int spot = -1;
  for (std::size_t i = 0; i < spots.size() && spot < 0; ++i) {
    if (std::find(spots[i].keys.begin(), spots[i].keys.end(), key) != spots[i].keys.end()) {
      spot = static_cast<int>(i);
    }
  }
  Move move{};
  const bool moves = MoveOf(key, &move);
  const bool pressesHighlight = key == VK_RETURN || key == VK_GAMEPAD_A;
  if (spot < 0 && !moves && !pressesHighlight && key != VK_GAMEPAD_VIEW) {
    return false;
  }
  // Taken, its release with it; a key held down taps once, though it moves the
  // highlight as often as it repeats.
  const bool held = std::exchange(keys.swallowed[key], true);
  if (moves) {
    // The first arrow shows where the highlight is; the next ones move it.
    const int from = keys.highlight >= 0 ? keys.highlight : 0;
    SetHighlight(keys.shown ? SpotTowards(app, from, move) : from, true);
    return true;
  }
  if (held) {
    return true;
  }
  if (key == VK_GAMEPAD_VIEW) {
    instead->push_back(InputEvent{InputKind::Close});
    return true;
  }
  if (pressesHighlight) {
    if (!keys.shown || keys.highlight < 0) {
      SetHighlight(std::max(keys.highlight, 0), true);
      return true;
    }
    spot = keys.highlight;
  }
  POINT at{};
  SetHighlight(spot, true);
  if (SpotOnScreen(app, spots[static_cast<std::size_t>(spot)], &at)) {
    *instead = TapAt(at);
  }
  return true;
}

// A gamepad's button while a dialog (or another window than a table) is in front:
// up and down go from control to control (Tab), left and right along a group (the
// arrows: a radio button's choices), A presses the one with the focus, B or Start
// closes the dialog with OK, as its navigation bar's "ok" does.
bool DialogButton(UINT key, std::vector<InputEvent> *instead) {
  Move move{};
  if (MoveOf(key, &move) && (move == Move::Up || move == Move::Down)) {
    *instead = KeyPressEvents(VK_TAB, move == Move::Up ? FSHIFT : 0);
  } else if (MoveOf(key, &move)) {
    *instead = KeyPressEvents(move == Move::Left ? VK_LEFT : VK_RIGHT, 0);
  } else if (key == VK_GAMEPAD_A) {
    *instead = KeyPressEvents(VK_SPACE, 0);
  } else if (key == VK_GAMEPAD_B || key == VK_GAMEPAD_MENU) {
    const Window *front = FindWindowObject(GetForegroundWindow());
    if (front != nullptr && (front->exStyle & WS_EX_CAPTIONOKBTN) != 0) {
      const RECT ok = NavigationDoneButtonRect();
      *instead = TapAt(POINT{(ok.left + ok.right) / 2, (ok.top + ok.bottom) / 2});
    } else {
      *instead = KeyPressEvents(VK_RETURN, 0);
    }
  }
  return true; // the other buttons mean nothing to a dialog
}

} // namespace

bool LoadKeyMap(HINSTANCE module, KeyMap *map, std::string *error) {
  const HRSRC found = FindResourceW(module, u"KEYMAP", RT_RCDATA);
  const void *data = found != nullptr ? LockResource(LoadResource(module, found)) : nullptr;
  if (data == nullptr) {
    *error = "no key map";
    return false;
  }
  const std::size_t size = SizeofResource(module, found);
  const auto word = [data](std::size_t i) {
    WORD w = 0;
    std::memcpy(&w, static_cast<const std::byte *>(data) + i * 2, sizeof w);
    return w;
  };
  if (size < kHeaderWords * 2) {
    *error = "the key map is shorter than its header";
    return false;
  }
  const std::size_t count = word(0);
  if (size < (kHeaderWords + count * kSpotWords) * 2) {
    *error = "the key map is shorter than its " + std::to_string(count) + " spots";
    return false;
  }
  KeyMap loaded;
  loaded.portraitHeight = word(1);
  for (std::size_t i = 0; i < count; ++i) {
    const std::size_t at = kHeaderWords + i * kSpotWords;
    KeySpot spot;
    LPCWSTR name = nullptr;
    const int length = LoadStringW(module, word(at), reinterpret_cast<LPWSTR>(&name), 0);
    if (length <= 0 ||
        !ToUtf8(std::u16string_view(name, static_cast<std::size_t>(length)), &spot.name)) {
      *error = "spot " + std::to_string(i + 1) + " of the key map has no name";
      return false;
    }
    for (const std::size_t k : {at + 1, at + 2}) {
      if (word(k) != 0) {
        spot.keys.push_back(word(k));
      }
    }
    spot.command = word(at + 3);
    spot.portrait = POINT{static_cast<short>(word(at + 4)), static_cast<short>(word(at + 5))};
    spot.landscape = POINT{static_cast<short>(word(at + 6)), static_cast<short>(word(at + 7))};
    loaded.spots.push_back(std::move(spot));
  }
  *map = std::move(loaded);
  return true;
}

bool ApplyKeyFile(std::string_view text, KeyMap *map, std::string *error) {
  KeyMap changed = *map;
  std::vector<bool> given(changed.spots.size());
  int lineNumber = 0;
  while (!text.empty()) {
    ++lineNumber;
    const std::size_t end = std::min(text.find('\n'), text.size());
    std::string_view line = text.substr(0, end);
    text.remove_prefix(std::min(end + 1, text.size()));
    if (!line.empty() && line.back() == '\r') {
      line.remove_suffix(1);
    }
    const std::vector<std::string_view> words = Words(line);
    if (words.empty() || words[0][0] == '#') {
      continue;
    }
    const auto fail = [&](const std::string &why) {
      *error = "line " + std::to_string(lineNumber) + ": " + why;
      return false;
    };
    const auto spot =
        std::find_if(changed.spots.begin(), changed.spots.end(),
                     [&](const KeySpot &s) { return EqualNoCaseAscii(s.name, words[0]); });
    if (spot == changed.spots.end()) {
      return fail("no spot is named '" + Shown(words[0]) + "'");
    }
    const auto index = static_cast<std::size_t>(spot - changed.spots.begin());
    if (given[index]) {
      return fail(spot->name + " is given keys twice");
    }
    given[index] = true;
    if (words.size() < 2) {
      return fail("no key given for " + spot->name);
    }
    spot->keys.clear();
    for (std::size_t w = 1; w < words.size(); ++w) {
      UINT key = 0;
      if (!ParseSingleKey(words[w], &key)) {
        return fail("unknown key '" + Shown(words[w]) + "'");
      }
      if (Reserved(key)) {
        return fail("'" + Shown(words[w]) + "' moves or presses the highlight or is the host's");
      }
      if (std::find(spot->keys.begin(), spot->keys.end(), key) != spot->keys.end()) {
        return fail("'" + Shown(words[w]) + "' is given twice");
      }
      spot->keys.push_back(key);
    }
  }
  // A key taps one spot: every key given (and every one kept) belongs to one alone.
  for (std::size_t i = 0; i < changed.spots.size(); ++i) {
    for (const UINT key : changed.spots[i].keys) {
      for (std::size_t j = i + 1; j < changed.spots.size(); ++j) {
        const auto &other = changed.spots[j].keys;
        if (std::find(other.begin(), other.end(), key) != other.end()) {
          *error = "'" + KeyName(key) + "' would tap both " + changed.spots[i].name + " and " +
                   changed.spots[j].name;
          return false;
        }
      }
    }
  }
  *map = std::move(changed);
  return true;
}

POINT SpotInWindow(const KeyMap &map, const KeySpot &spot) {
  const POINT &at = Landscape(map) ? spot.landscape : spot.portrait;
  return POINT{ScaleToDpi(at.x), ScaleToDpi(at.y)};
}

bool TakeKeyInput(const InputEvent &event, std::vector<InputEvent> *instead) {
  KeysState &keys = Keys();
  if (event.kind == InputKind::PenDown) {
    SetHighlight(keys.highlight, false);
    return false;
  }
  if (event.kind != InputKind::KeyDown && event.kind != InputKind::KeyUp) {
    return false;
  }
  const bool down = event.kind == InputKind::KeyDown;
  const UINT key = event.key & 0xFF;
  if (key == VK_CONTROL || key == VK_MENU) {
    keys.modifierHeld = down;
    return false;
  }
  if (!down) {
    return std::exchange(keys.swallowed[key], false);
  }
  if (const HWND app = TableWindow(); app != nullptr) {
    return !keys.modifierHeld && TableKey(app, key, instead);
  }
  if (IsPadButton(key)) {
    keys.swallowed[key] = true;
    return DialogButton(key, instead);
  }
  return false;
}

bool KeyHighlight(RECT *screen) {
  const KeysState &keys = Keys();
  const HWND app = keys.shown ? TableWindow() : nullptr;
  POINT at{};
  if (app == nullptr || keys.highlight < 0 ||
      static_cast<std::size_t>(keys.highlight) >= keys.map.spots.size() ||
      !SpotOnScreen(app, keys.map.spots[static_cast<std::size_t>(keys.highlight)], &at)) {
    return false;
  }
  const int w = ScaleToDpi(kHighlightHalfWidth);
  const int h = ScaleToDpi(kHighlightHalfHeight);
  *screen = RECT{at.x - w, at.y - h, at.x + w, at.y + h};
  return true;
}

} // namespace platform::shell
