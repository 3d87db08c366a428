#include "TFmain.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDeadlineTimer>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QScreen>
#include <QTimer>
#include <QWheelEvent>
#include <cstdio>
#include <cstdlib>
#include <ctime>

#include "Application.h"
#include "Cursors.h"
#include "Forms.h"
#include "QtPlatform.h"
#include "core/Cp932.h"
#include "core/ScreenSize.h"
#include "script/Engine.h"
#include "script/Startup.h"

namespace korvana {
namespace {

// The largest whole factor at which the window still fits the screen's
// free area with some room; 1 on small screens.
int ScaleFor(const QScreen* screen) {
  if (!screen) return 1;
  const QRect free = screen->availableGeometry();
  const int k =
      std::min((free.width() * 9 / 10) / kScreenWidth, (free.height() * 9 / 10) / kScreenHeight);
  return std::max(1, k);
}

}  // namespace

TFmain::TFmain(Engine& engine, QtPlatform& platform, config::Settings& settings)
    : engine_(engine), platform_(platform), settings_(settings) {
  setAttribute(Qt::WA_OpaquePaintEvent);
  setMouseTracking(true);
  setFocusPolicy(Qt::StrongFocus);
  setWindowFlags(Qt::Window | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                 Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                 Qt::WindowCloseButtonHint);
  scale_ = ScaleFor(screen());
  BuildMenu();
  platform_.Attach(this);
  SetStoryCursor(Cursor::Pen);
  PlaceWindow();
  if (Application* app = Application::Instance()) {
    app->onError = [this](const std::exception& error) { ReportError(error); };
    app->onExit = [this](const EngineExit& exit) { HandleExit(exit); };
  }
}

TFmain::~TFmain() {
  if (Application* app = Application::Instance()) {
    app->onError = nullptr;
    app->onExit = nullptr;
  }
  platform_.Attach(nullptr);
}

QAction* TFmain::AddItem(QMenu* menu, const char* name, const char* caption, const char* shortcut,
                         bool enabled, int checked) {
  auto* action = new QAction(QString::fromUtf8(caption), this);
  action->setObjectName(name);
  if (shortcut) action->setShortcut(QKeySequence(QString::fromUtf8(shortcut)));
  // Shortcuts work with the menu closed; a disabled item ignores its own.
  action->setShortcutContext(Qt::WindowShortcut);
  addAction(action);
  action->setEnabled(enabled);
  if (checked >= 0) {
    action->setCheckable(true);
    action->setChecked(checked != 0);
  }
  menu->addAction(action);
  items_[name] = action;
  return action;
}

void TFmain::BuildMenu() {
  popup_ = new QMenu(this);
  popup_->setObjectName("PopupMenu1");
  QMenu* display = popup_->addMenu(QStringLiteral("画面表示"));
  display->setObjectName("Mdisplay");
  QAction* hideImage = AddItem(display, "Khideimage", "背景を消す", "Ctrl+T", false);
  QAction* hideText = AddItem(display, "Khidetext", "文字を消す", "Ctrl+B", false);
  QAction* frame = AddItem(display, "Kwinmode", "画面の枠の表示", "Ctrl+W", true, 1);
  QAction* full = AddItem(display, "Kfullscr", "フルスクリーン表示", "Ctrl+G", true, 0);
  QAction* dark = AddItem(display, "Mdarkness", "背景を暗くする", "Ctrl+D", false,
                          settings_.BGDarkness ? 1 : 0);
  QMenu* option = popup_->addMenu(QStringLiteral("設定変更"));
  option->setObjectName("Moption");
  QAction* music = AddItem(option, "Kmusic", "音楽再生", "Ctrl+M", true, settings_.EnableMusic);
  QAction* sound = AddItem(option, "Ksound", "効果音再生", "Ctrl+V", true, settings_.EnableSound);
  QAction* fast =
      AddItem(option, "Ktxtwait", "高速文字表示", "Ctrl+H", true, settings_.HighSpeedText);
  QAction* page = AddItem(option, "Ktxtskip", "ページ単位表示", "Ctrl+P", true, settings_.SkipText);
  QAction* font = AddItem(option, "Kfont", "フォント設定", nullptr, true);
  QAction* save = AddItem(popup_, "Msave", "データ保存", "Ctrl+S", false);
  QAction* load = AddItem(popup_, "Mload", "データ読み込み", "Ctrl+L", false);
  QAction* back = AddItem(popup_, "Mback", "前の文章を読む", nullptr, true);
  QAction* title = AddItem(popup_, "Mtitle", "タイトルへ戻る", "Ctrl+R", false);
  QAction* version = AddItem(popup_, "Mversion", "バージョン情報", nullptr, true);
  QAction* exit = AddItem(popup_, "Mexit", "終了する", "Ctrl+Q", true);
  QAction* debug = AddItem(popup_, "Mdebug", settings_.DebugMode ? "デバッグモード" : "キャンセル",
                           nullptr, true);
  QAction* skip = AddItem(popup_, "Mskipout", "読んだ文章を飛ばす", "Ctrl+F",
                          settings_.TextMaxIndex.has_value());

  connect(frame, &QAction::triggered, this, [this] {
    ToggleFrame();
    engine_.RestartMusic();
    AfterMenuAction();
  });
  connect(full, &QAction::triggered, this, [this] {
    ToggleFullScreen();
    engine_.RestartMusic();
    AfterMenuAction();
  });
  connect(dark, &QAction::triggered, this, [this] {
    engine_.ToggleDarkness();
    AfterMenuAction();
  });
  connect(hideImage, &QAction::triggered, this,
          [this] { RunNestedWait([this] { engine_.ShowMessageOnlyView(); }); });
  connect(hideText, &QAction::triggered, this,
          [this] { RunNestedWait([this] { engine_.ShowPictureOnlyView(); }); });
  connect(music, &QAction::triggered, this, [this] {
    engine_.ToggleMusic();
    AfterMenuAction();
  });
  connect(sound, &QAction::triggered, this, [this] {
    engine_.ToggleSound();
    AfterMenuAction();
  });
  connect(fast, &QAction::triggered, this, [this] {
    engine_.ToggleHighSpeed();
    AfterMenuAction();
  });
  connect(page, &QAction::triggered, this, [this] {
    engine_.TogglePageUnit();
    AfterMenuAction();
  });
  connect(skip, &QAction::triggered, this, [this] {
    engine_.StartSkipRead();
    AfterMenuAction();
  });
  connect(back, &QAction::triggered, this,
          [this] { RunNestedWait([this] { engine_.ShowLogScreen(); }); });
  connect(title, &QAction::triggered, this, [this] {
    engine_.AskTitleReturn();
    AfterMenuAction();
  });
  // Saving writes files and may report; loading only files its request.
  connect(save, &QAction::triggered, this,
          [this] { RunNestedWait([this] { engine_.SaveFromDialog(); }); });
  connect(load, &QAction::triggered, this,
          [this] { RunNestedWait([this] { engine_.LoadFromDialog(); }); });
  connect(exit, &QAction::triggered, this, [this] { platform_.RequestClose(); });
  // The two modal dialogs may report (a version picture that cannot be read).
  connect(font, &QAction::triggered, this,
          [this] { RunNestedWait([this] { engine_.ChooseFonts(); }); });
  connect(version, &QAction::triggered, this,
          [this] { RunNestedWait([this] { engine_.ShowVersion(); }); });
  connect(debug, &QAction::triggered, this, [this] {
    engine_.ShowDebugWindow();
    AfterMenuAction();
  });
}

QAction* TFmain::Item(const QString& name) const {
  if (name.isEmpty()) return nullptr;
  auto it = items_.find(name);
  return it == items_.end() ? nullptr : it->second;
}

void TFmain::RunNestedWait(const std::function<void()>& view) {
  // The log screen and the two views run their own wait inside this menu
  // handler, and dialogs may ask the error report; an exit raised there is
  // handled here rather than thrown through the window system.
  try {
    view();
  } catch (const EngineExit& exit) {
    HandleExit(exit);
  }
  AfterMenuAction();
}

void TFmain::HandleExit(const EngineExit& exit) {
  if (storyRunning_) {
    platform_.DeferExit(exit);
    return;
  }
  if (exit.save) SaveAtExit(engine_, settings_, platform_);
  closing_ = true;
  close();
  QCoreApplication::exit(exit.code);
}

void TFmain::ReportError(const std::exception& error) {
  try {
    engine_.ReportEscapedError(error);
  } catch (const EngineExit& exit) {
    HandleExit(exit);
  } catch (...) {
    // A second error while the first is reported is dropped: it must not
    // unwind through the window system.
  }
}

void TFmain::AfterMenuAction() {
  // The click that chose an entry must never continue the story.
  engine_.ClearClicks();
}

void TFmain::SetItemEnabled(MenuItem item, bool enabled) {
  if (QAction* a = Item(MenuItemName(item))) a->setEnabled(enabled);
}

void TFmain::SetItemChecked(MenuItem item, bool checked) {
  if (QAction* a = Item(MenuItemName(item)); a && a->isCheckable()) a->setChecked(checked);
}

void TFmain::SetStoryCursor(Cursor cursor) {
  setCursor(CursorPicture(cursor));
}

void TFmain::CentreFrame() {
  if (const QScreen* s = screen()) {
    QRect r = frameGeometry();
    r.moveCenter(s->availableGeometry().center());
    move(r.topLeft());
  }
}

void TFmain::PlaceWindow() {
  setFixedSize(kScreenWidth * scale_, kScreenHeight * scale_);
  CentreFrame();
  // Before the window manager has framed the window its frame is unknown,
  // and centring the inside alone leaves the framed window half a title bar
  // low: centred again once the frame is known.
  centreWhenFramed_ = frameGeometry() == geometry() && !windowFlags().testFlag(Qt::FramelessWindowHint);
}

void TFmain::ToggleFrame() {
  QAction* frame = Item("Kwinmode");
  const bool framed = frame->isChecked();  // already flipped by the trigger
  setWindowFlag(Qt::FramelessWindowHint, !framed);
  PlaceWindow();
  show();
}

void TFmain::ToggleFullScreen() {
  QAction* full = Item("Kfullscr");
  QAction* frame = Item("Kwinmode");
  if (full->isChecked()) {
    setMinimumSize(0, 0);
    setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
    showFullScreen();
    if (!CoversScreen()) {
      // Without a window manager nobody acts on the request; a window without
      // a frame placed over the whole screen is the same to the player.
      setWindowFlag(Qt::FramelessWindowHint, true);
      if (const QScreen* s = screen()) setGeometry(s->geometry());
      show();
    }
    if (!CoversScreen()) {
      platform_.MessageBox(J("画面解像度を変更出来ませんでした。"), "", BoxButtons::Ok,
                           BoxIcon::Exclamation);
      full->setChecked(false);
      showNormal();
      setWindowFlag(Qt::FramelessWindowHint, !frame->isChecked());
      PlaceWindow();
      show();
      return;
    }
    frame->setEnabled(false);
  } else {
    showNormal();
    frame->setEnabled(true);
    frame->setChecked(true);
    setWindowFlag(Qt::FramelessWindowHint, false);
    PlaceWindow();
    show();
  }
}

bool TFmain::CoversScreen() {
  // Window systems apply a change of state or place when they get to it: give
  // them a moment before judging.
  const QScreen* s = screen();
  if (!s) return false;
  QDeadlineTimer deadline(1000);
  QTimer wake;  // its ticks end each wait for events
  wake.start(20);
  while (geometry() != s->geometry() && !deadline.hasExpired())
    QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
  return geometry() == s->geometry();
}

QRect TFmain::PictureRect() const {
  // Whole-number scale that fits, centred on black (full screen keeps 4:3).
  const int k = std::max(1, std::min(width() / kScreenWidth, height() / kScreenHeight));
  const int w = kScreenWidth * k, h = kScreenHeight * k;
  return QRect((width() - w) / 2, (height() - h) / 2, w, h);
}

int TFmain::PictureScale() const {
  return PictureRect().width() / kScreenWidth;
}

QRect TFmain::ToWindow(const QRect& pictureRect) const {
  const QRect target = PictureRect();
  const int k = PictureScale();
  return QRect(target.left() + pictureRect.left() * k, target.top() + pictureRect.top() * k,
               pictureRect.width() * k, pictureRect.height() * k);
}

QPoint TFmain::ToPicture(QPoint p) const {
  const QRect r = PictureRect();
  const int k = PictureScale();
  return QPoint(std::clamp((p.x() - r.x()) / k, 0, kScreenWidth - 1),
                std::clamp((p.y() - r.y()) / k, 0, kScreenHeight - 1));
}

QPoint TFmain::FromPicture(QPoint p) const {
  const QRect r = PictureRect();
  const int k = PictureScale();
  return QPoint(r.x() + p.x() * k + k / 2, r.y() + p.y() * k + k / 2);
}

void TFmain::paintEvent(QPaintEvent* event) {
  if (!firstFrameShown_) {
    firstFrameShown_ = true;
    // For the start-up probe (bench/startup_probe.sh): when the first frame
    // reached the screen, in wall-clock nanoseconds.
    if (std::getenv("KORVANA_FIRST_FRAME_PROBE")) {
      timespec ts;
      clock_gettime(CLOCK_REALTIME, &ts);
      std::fprintf(stderr, "first-frame %lld\n",
                   static_cast<long long>(ts.tv_sec) * 1000000000LL + ts.tv_nsec);
    }
    if (storyPending_) QTimer::singleShot(0, this, [this] { StartPendingStory(); });
  }
  QPainter painter(this);
  painter.fillRect(event->rect(), Qt::black);
  if (movieShown_) {
    PaintMovie(painter, event->rect());
    return;
  }
  const Picture* screen = platform_.screen();
  if (!screen || screen->Empty()) return;
  const QImage image = ImageOf(*screen);
  painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
  // Only the exposed part is scaled: a glyph or the click marker costs a
  // few hundred pixels, not the whole screen.
  const QRect target = PictureRect();
  const int k = target.width() / kScreenWidth;
  const QRect exposed = event->rect() & target;
  if (exposed.isEmpty()) return;
  const QRect source(
      (exposed.left() - target.left()) / k, (exposed.top() - target.top()) / k,
      (exposed.right() - target.left()) / k - (exposed.left() - target.left()) / k + 1,
      (exposed.bottom() - target.top()) / k - (exposed.top() - target.top()) / k + 1);
  painter.drawImage(ToWindow(source), image, source);
}

void TFmain::UpdatePicture(const QRect& pictureRect) {
  update(ToWindow(pictureRect));
}

void TFmain::PaintMovie(QPainter& painter, const QRect& exposed) {
  if (movieFrame_.isNull() || movieRect_.isEmpty()) return;
  painter.setClipRect(exposed & PictureRect());
  // Frames come at the rectangle's size in the window and are drawn one to
  // one; a rectangle larger than the picture, or a frame left from before a
  // change of scale, is stretched.
  painter.setRenderHint(QPainter::SmoothPixmapTransform, true);
  painter.drawImage(ToWindow(movieRect_), movieFrame_);
}

void TFmain::ShowMovie(const QImage& frame, const QRect& pictureRect) {
  const bool sameCover = movieShown_ && pictureRect == movieRect_;
  movieShown_ = true;
  movieFrame_ = frame;
  movieRect_ = pictureRect;
  if (sameCover)
    update(ToWindow(pictureRect) & PictureRect());
  else
    update();
}

void TFmain::HideMovie() {
  if (!movieShown_) return;
  movieShown_ = false;
  movieFrame_ = QImage();
  update();
}

void TFmain::mousePressEvent(QMouseEvent* event) {
  const QPoint p = ToPicture(event->position().toPoint());
  const MouseButton button = event->button() == Qt::RightButton    ? MouseButton::Right
                             : event->button() == Qt::MiddleButton ? MouseButton::Middle
                                                                   : MouseButton::Left;
  if (InputSink* sink = platform_.sink()) sink->OnMouseDown(p.x(), p.y(), button);
  if (button == MouseButton::Right && platform_.PopupEnabled()) {
    // The menu hangs centred below the pointer.
    const QPoint at = event->globalPosition().toPoint();
    popup_->popup(at - QPoint(popup_->sizeHint().width() / 2, 0));
  }
}

void TFmain::mouseReleaseEvent(QMouseEvent* event) {
  const QPoint p = ToPicture(event->position().toPoint());
  InputSink* sink = platform_.sink();
  if (!sink) return;
  const bool inside = rect().contains(event->position().toPoint());
  // A click is a left press and release over the picture; it is handled
  // before the release, as window systems deliver them.
  if (event->button() == Qt::LeftButton && inside) sink->OnClick(p.x(), p.y());
  const MouseButton button = event->button() == Qt::RightButton    ? MouseButton::Right
                             : event->button() == Qt::MiddleButton ? MouseButton::Middle
                                                                   : MouseButton::Left;
  sink->OnMouseUp(p.x(), p.y(), button);
}

void TFmain::mouseMoveEvent(QMouseEvent* event) {
  const QPoint p = ToPicture(event->position().toPoint());
  if (InputSink* sink = platform_.sink()) sink->OnMouseMove(p.x(), p.y());
}

void TFmain::wheelEvent(QWheelEvent* event) {
  const QPoint p = ToPicture(event->position().toPoint());
  if (InputSink* sink = platform_.sink()) sink->OnWheel(p.x(), p.y(), event->angleDelta().y());
}

bool TFmain::event(QEvent* event) {
  if (event->type() == QEvent::Move && centreWhenFramed_ && frameGeometry() != geometry() &&
      !isFullScreen()) {
    centreWhenFramed_ = false;
    CentreFrame();
  }
  // A key pressed with Ctrl reaches a shortcut and never this window's key
  // handler; the engine still hears of it, so that Ctrl held for a shortcut
  // does not skip text.
  if (event->type() == QEvent::ShortcutOverride) {
    const auto* key = static_cast<QKeyEvent*>(event);
    InputSink* sink = platform_.sink();
    if (sink && key->key() != Qt::Key_Control && (key->modifiers() & Qt::ControlModifier))
      sink->OnKey(Key::Other);
  }
  return QWidget::event(event);
}

void TFmain::keyReleaseEvent(QKeyEvent* event) {
  InputSink* sink = platform_.sink();
  if (sink && event->key() == Qt::Key_Control && !event->isAutoRepeat()) sink->OnCtrl(false);
  QWidget::keyReleaseEvent(event);
}

void TFmain::focusOutEvent(QFocusEvent* event) {
  // A Ctrl released in another window must not leave the story skipping.
  if (InputSink* sink = platform_.sink()) sink->OnCtrl(false);
  QWidget::focusOutEvent(event);
}

void TFmain::keyPressEvent(QKeyEvent* event) {
  InputSink* sink = platform_.sink();
  if (!sink) return;
  switch (event->key()) {
    case Qt::Key_Control:
      if (!event->isAutoRepeat()) sink->OnCtrl(true);
      break;
    case Qt::Key_Escape:
      sink->OnKey(Key::Escape);
      break;
    case Qt::Key_Space:
      sink->OnKey(Key::Space);
      break;
    case Qt::Key_Return:
    case Qt::Key_Enter:
      sink->OnKey(Key::Enter);
      break;
    case Qt::Key_Up:
      sink->OnKey(Key::Up);
      break;
    case Qt::Key_Down:
      sink->OnKey(Key::Down);
      break;
    case Qt::Key_Left:
      sink->OnKey(Key::Left);
      break;
    case Qt::Key_Right:
      sink->OnKey(Key::Right);
      break;
    default:
      sink->OnKey(Key::Other);
      QWidget::keyPressEvent(event);
      break;
  }
}

void TFmain::closeEvent(QCloseEvent* event) {
  if (closing_) {
    event->accept();
    return;
  }
  InputSink* sink = platform_.sink();
  if (sink && !sink->OnCloseRequest()) {
    event->ignore();
    return;
  }
  if (storyRunning_) {
    // The story is inside a wait below us: let it unwind, save and end.
    platform_.RequestQuit();
    event->ignore();
    return;
  }
  SaveAtExit(engine_, settings_, platform_);
  closing_ = true;
  event->accept();
  QCoreApplication::exit(0);
}

void TFmain::StartStoryWhenShown() {
  storyPending_ = true;
  QTimer::singleShot(kUnshownStartMs, this, [this] { StartPendingStory(); });
}

void TFmain::StartPendingStory() {
  if (!storyPending_) return;
  storyPending_ = false;
  StartStory();
}

void TFmain::StartStory() {
  storyRunning_ = true;
  try {
    engine_.StartEngine();
    storyRunning_ = false;
  } catch (const EngineExit& exit) {
    storyRunning_ = false;
    HandleExit(exit);
  }
}

}  // namespace korvana
