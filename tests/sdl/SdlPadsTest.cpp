// The window's pads through SDL, with a virtual controller standing in for a
// plugged-in one: it is found, its buttons, stick and triggers come out as
// our buttons, and pulling it out is reported.
#include <SDL.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "backends/sdl/SdlPads.h"

namespace korvana {
namespace {

std::string Describe(const std::vector<SdlPads::Event>& events) {
  std::string out;
  for (const SdlPads::Event& e : events) {
    const char* kinds[] = {"added", "removed", "down", "up"};
    out += kinds[e.kind];
    if (e.kind == SdlPads::Event::Down || e.kind == SdlPads::Event::Up)
      out += " " + std::string(PadButtonName(e.button));
    out += ";";
  }
  return out;
}

// A controller that SDL maps by itself, button for button.
struct VirtualPad {
  int device = -1;
  SDL_Joystick* joystick = nullptr;
  VirtualPad() {
    SDL_VirtualJoystickDesc desc{};
    desc.version = SDL_VIRTUAL_JOYSTICK_DESC_VERSION;
    desc.type = SDL_JOYSTICK_TYPE_GAMECONTROLLER;
    desc.naxes = SDL_CONTROLLER_AXIS_MAX;
    desc.nbuttons = SDL_CONTROLLER_BUTTON_MAX;
    desc.name = "Korvana test pad";
    device = SDL_JoystickAttachVirtualEx(&desc);
    if (device >= 0) joystick = SDL_JoystickOpen(device);
  }
  void Detach() {
    if (!joystick) return;
    const SDL_JoystickID id = SDL_JoystickInstanceID(joystick);
    SDL_JoystickClose(joystick);
    joystick = nullptr;
    for (int i = 0, n = SDL_NumJoysticks(); i < n; ++i)
      if (SDL_JoystickGetDeviceInstanceID(i) == id) SDL_JoystickDetachVirtual(i);
  }
  ~VirtualPad() { Detach(); }
};

TEST(SdlPads, AVirtualControllerIsFoundReadAndLost) {
  SdlPads pads;
  ASSERT_TRUE(pads.Start()) << pads.Error();
  EXPECT_EQ(Describe(pads.Poll()), "");
  VirtualPad pad;
  ASSERT_GE(pad.device, 0) << SDL_GetError();
  ASSERT_TRUE(pad.joystick) << SDL_GetError();
  EXPECT_EQ(Describe(pads.Poll()), "added;");
  EXPECT_EQ(pads.OpenPads(), 1);

  const struct {
    const char* what;
    int button = -1;  // an SDL button, or
    int axis = -1;    // an SDL axis
    int value = 0;
    const char* events;
  } rows[] = {
      {"A down", SDL_CONTROLLER_BUTTON_A, -1, 1, "down a;"},
      {"A up", SDL_CONTROLLER_BUTTON_A, -1, 0, "up a;"},
      {"Start", SDL_CONTROLLER_BUTTON_START, -1, 1, "down start;"},
      {"the d-pad", SDL_CONTROLLER_BUTTON_DPAD_LEFT, -1, 1, "down left;"},
      {"the guide button is not ours", SDL_CONTROLLER_BUTTON_GUIDE, -1, 1, ""},
      {"the stick a little down", -1, SDL_CONTROLLER_AXIS_LEFTY, 12000, ""},
      {"the stick far down", -1, SDL_CONTROLLER_AXIS_LEFTY, 30000, "down down;"},
      {"back a little, still held", -1, SDL_CONTROLLER_AXIS_LEFTY, 12000, ""},
      {"back to rest", -1, SDL_CONTROLLER_AXIS_LEFTY, 0, "up down;"},
      {"the stick right up over", -1, SDL_CONTROLLER_AXIS_LEFTY, -32768, "down up;"},
      {"the stick left", -1, SDL_CONTROLLER_AXIS_LEFTX, -20000, "down left;"},
      {"the right stick is not ours", -1, SDL_CONTROLLER_AXIS_RIGHTX, 32767, ""},
      {"the left trigger", -1, SDL_CONTROLLER_AXIS_TRIGGERLEFT, 32767, "down lt;"},
      // A trigger's axis runs from -32768 (let go) to 32767 (pressed
      // fully); its middle is half pressed.
      {"half let go, still held", -1, SDL_CONTROLLER_AXIS_TRIGGERLEFT, 0, ""},
      {"let go", -1, SDL_CONTROLLER_AXIS_TRIGGERLEFT, -32768, "up lt;"},
      {"the right trigger", -1, SDL_CONTROLLER_AXIS_TRIGGERRIGHT, 32767, "down rt;"},
  };
  for (const auto& r : rows) {
    SCOPED_TRACE(r.what);
    if (r.button >= 0)
      ASSERT_EQ(SDL_JoystickSetVirtualButton(pad.joystick, r.button, Uint8(r.value)), 0);
    else
      ASSERT_EQ(SDL_JoystickSetVirtualAxis(pad.joystick, r.axis, Sint16(r.value)), 0);
    EXPECT_EQ(Describe(pads.Poll()), r.events);
  }
  // Pulled out while buttons are held: each comes up, then the pad goes.
  pad.Detach();
  const std::string last = Describe(pads.Poll());
  EXPECT_NE(last.find("up start;"), std::string::npos) << last;
  EXPECT_NE(last.find("up rt;"), std::string::npos) << last;
  EXPECT_EQ(last.substr(last.size() - 8), "removed;") << last;
  EXPECT_EQ(pads.OpenPads(), 0);
}

TEST(SdlPads, TheVirtualPadPressesWhatItsLinesName) {
  // Lines written between two polls, and what the two polls after them
  // report: a plain name is a press let go at the next poll, "+" holds,
  // "-" lets go; a trigger travels its whole axis.
  const struct {
    const char* lines;
    const char* first;
    const char* second;
  } rows[] = {
      {"a\n", "down a;", "up a;"},
      {"+lt\n", "down lt;", ""},
      {"-lt\nrt\n", "up lt;down rt;", "up rt;"},
      {"+down\nnothing\n", "down down;", ""},
      {"-down\n", "up down;", ""},
      {"b", "", ""},  // a line not ended yet waits for its end
      {"\n", "down b;", "up b;"},
  };
  const std::string path = ::testing::TempDir() + "korvana-virtual-pad";
  std::FILE* commands = std::fopen(path.c_str(), "wb");
  ASSERT_TRUE(commands);
  SdlPads pads;
  ASSERT_TRUE(pads.Start()) << pads.Error();
  ASSERT_TRUE(pads.AttachVirtualPad(path)) << pads.Error();
  EXPECT_EQ(Describe(pads.Poll()), "added;");
  for (const auto& r : rows) {
    std::fputs(r.lines, commands);
    std::fflush(commands);
    EXPECT_EQ(Describe(pads.Poll()), r.first) << r.lines;
    EXPECT_EQ(Describe(pads.Poll()), r.second) << r.lines;
  }
  std::fclose(commands);
  std::remove(path.c_str());
}

}  // namespace
}  // namespace korvana
