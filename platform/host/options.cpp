// Parsing of the host options into a device configuration and a choice of host.
#include "host/options.h"

#include <array>
#include <charconv>
#include <cstdlib>
#include <functional>
#include <optional>

#include <pwd.h>
#include <unistd.h>

namespace platform {
namespace {

struct ScreenPreset {
  const char *name;
  int width;
  int height;
  int dpi;
};

constexpr std::array<ScreenPreset, 5> kPresets{{
    {"qvga", 240, 320, 96},
    {"qvga-landscape", 320, 240, 96},
    {"vga", 480, 640, 192},
    {"vga-landscape", 640, 480, 192},
    {"square", 240, 240, 96},
}};

// The presets' names for help and errors, the default first.
std::string PresetNames() {
  std::string names;
  for (const ScreenPreset &preset : kPresets) {
    names += (names.empty() ? "" : ", ") + std::string(preset.name);
  }
  return names;
}

// A list of names for the help, its first one marked as the default.
std::string DefaultMarked(std::string names) {
  return names.insert(std::min(names.find(','), names.size()), " (default)");
}

constexpr int kSmallestSide = 16;
constexpr int kLargestSide = 4096;
constexpr int kSmallestDpi = 24;
constexpr int kLargestDpi = 960;
constexpr int kLargestZoom = 16;

std::optional<int> Number(std::string_view text, int min, int max) {
  int value = 0;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (text.empty() || ec != std::errc{} || end != text.data() + text.size() || value < min ||
      value > max) {
    return std::nullopt;
  }
  return value;
}

// The user's settings folder, by the base-directory rules: $XDG_CONFIG_HOME, which
// counts only as an absolute path (a relative one would follow the current folder
// about), else ~/.config, the home taken from the password database without $HOME.
std::string DefaultProfile() {
  if (const char *config = std::getenv("XDG_CONFIG_HOME"); config != nullptr && *config == '/') {
    return std::string(config) + "/blackjack";
  }
  const char *home = std::getenv("HOME");
  if (home == nullptr || *home == 0) {
    const passwd *user = getpwuid(getuid());
    home = user != nullptr ? user->pw_dir : nullptr;
  }
  return home != nullptr && *home != 0 ? std::string(home) + "/.config/blackjack" : ".blackjack";
}

struct Parsed {
  HostOptions options;
  std::optional<int> dpi; // --dpi wins over the preset's, whatever the order
  std::optional<SYSTEMTIME> clock;
  std::string profile;
  std::string deviceOption; // the first option given that sets up the device
};

using Setter = std::function<bool(Parsed &, const std::string &value, std::string *error)>;

struct OptionInfo {
  const char *name;
  const char *value; // null for a flag
  std::string help;
  Setter set;
};

bool SetScreen(Parsed &p, const std::string &value, std::string *error) {
  for (const ScreenPreset &preset : kPresets) {
    if (value == preset.name) {
      p.options.device.width = preset.width;
      p.options.device.height = preset.height;
      p.options.device.dpi = preset.dpi;
      return true;
    }
  }
  const auto x = value.find('x');
  const auto w = x == std::string::npos
                     ? std::nullopt
                     : Number(std::string_view(value).substr(0, x), kSmallestSide, kLargestSide);
  const auto h = x == std::string::npos
                     ? std::nullopt
                     : Number(std::string_view(value).substr(x + 1), kSmallestSide, kLargestSide);
  if (!w || !h) {
    *error = "--screen takes " + PresetNames() + " or WxH with sides from " +
             std::to_string(kSmallestSide) + " to " + std::to_string(kLargestSide) + ", not '" +
             value + "'";
    return false;
  }
  p.options.device.width = *w;
  p.options.device.height = *h;
  return true;
}

bool SetClock(Parsed &p, const std::string &value, std::string *error) {
  const std::string_view v(value);
  const auto hours =
      v.size() == 8 && v[2] == ':' && v[5] == ':' ? Number(v.substr(0, 2), 0, 23) : std::nullopt;
  const auto minutes = hours ? Number(v.substr(3, 2), 0, 59) : std::nullopt;
  const auto seconds = minutes ? Number(v.substr(6, 2), 0, 59) : std::nullopt;
  if (!seconds) {
    *error = "--clock takes a time as HH:MM:SS, not '" + value + "'";
    return false;
  }
  SYSTEMTIME t = p.options.device.clockStart;
  t.wHour = static_cast<WORD>(*hours);
  t.wMinute = static_cast<WORD>(*minutes);
  t.wSecond = static_cast<WORD>(*seconds);
  t.wMilliseconds = 0;
  p.clock = t;
  return true;
}

const std::array<OptionInfo, 15> &Options() {
  static const std::array<OptionInfo, 15> options{{
      {"--screen", "PRESET|WxH", "screen: " + DefaultMarked(PresetNames()) + ", or WxH", SetScreen},
      {"--dpi", "N", "screen dpi (default: the preset's; 96 for WxH)",
       [](Parsed &p, const std::string &v, std::string *e) {
         p.dpi = Number(v, kSmallestDpi, kLargestDpi);
         if (!p.dpi) {
           *e = "--dpi takes a whole number from " + std::to_string(kSmallestDpi) + " to " +
                std::to_string(kLargestDpi) + ", not '" + v + "'";
         }
         return p.dpi.has_value();
       }},
      {"--zoom", "N",
       "desktop: the whole-number zoom to start with (default: the largest that fits)",
       [](Parsed &p, const std::string &v, std::string *e) {
         const auto zoom = Number(v, 1, kLargestZoom);
         if (!zoom) {
           *e = "--zoom takes a whole number from 1 to " + std::to_string(kLargestZoom) +
                ", not '" + v + "'";
           return false;
         }
         p.options.zoom = *zoom;
         return true;
       }},
      {"--profile", "DIR", "profile folder (default: $XDG_CONFIG_HOME/blackjack)",
       [](Parsed &p, const std::string &v, std::string *e) {
         if (v.empty()) {
           *e = "--profile needs a folder";
           return false;
         }
         p.profile = v;
         return true;
       }},
      {"--os", "NAME", "system to report: " + DefaultMarked(OsProfileNames()),
       [](Parsed &p, const std::string &v, std::string *e) {
         if (!OsProfileByName(v, &p.options.device.os)) {
           *e = "--os takes one of " + OsProfileNames() + ", not '" + v + "'";
           return false;
         }
         return true;
       }},
      {"--clock", "HH:MM:SS", "start the device clock at this time (a virtual clock)", SetClock},
      {"--font-smoothing", "MODE",
       "the device's own text (dialogs, bars): grey (default) or cleartype",
       [](Parsed &p, const std::string &v, std::string *e) {
         if (v != "grey" && v != "cleartype") {
           *e = "--font-smoothing takes grey or cleartype, not '" + v + "'";
           return false;
         }
         p.options.device.clearTypeSystemText = v == "cleartype";
         return true;
       }},
      {"--mute", nullptr, "play no sound",
       [](Parsed &p, const std::string &, std::string *) {
         p.options.device.mute = true;
         return true;
       }},
      {"--headless", nullptr,
       "run without a window, on a virtual clock, playing --script or --replay",
       [](Parsed &p, const std::string &, std::string *) {
         p.options.headless = true;
         return true;
       }},
      {"--script", "FILE",
       "headless: the commands to run, - for standard input (implies --headless)",
       [](Parsed &p, const std::string &v, std::string *) {
         p.options.script = v;
         p.options.headless = true;
         return true;
       }},
      {"--record", "FILE", "desktop: record the game played in the window into FILE",
       [](Parsed &p, const std::string &v, std::string *e) {
         p.options.record = v;
         return !v.empty() || (*e = "--record needs a file", false);
       }},
      {"--replay", "FILE",
       "play a recorded game: in the window at its pace, or with --headless at once",
       [](Parsed &p, const std::string &v, std::string *e) {
         p.options.replay = v;
         return !v.empty() || (*e = "--replay needs a file", false);
       }},
      {"--trace", "FILE", "write a line per sound played and per timer set or killed",
       [](Parsed &p, const std::string &v, std::string *) {
         p.options.trace = v;
         return true;
       }},
      {"--help", nullptr, "show this help and exit",
       [](Parsed &p, const std::string &, std::string *) {
         p.options.help = true;
         return true;
       }},
      {"--version", nullptr, "show the version and exit",
       [](Parsed &p, const std::string &, std::string *) {
         p.options.version = true;
         return true;
       }},
  }};
  return options;
}

} // namespace

bool ParseHostOptions(const std::vector<std::string> &args, HostOptions *options,
                      std::string *error) {
  Parsed p;
  p.options.device.mute = false;
  for (std::size_t i = 0; i < args.size(); ++i) {
    std::string name = args[i];
    std::optional<std::string> inlineValue;
    if (const auto eq = name.find('='); name.rfind("--", 0) == 0 && eq != std::string::npos) {
      inlineValue = name.substr(eq + 1);
      name.resize(eq);
    }
    const OptionInfo *option = nullptr;
    for (const OptionInfo &o : Options()) {
      if (name == o.name) {
        option = &o;
      }
    }
    if (option == nullptr) {
      *error = name.rfind('-', 0) == 0 ? "unknown option '" + name + "' (see --help)"
                                       : "unexpected argument '" + name + "' (see --help)";
      return false;
    }
    std::string value;
    if (option->value != nullptr) {
      if (inlineValue) {
        value = *inlineValue;
      } else if (i + 1 < args.size()) {
        value = args[++i];
      } else {
        *error = name;
        *error += " needs a value: " + name;
        *error += std::string(" ") + option->value;
        return false;
      }
    } else if (inlineValue) {
      *error = name + " takes no value";
      return false;
    }
    if (!option->set(p, value, error)) {
      return false;
    }
    for (const char *device : {"--screen", "--dpi", "--os", "--clock"}) {
      if (p.deviceOption.empty() && name == device) {
        p.deviceOption = name;
      }
    }
  }
  // A replay's device and clock are the recording's; a recording is of a person
  // at the window.
  if (!p.options.replay.empty() && !p.deviceOption.empty()) {
    *error = "--replay plays on the recording's device and clock; leave out " + p.deviceOption;
    return false;
  }
  if (p.options.headless && p.options.script.empty() && p.options.replay.empty()) {
    *error = "--headless plays the commands of --script FILE or --replay FILE; give one";
    return false;
  }
  const std::pair<bool, const char *> conflicts[] = {
      {!p.options.replay.empty() && !p.options.script.empty(), "--replay and --script"},
      {!p.options.replay.empty() && !p.options.record.empty(), "--replay and --record"},
      {!p.options.record.empty() && p.options.headless, "--record and --headless or --script"},
  };
  for (const auto &[conflict, names] : conflicts) {
    if (conflict) {
      *error = std::string(names) + " cannot be given together";
      return false;
    }
  }
  DeviceConfig &device = p.options.device;
  if (p.dpi) {
    device.dpi = *p.dpi;
  }
  // The headless host always runs on the virtual clock; the desktop only with --clock.
  device.virtualClock = p.options.headless || p.clock.has_value();
  if (p.clock) {
    device.clockStart = *p.clock;
  }
  if (p.options.headless) {
    device.mute = true;
  }
  device.profileDir = p.profile.empty() ? DefaultProfile() : p.profile;
  *options = p.options;
  return true;
}

std::string HostUsage() {
  // Each option's text in a column of its own, broken between words to fit a
  // terminal of 80 columns.
  constexpr std::size_t kTextColumn = 26;
  constexpr std::size_t kWidth = 80;
  std::string text = "usage: blackjack [options]\n\nOptions of the emulated device and its host:\n";
  for (const OptionInfo &o : Options()) {
    std::string line =
        std::string("  ") + o.name + (o.value != nullptr ? std::string(" ") + o.value : "");
    line.resize(std::max(line.size() + 2, kTextColumn), ' ');
    const std::string_view help(o.help);
    for (std::size_t at = 0; at < help.size();) {
      const std::size_t end = std::min(help.find(' ', at), help.size());
      if (line.size() > kTextColumn && line.size() + end - at > kWidth) {
        line.pop_back(); // the space before the word
        text += line + "\n";
        line.assign(kTextColumn, ' ');
      }
      line.append(help.substr(at, end - at + (end < help.size() ? 1 : 0)));
      at = end + 1;
    }
    text += line + "\n";
  }
  text += "\nScript commands (--script): tap X Y, down X Y, move X Y (the pen held down\n"
          "moves), up X Y, wheel N (notches, positive up), wait MS, key NAME, keydown KEY,\n"
          "keyup KEY, rotate, screenshot FILE, close. A recording is such a script after a\n"
          "header. Desktop keys: F9 turns the screen, F11 toggles full screen.\n"
          "\nKeys of the table: 1 to 5 the chips from 5 to 500, D Deal, H Hit, S Stand,\n"
          "X Double, C Clear, N New, O Options, A About; the arrows move a highlight\n"
          "and Enter taps it. A gamepad: the pad or the left stick moves the highlight,\n"
          "A taps it, B Stand, X Double, Y Deal, the shoulders the 5 and 500 chips,\n"
          "Start Options, Back closes; in a dialog the pad moves, A presses, B or Start\n"
          "is OK. PROFILE/keys.txt changes the keys: lines \"Hit j\" (see blackjack(6)).\n"
          "Scripts name the pad's buttons pad-a, pad-b, pad-x, pad-y, pad-lb, pad-rb,\n"
          "pad-up, pad-down, pad-left, pad-right, pad-start, pad-back.\n"
          "\nExit status: 0 when the game has ended and its money is stored; 1 when it\n"
          "cannot run or the money cannot be stored; 2 for a bad option, script or\n"
          "recording. The manual page is blackjack(6).\n";
  return text;
}

} // namespace platform
