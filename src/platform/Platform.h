#pragma once
// The engine's doors to the outside world, one narrow interface each. The
// Qt shell implements them for the real window; backends/headless implements
// them with a virtual clock and scripted input for tests and
// `korvana --headless`. Subsystems take only the doors they use, so a test
// can replace one without faking the rest.
#include "platform/Audio.h"
#include "platform/Dialogs.h"
#include "platform/Input.h"
#include "platform/Machine.h"
#include "platform/Movie.h"
#include "platform/Observer.h"
#include "platform/Pump.h"
#include "platform/Speech.h"
#include "platform/Window.h"

namespace korvana {

struct Platform {
  Pump& pump;
  Window& window;
  Dialogs& dialogs;
  Audio& audio;
  Movie& movie;
  Observer& observer;
  Machine& machine;
  // The reader's speech and text out.
  Speech& speech;
  TextOut& textOut;

  // Every door from one object that implements them all.
  template <typename All>
  static Platform Of(All& all) {
    return Platform{all, all, all, all, all, all, all, all, all};
  }
};

// A platform that implements every door in one object, as the window and the
// headless platform do.
class AllDoors : public Pump,
                 public Window,
                 public Dialogs,
                 public Audio,
                 public Movie,
                 public Observer,
                 public Machine,
                 public Speech,
                 public TextOut {
 public:
  Platform Doors() { return Platform::Of(*this); }
};

}  // namespace korvana
