#pragma once
// The platform in a real window: Qt's event loop is the message pump, Qt's
// dialogs are the boxes, MainWindow shows BackImage.
#include <QElapsedTimer>
#include <QObject>
#include <QPointer>
#include <QRect>
#include <QTimer>
#include <functional>
#include <optional>

#include "QtMovie.h"
#include "QtSpeech.h"
#include "QtTextOut.h"
#include "backends/linux/LinuxMachine.h"
#include "backends/sdl/SdlAudio.h"
#include "core/Errors.h"
#include "platform/Platform.h"

namespace korvana {

// The open dialog "実行ファイル指定" for a start script, opened in `folder`;
// the chosen file, or empty when cancelled.
QString ChooseScriptFile(QWidget* parent, const QString& folder);

class DebugWindow;
class SlotDialog;
class FontDialog;
class MainWindow;
class ReaderSettingsDialog;
class VersionDialog;

class QtPlatform : public QObject,
                   public Pump,
                   public Window,
                   public Dialogs,
                   public Movie,
                   public Observer,
                   public LinuxMachine {
  Q_OBJECT

 public:
  QtPlatform();
  ~QtPlatform() override;
  void Attach(MainWindow* window);
  // The doors the engine gets: this object, and for audio the SDL_mixer
  // player itself (ends posted to this thread; without a device every open
  // fails and the story goes on in silence).
  Platform Doors() {
    return Platform{*this, *this, *this, audio_, *this, *this, *this, speech_, textOut_};
  }

  // Pump
  uint32_t TickCount() override;
  void ProcessMessages() override;
  void WaitMessage(int64_t timeoutMs) override;
  void SetTimer1(bool enabled) override;
  bool Timer1Enabled() override { return timer1On_; }
  void SetTimer1Visible(bool visible) override;
  LocalTime Now() override;
  uint32_t RandomSeed() override;

  // Dialogs
  BoxAnswer MessageBox(const std::string& text, const std::string& caption, BoxButtons buttons,
                       BoxIcon icon) override;
  void ShowException(const std::string& message) override;
  bool InputBox(const std::string& caption, const std::string& prompt, std::string& text) override;
  bool OpenScriptDialog(std::string& path) override;
  bool SaveFolderDialog(std::string& file) override;
  bool SlotDialog(SlotMode mode, const std::vector<SlotEntry>& entries, int& slot) override;
  bool FontDialog(FontChoice& choice) override;
  void VersionDialog(const VersionInfo& info) override;
  void ShowDebugWindow(DebugSource& source) override;
  void DebugListChanged(DebugList list, int line) override;

  // Window
  void SetInputSink(InputSink* sink) override {
    sink_ = sink;
    audio_.SetSink(sink);
  }
  void SetScreen(const Picture* screen) override { screen_ = screen; }
  void SetCaption(const std::string& caption) override;
  void SetCursor(Cursor cursor) override;
  void SetPopupEnabled(bool enabled) override { popupEnabled_ = enabled; }
  bool PopupEnabled() override { return popupEnabled_; }
  void SetMenuItemEnabled(MenuItem item, bool enabled) override;
  void SetMenuItemChecked(MenuItem item, bool checked) override;
  void InvalidateScreen() override;
  void InvalidateRect(int x, int y, int w, int h) override;
  int ColorDepth() override;
  void RequestClose() override;
  bool MovePointer(int x, int y) override;
  // Over the picture, for a moment; never part of BackImage.
  void ShowNote(const std::string& text) override;

  // Movie
  bool Play(const std::string& path, int x, int y, int w, int h) override {
    return movie_.Play(path, x, y, w, h);
  }
  void Stop() override { movie_.Stop(); }

  // Observer: only the start-up probe's mark (bench/idle_probe.sh).
  void ClickWaitStarted() override;

  InputSink* sink() const { return sink_; }
  // Ctrl held in the window: a click wait notices at the timer's ticks when
  // it has been held long enough, so they run while it is held.
  void SetCtrlHeld(bool held);
  // Whether the timer wakes the window now (tests).
  bool Timer1Ticking() const { return timer1_.isActive(); }
  const Picture* screen() const { return screen_; }
  // The close question was answered OK while the story runs: the next pump
  // unwinds the engine so that it can save and end.
  void RequestQuit() { quitRequested_ = true; }
  // An exit raised by engine code that ran inside a window handler (a menu
  // action) cannot unwind through the window system: it is kept and raised
  // by the next pump instead.
  void DeferExit(const EngineExit& exit) { deferredExit_ = exit; }
  const std::string& caption() const { return caption_; }
  // Tests give the player their clock and sound here.
  QtMovie& movie() { return movie_; }
  // The reader's speech and text out; the settings they follow.
  QtSpeech& speech() { return speech_; }
  QtTextOut& textOut() { return textOut_; }
  void ApplyReaderSettings(const config::ReaderSettings& settings);

  // The one save/load dialog, made on first use over the main window; it
  // keeps the page last shown for the whole run. Tests drive it from here.
  korvana::SlotDialog* SlotForm();
  // The other forms of the shell, made on first use over the main window in
  // the same way. The debug window, once shown, stays current while hidden.
  korvana::FontDialog* FontForm();
  korvana::VersionDialog* VersionForm();
  DebugWindow* DebugForm();
  // The reader's settings dialog ("設定"), made like the forms above.
  ReaderSettingsDialog* SettingsForm();

  // Tests answer boxes here instead of showing them.
  std::function<BoxAnswer(const std::string& text, const std::string& caption, BoxButtons, BoxIcon)>
      boxHook;

 private:
  void CheckQuit();
  QWidget* Parent() const;

  MainWindow* window_ = nullptr;
  // The form in `form`, made over the main window when missing, and moved
  // over it when the window changed.
  template <typename Form>
  Form* OwnedForm(QPointer<Form>& form);
  QPointer<korvana::SlotDialog> slotForm_;
  QPointer<korvana::FontDialog> fontForm_;
  QPointer<korvana::VersionDialog> versionForm_;
  QPointer<DebugWindow> debugForm_;
  QPointer<ReaderSettingsDialog> settingsForm_;
  InputSink* sink_ = nullptr;
  QtSpeech speech_;
  QtTextOut textOut_;
  bool speakOn_ = false;
  const Picture* screen_ = nullptr;
  QTimer timer1_;
  bool timer1On_ = false, timer1Visible_ = true, ctrlHeld_ = false;
  // Runs the timer when it is on and its ticks show something or Ctrl waits
  // for them.
  void FollowTimer1();
  static constexpr qint64 kFrameMs = 16;
  QElapsedTimer frameClock_;
  qint64 lastRepaint_ = -kFrameMs;
  bool repaintPending_ = false;
  // The part of BackImage changed since the last repaint, in picture pixels.
  QRect dirty_;
  void ScheduleRepaint();
  bool popupEnabled_ = true;
  bool quitRequested_ = false;
  std::optional<EngineExit> deferredExit_;
  std::string caption_ = "Korvana";
  bool clickWaitSeen_ = false;
  SdlAudio audio_;
  QtMovie movie_;
};

}  // namespace korvana
