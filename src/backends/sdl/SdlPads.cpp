#include "backends/sdl/SdlPads.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstdlib>

#include "core/SdlLibrary.h"

namespace korvana {

bool PadButtonOfSdlButton(int sdlButton, PadButton& out) {
  switch (sdlButton) {
    case SDL_CONTROLLER_BUTTON_A:
      out = PadButton::A;
      return true;
    case SDL_CONTROLLER_BUTTON_B:
      out = PadButton::B;
      return true;
    case SDL_CONTROLLER_BUTTON_X:
      out = PadButton::X;
      return true;
    case SDL_CONTROLLER_BUTTON_Y:
      out = PadButton::Y;
      return true;
    case SDL_CONTROLLER_BUTTON_LEFTSHOULDER:
      out = PadButton::LB;
      return true;
    case SDL_CONTROLLER_BUTTON_RIGHTSHOULDER:
      out = PadButton::RB;
      return true;
    case SDL_CONTROLLER_BUTTON_START:
      out = PadButton::Start;
      return true;
    case SDL_CONTROLLER_BUTTON_BACK:
      out = PadButton::Back;
      return true;
    case SDL_CONTROLLER_BUTTON_DPAD_UP:
      out = PadButton::Up;
      return true;
    case SDL_CONTROLLER_BUTTON_DPAD_DOWN:
      out = PadButton::Down;
      return true;
    case SDL_CONTROLLER_BUTTON_DPAD_LEFT:
      out = PadButton::Left;
      return true;
    case SDL_CONTROLLER_BUTTON_DPAD_RIGHT:
      out = PadButton::Right;
      return true;
    default:
      return false;
  }
}

SdlPads::~SdlPads() {
  if (virtualCommands_ >= 0) ::close(virtualCommands_);
  if (!started_) return;
  if (virtualPad_) SDL_JoystickClose(virtualPad_);
  for (auto& [id, pad] : pads_) SDL_GameControllerClose(pad.controller);
  pads_.clear();
  SDL_QuitSubSystem(SDL_INIT_GAMECONTROLLER);
}

bool SdlPads::Start(const std::string& mappingFile) {
  if (started_) return true;
  if (!sdl::Load()) {
    error_ = "the SDL2 library cannot be loaded";
    return false;
  }
  // The window is Qt's: SDL must not take the signals the program handles,
  // and pads work whichever window has the focus (SDL has none of its own).
  SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
  SDL_SetHint(SDL_HINT_JOYSTICK_ALLOW_BACKGROUND_EVENTS, "1");
  if (SDL_InitSubSystem(SDL_INIT_GAMECONTROLLER) != 0) {
    error_ = SDL_GetError();
    return false;
  }
  started_ = true;
  if (!mappingFile.empty()) {
    // A missing or unreadable file of the reader's leaves the built-in
    // database alone.
    if (std::FILE* f = std::fopen(mappingFile.c_str(), "rb")) {
      std::fclose(f);
      SDL_GameControllerAddMappingsFromFile(mappingFile.c_str());
    }
  }
  return true;
}

bool SdlPads::AttachVirtualPad(const std::string& commands) {
  if (!started_ || virtualPad_) return virtualPad_ != nullptr;
  // Read without waiting: a pipe nobody writes to yet must not hold the
  // window.
  virtualCommands_ = ::open(commands.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (virtualCommands_ < 0) {
    error_ = "cannot open " + commands;
    return false;
  }
  SDL_VirtualJoystickDesc desc{};
  desc.version = SDL_VIRTUAL_JOYSTICK_DESC_VERSION;
  desc.type = SDL_JOYSTICK_TYPE_GAMECONTROLLER;
  desc.naxes = SDL_CONTROLLER_AXIS_MAX;
  desc.nbuttons = SDL_CONTROLLER_BUTTON_MAX;
  desc.name = "Korvana virtual pad";
  const int device = SDL_JoystickAttachVirtualEx(&desc);
  if (device >= 0) virtualPad_ = SDL_JoystickOpen(device);
  if (!virtualPad_) {
    error_ = SDL_GetError();
    return false;
  }
  // A trigger at rest is at the axis's lowest end.
  for (int axis : {SDL_CONTROLLER_AXIS_TRIGGERLEFT, SDL_CONTROLLER_AXIS_TRIGGERRIGHT})
    SDL_JoystickSetVirtualAxis(virtualPad_, axis, SDL_JOYSTICK_AXIS_MIN);
  return true;
}

void SdlPads::DriveVirtualPad() {
  for (int tap : virtualTaps_) {
    if (tap >= 0)
      SDL_JoystickSetVirtualButton(virtualPad_, tap, 0);
    else
      SDL_JoystickSetVirtualAxis(virtualPad_,
                                 -1 - tap == static_cast<int>(PadButton::LT)
                                     ? SDL_CONTROLLER_AXIS_TRIGGERLEFT
                                     : SDL_CONTROLLER_AXIS_TRIGGERRIGHT,
                                 SDL_JOYSTICK_AXIS_MIN);
  }
  virtualTaps_.clear();
  char buffer[256];
  for (ssize_t n; (n = ::read(virtualCommands_, buffer, sizeof buffer)) > 0;)
    virtualLine_.append(buffer, static_cast<size_t>(n));
  for (size_t end; (end = virtualLine_.find('\n')) != std::string::npos;) {
    std::string line = virtualLine_.substr(0, end);
    virtualLine_.erase(0, end + 1);
    const char how = line.empty() ? ' ' : line[0];
    const bool tap = how != '+' && how != '-';
    if (!tap) line.erase(0, 1);
    const std::optional<PadButton> wanted = ParsePadButton(line);
    if (!wanted) continue;
    const bool down = how != '-';
    if (*wanted == PadButton::LT || *wanted == PadButton::RT) {
      SDL_JoystickSetVirtualAxis(virtualPad_,
                                 *wanted == PadButton::LT ? SDL_CONTROLLER_AXIS_TRIGGERLEFT
                                                          : SDL_CONTROLLER_AXIS_TRIGGERRIGHT,
                                 // A trigger's whole travel is the axis's.
                                 down ? SDL_JOYSTICK_AXIS_MAX : SDL_JOYSTICK_AXIS_MIN);
      if (tap) virtualTaps_.push_back(-1 - static_cast<int>(*wanted));
      continue;
    }
    for (int b = 0; b < SDL_CONTROLLER_BUTTON_MAX; ++b) {
      PadButton named;
      if (!PadButtonOfSdlButton(b, named) || named != *wanted) continue;
      SDL_JoystickSetVirtualButton(virtualPad_, b, down ? 1 : 0);
      if (tap) virtualTaps_.push_back(b);
    }
  }
}

std::string SdlPads::Name(int32_t pad) const {
  const auto it = pads_.find(pad);
  if (it == pads_.end()) return {};
  const char* name = SDL_GameControllerName(it->second.controller);
  return name ? name : "";
}

void SdlPads::Add(int deviceIndex, std::vector<Event>& out) {
  if (!SDL_IsGameController(deviceIndex)) return;
  const SDL_JoystickID id = SDL_JoystickGetDeviceInstanceID(deviceIndex);
  if (id < 0 || pads_.count(id)) return;
  SDL_GameController* controller = SDL_GameControllerOpen(deviceIndex);
  if (!controller) return;
  pads_[id].controller = controller;
  out.push_back({Event::Added, id});
}

void SdlPads::Remove(int32_t pad, std::vector<Event>& out) {
  const auto it = pads_.find(pad);
  if (it == pads_.end()) return;
  SDL_GameControllerClose(it->second.controller);
  pads_.erase(it);
  out.push_back({Event::Removed, pad});
}

void SdlPads::Axis(int32_t id, int axis, int value, std::vector<Event>& out) {
  const auto it = pads_.find(id);
  if (it == pads_.end()) return;
  Pad& pad = it->second;
  // One held direction of an axis: pressed past kPressAt, let go below
  // kReleaseAt.
  auto hold = [&](bool& held, int amount, PadButton button) {
    if (!held && amount > kPressAt) {
      held = true;
      out.push_back({Event::Down, id, button});
    } else if (held && amount < kReleaseAt) {
      held = false;
      out.push_back({Event::Up, id, button});
    }
  };
  switch (axis) {
    case SDL_CONTROLLER_AXIS_LEFTX:
      hold(pad.left, -value, PadButton::Left);
      hold(pad.right, value, PadButton::Right);
      break;
    case SDL_CONTROLLER_AXIS_LEFTY:
      hold(pad.up, -value, PadButton::Up);
      hold(pad.down, value, PadButton::Down);
      break;
    case SDL_CONTROLLER_AXIS_TRIGGERLEFT:
      hold(pad.lt, value, PadButton::LT);
      break;
    case SDL_CONTROLLER_AXIS_TRIGGERRIGHT:
      hold(pad.rt, value, PadButton::RT);
      break;
    default:
      break;
  }
}

std::vector<SdlPads::Event> SdlPads::Poll() {
  std::vector<Event> out;
  if (!started_) return out;
  if (virtualPad_) DriveVirtualPad();
  SDL_PumpEvents();
  // Pads plugged in before the layer started come as added events too, but
  // only once the joystick layer has looked; opening by index catches them
  // either way, and Add ignores one already open.
  for (int i = 0, n = SDL_NumJoysticks(); i < n; ++i) Add(i, out);
  SDL_Event events[64];
  for (;;) {
    const int n =
        SDL_PeepEvents(events, 64, SDL_GETEVENT, SDL_CONTROLLERAXISMOTION, SDL_CONTROLLERDEVICEREMAPPED);
    if (n <= 0) break;
    for (int k = 0; k < n; ++k) {
      const SDL_Event& e = events[k];
      PadButton button;
      switch (e.type) {
        case SDL_CONTROLLERDEVICEADDED:
          Add(e.cdevice.which, out);
          break;
        case SDL_CONTROLLERDEVICEREMOVED:
          Remove(e.cdevice.which, out);
          break;
        case SDL_CONTROLLERBUTTONDOWN:
        case SDL_CONTROLLERBUTTONUP:
          if (pads_.count(e.cbutton.which) && PadButtonOfSdlButton(e.cbutton.button, button))
            out.push_back({e.type == SDL_CONTROLLERBUTTONDOWN ? Event::Down : Event::Up,
                           e.cbutton.which, button});
          break;
        case SDL_CONTROLLERAXISMOTION:
          Axis(e.caxis.which, e.caxis.axis, e.caxis.value, out);
          break;
        default:
          break;
      }
    }
  }
  // The raw joystick events and anything else SDL queued are not ours to
  // keep: a queue nobody empties fills up.
  SDL_FlushEvents(SDL_JOYAXISMOTION, SDL_JOYBATTERYUPDATED);
  return out;
}

}  // namespace korvana
