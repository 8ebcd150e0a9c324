// The host's command line and the headless script language: what they accept and how
// they refuse.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "host/options.h"
#include "host/script.h"

namespace {

using platform::HostOptions;
using platform::ParseHostOptions;
using platform::ScriptCommand;
using platform::ScriptVerb;

HostOptions Parse(std::vector<std::string> args) {
  HostOptions options;
  std::string error;
  EXPECT_TRUE(ParseHostOptions(args, &options, &error)) << error;
  return options;
}

std::string Refusal(std::vector<std::string> args) {
  HostOptions options;
  std::string error;
  EXPECT_FALSE(ParseHostOptions(args, &options, &error));
  EXPECT_EQ(error.find('\n'), std::string::npos) << "one line: " << error;
  return error;
}

TEST(HostOptions, ScreensDpiAndTheirOrder) {
  struct Case {
    std::vector<std::string> args;
    int width, height, dpi;
  };
  const Case cases[] = {
      {{}, 240, 320, 96},
      {{"--screen", "vga"}, 480, 640, 192},
      {{"--screen", "vga-landscape"}, 640, 480, 192},
      {{"--screen", "square"}, 240, 240, 96},
      {{"--screen", "800x600"}, 800, 600, 96},
      {{"--dpi", "131", "--screen", "vga"}, 480, 640, 131},
      {{"--screen=vga", "--dpi=144"}, 480, 640, 144},
  };
  for (const Case &c : cases) {
    const HostOptions o = Parse(c.args);
    EXPECT_EQ(o.device.width, c.width);
    EXPECT_EQ(o.device.height, c.height);
    EXPECT_EQ(o.device.dpi, c.dpi);
  }
}

TEST(HostOptions, HeadlessRunsOnTheVirtualClockMutedAndTheDesktopOnTheRealOne) {
  const HostOptions desktop = Parse({});
  EXPECT_FALSE(desktop.headless || desktop.device.virtualClock || desktop.device.mute);
  const HostOptions scripted = Parse({"--script", "s.txt", "--trace", "t.txt"});
  EXPECT_TRUE(scripted.headless && scripted.device.virtualClock && scripted.device.mute);
  EXPECT_EQ(scripted.script, "s.txt");
  EXPECT_EQ(scripted.trace, "t.txt");
  const HostOptions clocked = Parse({"--clock", "07:08:09", "--mute", "--zoom", "3", "--os",
                                     "ce3-other", "--font-smoothing", "cleartype"});
  EXPECT_TRUE(clocked.device.virtualClock && clocked.device.mute);
  EXPECT_TRUE(clocked.device.clearTypeSystemText);
  EXPECT_FALSE(desktop.device.clearTypeSystemText) << "grey by default";
  EXPECT_EQ(clocked.zoom, 3);
  EXPECT_EQ(clocked.device.clockStart.wHour * 10000 + clocked.device.clockStart.wMinute * 100 +
                clocked.device.clockStart.wSecond,
            70809);
  EXPECT_EQ(clocked.device.os.major, 3u);
  EXPECT_TRUE(Parse({"--help"}).help);
  EXPECT_TRUE(Parse({"--version"}).version);
}

TEST(HostOptions, BadOptionsAreRefusedInOneLineNamingTheProblem) {
  struct Case {
    std::vector<std::string> args;
    const char *mentions;
  };
  const Case cases[] = {
      {{"--frobnicate"}, "unknown option '--frobnicate'"},
      {{"stray"}, "unexpected argument 'stray'"},
      {{"--screen"}, "--screen needs a value"},
      {{"--screen", "huge"}, "not 'huge'"},
      {{"--screen", "10x10"}, "--screen takes"},
      {{"--screen", "99999x320"}, "--screen takes"},
      {{"--dpi", "0"}, "--dpi takes"},
      {{"--zoom", "17"}, "--zoom takes"},
      {{"--os", "ce9"}, "--os takes"},
      {{"--clock", "25:00:00"}, "--clock takes"},
      {{"--profile", ""}, "--profile needs a folder"},
      {{"--mute=yes"}, "--mute takes no value"},
      {{"--font-smoothing", "subpixel"}, "--font-smoothing takes grey or cleartype"},
  };
  for (const Case &c : cases) {
    const std::string error = Refusal(c.args);
    EXPECT_NE(error.find(c.mentions), std::string::npos) << error;
  }
}

std::vector<ScriptCommand> Script(const std::string &text) {
  std::vector<ScriptCommand> commands;
  std::string error;
  EXPECT_TRUE(platform::ParseScript(text, &commands, &error)) << error;
  return commands;
}

TEST(ScriptParser, EveryCommandWithItsLineNumber) {
  const auto c = Script("# a game\n"
                        "tap 120 200\n"
                        "\n"
                        "  down 5 240\r\n"
                        "up\t6\t241\n"
                        "wait 300\n"
                        "key ctrl+q\n"
                        "rotate\n"
                        "screenshot shots/first one.png  \n"
                        "CLOSE\n");
  const struct {
    ScriptVerb verb;
    int line;
  } expected[] = {{ScriptVerb::Tap, 2},        {ScriptVerb::Down, 4},  {ScriptVerb::Up, 5},
                  {ScriptVerb::Wait, 6},       {ScriptVerb::Key, 7},   {ScriptVerb::Rotate, 8},
                  {ScriptVerb::Screenshot, 9}, {ScriptVerb::Close, 10}};
  ASSERT_EQ(c.size(), std::size(expected));
  for (std::size_t i = 0; i < c.size(); ++i) {
    EXPECT_EQ(c[i].verb, expected[i].verb) << i;
    EXPECT_EQ(c[i].line, expected[i].line) << i;
  }
  EXPECT_TRUE(c[0].point.x == 120 && c[0].point.y == 200);
  EXPECT_EQ(c[2].point.y, 241);
  EXPECT_EQ(c[3].ms, 300u);
  EXPECT_TRUE(c[4].key == 'Q' && c[4].modifiers == FCONTROL);
  EXPECT_EQ(c[6].path, "shots/first one.png");
}

TEST(ScriptParser, BadLinesAreNamedByNumber) {
  struct Case {
    const char *text;
    const char *error;
  };
  const std::string endless = "tap 1 2\n#" + std::string(platform::kLongestLine, 'x') + "\n";
  const Case cases[] = {
      {"tap 1 2\njump 3\n", "line 2: unknown command 'jump'"},
      {endless.c_str(), "line 2: longer than 4096 characters"},
      {"tap 1\n", "line 1: expected: tap X Y"},
      {"tap -1 2\n", "line 1: coordinates must be whole numbers"},
      {"tap 65536 2\n", "line 1: coordinates must be whole numbers"},
      {"wait\n", "line 1: expected: wait MS"},
      {"wait 99999999999999999999\n", "line 1: wait takes milliseconds"},
      {"wait 86400001\n", "line 1: wait takes milliseconds"},
      {"key hyper+q\n", "line 1: unknown key 'hyper+q'"},
      {"key f13\n", "line 1: unknown key"},
      {"rotate now\n", "line 1: expected: rotate"},
      {"close the game\n", "line 1: expected: close"},
      {"wheel 0\n", "line 1: wheel takes notches from -100 to 100 but not 0"},
      {"tap 1 2\n\x01\x02\n", "line 2: unknown command '?"
                              "?'"},
  };
  for (const Case &c : cases) {
    std::vector<ScriptCommand> commands;
    std::string error;
    EXPECT_FALSE(platform::ParseScript(c.text, &commands, &error)) << c.text;
    EXPECT_EQ(error.rfind(c.error, 0), 0u) << "got: " << error;
    EXPECT_TRUE(commands.empty());
  }
}

TEST(ScriptParser, KeyNames) {
  struct Case {
    const char *name;
    UINT key;
    BYTE modifiers;
  };
  const Case cases[] = {
      {"ctrl+q", 'Q', FCONTROL},
      {"return", VK_RETURN, 0},
      {"escape", VK_ESCAPE, 0},
      {"shift+alt+f12", VK_F12, FSHIFT | FALT},
      {"7", '7', 0},
      {"control+shift+left", VK_LEFT, FCONTROL | FSHIFT},
  };
  for (const Case &c : cases) {
    UINT key = 0;
    BYTE modifiers = 0xFF;
    ASSERT_TRUE(platform::ParseKeyName(c.name, &key, &modifiers)) << c.name;
    EXPECT_EQ(key, c.key) << c.name;
    EXPECT_EQ(modifiers, c.modifiers) << c.name;
  }
}

} // namespace
