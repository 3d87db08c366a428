#pragma once
// Game controllers through SDL's controller layer, which names the buttons of
// hundreds of pads alike (its built-in mapping database, plus a file of the
// reader's). Pads may come and go at any time and several may be open; each
// is known by a number that stays its own while it is plugged in.
//
// Nothing here waits or keeps a thread: the host calls Poll() when it likes,
// often while a pad is open and seldom (or when the device folder changes)
// while none is, so an idle program stays asleep.
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "platform/Pad.h"

typedef struct _SDL_GameController SDL_GameController;
typedef struct _SDL_Joystick SDL_Joystick;

namespace korvana {

class SdlPads {
 public:
  struct Event {
    enum Kind { Added, Removed, Down, Up } kind;
    int32_t pad = 0;
    PadButton button = PadButton::A;
  };

  // The stick or a trigger counts as pressed past kPressAt and as let go
  // below kReleaseAt (of 32767): a stick resting near the edge does not
  // chatter.
  static constexpr int kPressAt = 16000;
  static constexpr int kReleaseAt = 8000;

  SdlPads() = default;
  ~SdlPads();
  SdlPads(const SdlPads&) = delete;
  SdlPads& operator=(const SdlPads&) = delete;

  // Starts SDL's controller layer and opens the pads already plugged in
  // (reported by the first Poll). `mappingFile`, when it names a readable
  // file of mapping lines, adds to the built-in database. False, with
  // Error() saying why, when the layer cannot start.
  bool Start(const std::string& mappingFile = {});
  bool Started() const { return started_; }
  const std::string& Error() const { return error_; }

  // A pad made in software and driven by lines read from the pipe or file
  // at `commands` ("a" presses and lets go of A; "+lt" holds LT, "-lt" lets
  // it go; names as PadButtonName gives them): a machine without a pad can
  // try every mapping in the real window. False, with Error(), when SDL
  // cannot make it or the pipe cannot be opened.
  bool AttachVirtualPad(const std::string& commands);

  // Everything the pads did since the last call, in order.
  std::vector<Event> Poll();
  int OpenPads() const { return static_cast<int>(pads_.size()); }
  // The pad's name as SDL knows it; empty for one that is not open.
  std::string Name(int32_t pad) const;

 private:
  struct Pad {
    SDL_GameController* controller = nullptr;
    // Which directions the stick and the triggers hold down now.
    bool up = false, down = false, left = false, right = false, lt = false, rt = false;
  };
  void Add(int deviceIndex, std::vector<Event>& out);
  void Remove(int32_t pad, std::vector<Event>& out);
  void Axis(int32_t pad, int axis, int value, std::vector<Event>& out);

  // Applies the lines the virtual pad's pipe holds now.
  void DriveVirtualPad();

  bool started_ = false;
  std::string error_;
  std::map<int32_t, Pad> pads_;
  SDL_Joystick* virtualPad_ = nullptr;
  int virtualCommands_ = -1;
  std::string virtualLine_;
  // Buttons pressed by a plain name, let go at the next poll.
  std::vector<int> virtualTaps_;
};

// SDL's button or axis numbers in our names; false for the ones we leave
// alone (the guide button, the right stick, the paddles).
bool PadButtonOfSdlButton(int sdlButton, PadButton& out);

}  // namespace korvana
