#pragma once
// The main window: shows BackImage at a whole-number scale of the screen's
// device pixels with sharp pixels (or as the reader's display settings
// choose), hands mouse and keys to the engine, and holds the pop-up menu.
#include <QAction>
#include <QFileSystemWatcher>
#include <QImage>
#include <QLabel>
#include <QMenu>
#include <QPointer>
#include <QScreen>
#include <QPainter>
#include <QTimer>
#include <QWidget>
#include <functional>
#include <map>

#include "PicturePlacement.h"
#include "config/ReaderSettings.h"
#include "config/Settings.h"
#include "core/Errors.h"
#include "platform/Platform.h"
#include "script/MenuTable.h"

namespace korvana {

class Engine;
class QtPlatform;

class MainWindow : public QWidget {
  Q_OBJECT

 public:
  // `readerFile`, when given, is where the settings dialog writes the
  // reader's settings.
  MainWindow(Engine& engine, QtPlatform& platform, config::Settings& settings,
             config::ReaderSettingsFile* readerFile = nullptr);
  ~MainWindow() override;

  // Runs the story from the first idle moment; returns when it ends (the
  // window stays open) or the program is to end.
  void StartStory();
  // Starts the story at the first idle moment after the window's first frame
  // is on the screen: the window appears at once, and what only the story
  // needs (music and its sound font, the script, pictures, glyphs) comes
  // after. A window the system never shows (started minimised) starts it
  // after kUnshownStartMs.
  // Runs once, after the first frame and before the story starts: work
  // the window need not wait for (the pads' start) is done here.
  std::function<void()> beforeStory;
  void StartStoryWhenShown();
  static constexpr int kUnshownStartMs = 250;
  bool FirstFrameShown() const { return firstFrameShown_; }

  void SetStoryCursor(Cursor cursor);
  void SetItemEnabled(MenuItem item, bool enabled);
  void SetItemChecked(MenuItem item, bool checked);
  // The menu item by its name ("Msave", "Kfullscr" …) or by its id.
  QAction* Item(const QString& name) const;
  QAction* Item(MenuItem item) const;
  QMenu* PopupMenu1() const { return popup_; }
  // The whole factor, in device pixels, the window is sized for on its
  // screen.
  int Scale() const { return scale_; }
  // Where a window point falls on the 640 × 480 picture.
  QPoint ToPicture(QPoint windowPoint) const;
  QPoint ToPicture(QPointF windowPoint) const;
  // The window point at the middle of a picture pixel.
  QPoint FromPicture(QPoint picturePoint) const;
  // Repaints the window over this rectangle of the picture.
  void UpdatePicture(const QRect& pictureRect);
  // Device pixels per picture pixel, rounded up to a whole number: the size
  // at which a movie is decoded.
  int PictureScale() const;
  // Where, how large and through which filter the picture is shown now.
  PicturePlacement Placement() const;
  // The reader's display switches; the picture follows at once.
  void SetScaling(ScalingChoice choice);
  ScalingChoice Scaling() const { return scaling_; }
  // The window is on another screen, or its screen's pixel ratio changed:
  // the whole factor is worked out again in the new device pixels.
  void AdaptToScreen();
  // The window rectangle that a rectangle of the picture covers.
  QRect ToWindow(const QRect& pictureRect) const;

  // The engine asked to end from inside a window handler: a story that runs
  // unwinds at its next pump; otherwise the program ends here, saving first
  // when the exit says so.
  void HandleExit(const EngineExit& exit);
  // "プログラム終了" of the debug window: exit code 0 at once, without the
  // close question and without writing settings.
  void EndProgramNow() { HandleExit(EngineExit{0, false}); }
  // "ここから実行" after the story ended: it runs again from the label, from
  // its own event (the debug window's handler returns first).
  void RunStoryAgain();
  // The application's error handler: an error that escaped a window handler
  // is shown and reported like one that escaped the story.
  void ReportError(const std::exception& error);

  // While a movie plays it covers the picture: black, with `frame`
  // stretched over `pictureRect` (picture pixels) and cut at the picture's
  // edge. A null frame or an empty rectangle shows black alone.
  void ShowMovie(const QImage& frame, const QRect& pictureRect);
  // The picture again.
  void HideMovie();

  // A short note in the picture's top-right corner, on a translucent plate,
  // for kNoteMs; a second note replaces the first. It is a widget over the
  // window, never drawn into the picture.
  void ShowNote(const QString& text);
  static constexpr int kNoteMs = 2000;
  QLabel* Note() const { return note_; }

  // "設定…": the reader's settings dialog; OK applies and keeps them.
  void OpenReaderSettings();

  // The pointer hides while the reader uses a game controller and comes back
  // when the mouse moves; the story's own moves of it (a choice followed
  // with the d-pad) do not bring it back.
  void HidePointerForPad();
  bool PointerHiddenForPad() const { return pointerHiddenForPad_; }
  // The story moved the pointer here (global coordinates).
  void PointerMovedByStory(QPoint global) { storyPointer_ = global; }
  Engine& Story() const { return engine_; }

 protected:
  bool event(QEvent* event) override;
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void keyReleaseEvent(QKeyEvent* event) override;
  void wheelEvent(QWheelEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  // Runs the story through `run`, an engine exit handled as the story's.
  void RunStory(const std::function<void()>& run);
  void BuildMenu();
  // A menu item chosen: the window's part of it, then the engine's.
  void RunItem(const MenuRow& row);
  void ToggleFrame();
  void ToggleFullScreen();
  // Whether the window now covers its screen, after the window system has had
  // a moment to act.
  bool CoversScreen();
  void PlaceWindow();
  // Centres the window with its frame, as far as the frame is known.
  void CentreFrame();
  void AfterMenuAction();
  void StartPendingStory();
  void RunNestedWait(const std::function<void()>& view);
  void PaintMovie(QPainter& painter, const QRect& exposed);

  Engine& engine_;
  QtPlatform& platform_;
  config::Settings& settings_;
  QMenu* popup_ = nullptr;
  std::map<QString, QAction*> items_;
  int scale_ = 1;
  ScalingChoice scaling_;
  // Placed before the window manager framed it (PlaceWindow).
  bool centreWhenFramed_ = false;
  bool storyRunning_ = false;
  bool closing_ = false;
  bool firstFrameShown_ = false;
  bool storyPending_ = false;
  bool movieShown_ = false;
  QImage movieFrame_;
  QRect movieRect_;
  config::ReaderSettingsFile* readerFile_;
  QLabel* note_ = nullptr;
  QTimer noteTimer_;
  // The screen whose changes of scale and free area AdaptToScreen follows.
  void WatchScreen();
  QPointer<QScreen> watched_;
  QMetaObject::Connection watchScale_, watchArea_;
  void PlaceNote();
  // Logical window pixels per picture pixel, for what is drawn over the
  // picture at its size.
  qreal LogicalScale() const;
  Cursor storyCursor_ = Cursor::Pen;
  bool pointerHiddenForPad_ = false;
  QPoint storyPointer_;

  // The author's reload when the running script's file changes (debug mode,
  // unless the reader turned it off). Editors save in bursts (several
  // writes, or a copy renamed over the file): the reload waits until the
  // folder has been quiet for kScriptSettleMs, and only a file whose lines
  // differ from those running is read, so the program's own saves in the
  // same folder change nothing.
  static constexpr int kScriptSettleMs = 300;
  void FollowRunningScript();
  void ScriptSettled();
  QFileSystemWatcher* scriptWatcher_ = nullptr;
  QTimer scriptSettle_, scriptFollow_;
};

}  // namespace korvana
