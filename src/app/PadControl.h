#pragma once
// The game controllers in the window: SDL finds the pads and reads them,
// PadInput turns their buttons into the reader's actions, and this class
// carries those out on the window, the engine and the pop-up menu.
//
// It stays asleep while no pad is plugged in: it looks for pads only when
// the device folder changes (its parent is watched until it exists; where
// neither can be watched, it looks every kIdleLookMs), and reads them every kPollMs only while one is open.
#include <QFileSystemWatcher>
#include <QObject>
#include <QString>
#include <QTimer>
#include <functional>
#include <map>
#include <memory>

#include "backends/sdl/SdlPads.h"
#include "config/PadMapping.h"
#include "script/PadInput.h"

namespace korvana {

class MainWindow;
class QtPlatform;

class PadControl : public QObject, private PadTarget {
  Q_OBJECT

 public:
  static constexpr int kPollMs = 16;
  static constexpr int kIdleLookMs = 2000;

  // `mapping` is asked for the reader's mapping at every press, so that a
  // change made in the settings dialog holds from the next press on.
  PadControl(MainWindow& window, QtPlatform& platform,
             std::function<config::PadMapping()> mapping);
  ~PadControl() override;

  // Begins to look for pads in `deviceFolder` (where Linux makes the nodes
  // of input devices as they are plugged in). SDL's controller layer starts
  // with the reader's extra mappings, if that file exists, once the folder
  // exists (at once for the virtual pad); false when SDL cannot.
  bool Start(const std::string& mappingFile, const QString& deviceFolder = "/dev/input");
  // Whether SDL's controller layer has started.
  bool Listening() const { return sdl_.Started(); }

  // What a pad did, as SdlPads reports it; tests hand in their own.
  void Deliver(const SdlPads::Event& event);
  // Sends the direction repeats that are due.
  void Tick();
  // Pads open now, and whether the fast reading runs.
  int OpenPads() const { return static_cast<int>(inputs_.size()); }
  bool Polling() const { return pollTimer_.isActive(); }

 private:
  bool StartSdl();
  void Poll();
  void LookSoon();
  void Follow();
  // PadTarget
  void PadClick() override;
  void PadMenu() override;
  void PadMenuItem(const char* name) override;
  void PadArrow(Key key) override;
  void PadSkip(bool held) override;
  bool PadInView(config::PadAction action) override;

  MainWindow& window_;
  QtPlatform& platform_;
  std::function<config::PadMapping()> mapping_;
  SdlPads sdl_;
  std::string mappingFile_;
  QString deviceFolder_;
  bool sdlTried_ = false;
  std::map<int32_t, std::unique_ptr<PadInput>> inputs_;
  QTimer pollTimer_;
  QTimer idleTimer_;
  QFileSystemWatcher devices_;
};

}  // namespace korvana
