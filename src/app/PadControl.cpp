#include "PadControl.h"

#include <QApplication>
#include <QCursor>
#include <QFileInfo>
#include <QMenu>
#include <QWidget>
#include <cstdlib>

#include "MainWindow.h"
#include "PadDialogs.h"
#include "QtPlatform.h"
#include "script/Engine.h"

namespace korvana {

namespace {

// Times after a change of the device folder at which to look for a new pad:
// the node comes before its permissions are set and before SDL has been told
// (where SDL has no device events of its own, it looks every 3 s).
constexpr int kLookAfterChangeMs[] = {0, 300, 1000, 2500, 4000};

}  // namespace

PadControl::PadControl(MainWindow& window, QtPlatform& platform,
                       std::function<config::PadMapping()> mapping)
    : window_(window), platform_(platform), mapping_(std::move(mapping)) {
  pollTimer_.setInterval(kPollMs);
  connect(&pollTimer_, &QTimer::timeout, this, [this] {
    Poll();
    Tick();
  });
  idleTimer_.setInterval(kIdleLookMs);
  connect(&idleTimer_, &QTimer::timeout, this, [this] { Poll(); });
  connect(&devices_, &QFileSystemWatcher::directoryChanged, this, [this](const QString& folder) {
    // Before the device folder exists its parent is watched, until it comes.
    if (folder != deviceFolder_ && !devices_.directories().contains(deviceFolder_)) {
      if (!devices_.addPath(deviceFolder_)) return;
      devices_.removePath(folder);
    }
    LookSoon();
  });
}

PadControl::~PadControl() = default;

bool PadControl::Start(const std::string& mappingFile, const QString& deviceFolder) {
  mappingFile_ = mappingFile;
  deviceFolder_ = deviceFolder;
  // A pad made in software, for trying the pad where there is none (the
  // variable names a pipe its buttons are written to).
  const char* commands = std::getenv("KORVANA_VIRTUAL_PAD");
  const bool virtualPad = commands && *commands;
  // Without the device folder no pad can be there yet: SDL, its controller
  // layer and its libraries wait until the folder comes.
  if ((virtualPad || QFileInfo(deviceFolder_).isDir()) && !StartSdl()) return false;
  if (virtualPad && !sdl_.AttachVirtualPad(commands))
    qWarning("virtual pad: %s", sdl_.Error().c_str());
  // Where neither the folder nor its parent can be watched, a look now and
  // then is the one way to see a pad come.
  if (!devices_.addPath(deviceFolder_) && !devices_.addPath(QFileInfo(deviceFolder_).path()))
    idleTimer_.start();
  Poll();
  return true;
}

bool PadControl::StartSdl() {
  if (sdl_.Started()) return true;
  // Tried once: a layer that cannot start is not tried at every look.
  if (sdlTried_) return false;
  sdlTried_ = true;
  return sdl_.Start(mappingFile_);
}

void PadControl::LookSoon() {
  for (int ms : kLookAfterChangeMs) QTimer::singleShot(ms, this, [this] { Poll(); });
}

void PadControl::Poll() {
  if (!sdl_.Started() && (!QFileInfo(deviceFolder_).isDir() || !StartSdl())) return;
  for (const SdlPads::Event& event : sdl_.Poll()) Deliver(event);
}

void PadControl::Follow() {
  // Read often only while a pad is there to read.
  if (inputs_.empty())
    pollTimer_.stop();
  else if (!pollTimer_.isActive())
    pollTimer_.start();
}

void PadControl::Deliver(const SdlPads::Event& event) {
  const uint32_t now = platform_.TickCount();
  switch (event.kind) {
    case SdlPads::Event::Added:
      if (!inputs_.count(event.pad))
        inputs_[event.pad] =
            std::make_unique<PadInput>(static_cast<PadTarget&>(*this), mapping_());
      break;
    case SdlPads::Event::Removed:
      // Whatever the pad held is let go; the story goes on as it was.
      if (auto it = inputs_.find(event.pad); it != inputs_.end()) {
        it->second->ReleaseAll();
        inputs_.erase(it);
      }
      break;
    case SdlPads::Event::Down: {
      auto it = inputs_.find(event.pad);
      if (it == inputs_.end()) break;
      window_.HidePointerForPad();
      // A dialog or the pop-up menu over the story takes the buttons as
      // they are; the story's mapping is not theirs.
      if (QApplication::activeModalWidget() || QApplication::activePopupWidget()) {
        HandlePadInDialogs(event.button);
        break;
      }
      const config::PadMapping mapping = mapping_();
      if (mapping != it->second->Mapping()) it->second->SetMapping(mapping);
      it->second->Press(event.button, now);
      break;
    }
    case SdlPads::Event::Up:
      if (auto it = inputs_.find(event.pad); it != inputs_.end())
        it->second->Release(event.button, now);
      break;
  }
  Follow();
}

void PadControl::Tick() {
  const uint32_t now = platform_.TickCount();
  for (auto& [id, input] : inputs_) input->Tick(now);
}

void PadControl::PadClick() {
  InputSink* sink = platform_.sink();
  if (!sink) return;
  const QPoint p = window_.ToPicture(window_.mapFromGlobal(QCursor::pos()));
  sink->OnMouseDown(p.x(), p.y(), MouseButton::Left);
  // The release comes as a message of its own, as a mouse's does.
  QTimer::singleShot(0, this, [this, p] {
    if (InputSink* sink = platform_.sink()) {
      sink->OnClick(p.x(), p.y());
      sink->OnMouseUp(p.x(), p.y(), MouseButton::Left);
    }
  });
}

void PadControl::PadMenu() {
  // As the right mouse button: the story hears of the press (it closes the
  // log and the views), then the menu opens where the story allows it.
  QPoint at = window_.mapFromGlobal(QCursor::pos());
  if (InputSink* sink = platform_.sink()) {
    const QPoint p = window_.ToPicture(at);
    sink->OnMouseDown(p.x(), p.y(), MouseButton::Right);
  }
  if (!platform_.PopupEnabled()) return;
  // At the pointer while it is over the window, else in the window's middle.
  if (!window_.rect().contains(at)) at = window_.rect().center();
  QMenu* menu = window_.PopupMenu1();
  menu->popup(window_.mapToGlobal(at) - QPoint(menu->sizeHint().width() / 2, 0));
}

void PadControl::PadMenuItem(const char* name) {
  // As the item's shortcut: an item the story greyed out does nothing.
  // Items that open a dialog or a view wait inside it; run from a timer's
  // slot they would keep that timer, and so the pad, from firing until they
  // end. From the event loop they leave it free.
  const QString item = QString::fromLatin1(name);
  QTimer::singleShot(0, this, [this, item] {
    if (QAction* action = window_.Item(item); action && action->isEnabled()) action->trigger();
  });
}

void PadControl::PadArrow(Key key) {
  if (InputSink* sink = platform_.sink()) sink->OnKey(key);
}

void PadControl::PadSkip(bool held) {
  platform_.SetCtrlHeld(held);
  if (InputSink* sink = platform_.sink()) sink->OnCtrl(held);
}

bool PadControl::PadInView(config::PadAction action) {
  return window_.Story().PadInLogScreen(action);
}

}  // namespace korvana
