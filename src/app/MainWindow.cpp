#include "MainWindow.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDeadlineTimer>
#include <QFileInfo>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QScreen>
#include <QTimer>
#include <QWheelEvent>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <utility>

#include "Application.h"
#include "Cursors.h"
#include "Forms.h"
#include "PopupMenu.h"
#include "QtPlatform.h"
#include "ReaderSettingsDialog.h"
#include "core/Cp932.h"
#include "core/ScreenSize.h"
#include "script/Engine.h"
#include "script/Startup.h"

namespace korvana {
namespace {

// The largest whole factor, in device pixels, at which the window still fits
// the screen's free area with some room; 1 on small screens.
int ScaleFor(const QScreen* screen) {
  if (!screen) return 1;
  return WindowFactor(screen->availableGeometry(), screen->devicePixelRatio());
}

qreal RatioOf(const QScreen* screen) {
  return screen ? screen->devicePixelRatio() : 1;
}

}  // namespace

MainWindow::MainWindow(Engine& engine, QtPlatform& platform, config::Settings& settings,
                       config::ReaderSettingsFile* readerFile)
    : engine_(engine), platform_(platform), settings_(settings), readerFile_(readerFile) {
  setObjectName("TFmain");
  setAttribute(Qt::WA_OpaquePaintEvent);
  setMouseTracking(true);
  setFocusPolicy(Qt::StrongFocus);
  setWindowFlags(Qt::Window | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                 Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                 Qt::WindowCloseButtonHint);
  const config::ReaderSettings& reader = engine_.Reader();
  scaling_ = ScalingChoice{reader.scalingSmooth, reader.scalingFit};
  BuildMenu();
  note_ = new QLabel(this);
  note_->setObjectName("Note");
  note_->setStyleSheet(QStringLiteral(
      "background-color: rgba(0, 0, 0, 160); color: white; padding: 4px 10px; "
      "border-radius: 4px;"));
  // The story under it still gets every click.
  note_->setAttribute(Qt::WA_TransparentForMouseEvents);
  note_->setFocusPolicy(Qt::NoFocus);
  note_->hide();
  noteTimer_.setSingleShot(true);
  noteTimer_.setInterval(kNoteMs);
  connect(&noteTimer_, &QTimer::timeout, note_, &QWidget::hide);
  platform_.Attach(this);
  SetStoryCursor(Cursor::Pen);
  PlaceWindow();
  WatchScreen();
  if (Application* app = Application::Instance()) {
    app->onError = [this](const std::exception& error) { ReportError(error); };
    app->onExit = [this](const EngineExit& exit) { HandleExit(exit); };
  }
  if (settings_.DebugMode) {
    scriptWatcher_ = new QFileSystemWatcher(this);
    scriptSettle_.setSingleShot(true);
    scriptSettle_.setInterval(kScriptSettleMs);
    auto touched = [this] { scriptSettle_.start(); };
    connect(scriptWatcher_, &QFileSystemWatcher::fileChanged, this, touched);
    connect(scriptWatcher_, &QFileSystemWatcher::directoryChanged, this, touched);
    connect(&scriptSettle_, &QTimer::timeout, this, &MainWindow::ScriptSettled);
    // The story moves from script to script; the watch follows it.
    scriptFollow_.setInterval(1000);
    connect(&scriptFollow_, &QTimer::timeout, this, &MainWindow::FollowRunningScript);
    scriptFollow_.start();
  }
}

void MainWindow::FollowRunningScript() {
  const QString file = QString::fromStdString(engine_.RunningScriptFile());
  if (file.isEmpty()) return;
  // A file renamed over the old one is a new file to the watch: it is named
  // again each time, and its folder is watched for the rename itself.
  const QString folder = QFileInfo(file).absolutePath();
  if (!scriptWatcher_->files().contains(file) && QFileInfo::exists(file))
    scriptWatcher_->addPath(file);
  if (!scriptWatcher_->directories().contains(folder)) scriptWatcher_->addPath(folder);
  for (const QString& old : scriptWatcher_->files())
    if (old != file) scriptWatcher_->removePath(old);
  for (const QString& old : scriptWatcher_->directories())
    if (old != folder) scriptWatcher_->removePath(old);
}

void MainWindow::ScriptSettled() {
  FollowRunningScript();
  if (!engine_.Reader().reloadOnChange || !engine_.RunningScriptChanged()) return;
  if (const MenuRow* row = FindMenuItem(MenuTable(), "Xreload")) RunItem(*row);
}

MainWindow::~MainWindow() {
  if (Application* app = Application::Instance()) {
    app->onError = nullptr;
    app->onExit = nullptr;
  }
  platform_.Attach(nullptr);
}

void MainWindow::BuildMenu() {
  PopupMenu built = BuildPopupMenu(this, MenuTable(), settings_,
                                   [this](const MenuRow& row) { RunItem(row); });
  popup_ = built.menu;
  connect(popup_, &QMenu::aboutToShow, this, [this] { engine_.MenuOpened(true); });
  connect(popup_, &QMenu::aboutToHide, this, [this] { engine_.MenuOpened(false); });
  platform_.speech().FollowMenu(popup_);
  items_ = std::move(built.items);
}

void MainWindow::RunItem(const MenuRow& row) {
  // As RunMenuAction does, also for the items that never reach it.
  if (row.item != MenuItem::Auto) engine_.StopAuto();
  switch (row.host) {
    case MenuHost::Frame:
      ToggleFrame();
      break;
    case MenuHost::FullScreen:
      ToggleFullScreen();
      break;
    case MenuHost::Close:
      // The close question decides what happens to the story.
      platform_.RequestClose();
      return;
    case MenuHost::Settings:
      OpenReaderSettings();
      break;
    case MenuHost::None:
      break;
  }
  const bool speechBefore = engine_.Reader().speechOn;
  if (row.ownWait)
    RunNestedWait([this, &row] {
      if (row.action) row.action(engine_);
    });
  else
    RunMenuAction(engine_, row);
  // "読み上げ" is kept as the reader left it; a file that cannot be written
  // only loses that.
  if (engine_.Reader().speechOn != speechBefore && readerFile_)
    readerFile_->Save(engine_.Reader());
}

QAction* MainWindow::Item(const QString& name) const {
  if (name.isEmpty()) return nullptr;
  auto it = items_.find(name);
  return it == items_.end() ? nullptr : it->second;
}

void MainWindow::RunNestedWait(const std::function<void()>& view) {
  // The log screen and the two views run their own wait inside this menu
  // handler, and dialogs may ask the error report (saving writes files, a
  // version picture may not be readable); an exit raised there is handled
  // here rather than thrown through the window system.
  try {
    view();
  } catch (const EngineExit& exit) {
    HandleExit(exit);
  }
  AfterMenuAction();
}

void MainWindow::HandleExit(const EngineExit& exit) {
  if (storyRunning_) {
    platform_.DeferExit(exit);
    return;
  }
  if (exit.save) SaveAtExit(engine_, settings_, platform_);
  closing_ = true;
  close();
  QCoreApplication::exit(exit.code);
}

void MainWindow::ReportError(const std::exception& error) {
  try {
    engine_.ReportEscapedError(error);
  } catch (const EngineExit& exit) {
    HandleExit(exit);
  } catch (...) {
    // A second error while the first is reported is dropped: it must not
    // unwind through the window system.
  }
}

void MainWindow::AfterMenuAction() {
  // The click that chose an entry must never continue the story.
  engine_.ClearClicks();
}

QAction* MainWindow::Item(MenuItem item) const {
  const MenuRow* row = FindMenuItem(MenuTable(), item);
  return row ? Item(row->name) : nullptr;
}

void MainWindow::SetItemEnabled(MenuItem item, bool enabled) {
  if (QAction* a = Item(item)) a->setEnabled(enabled);
}

void MainWindow::SetItemChecked(MenuItem item, bool checked) {
  if (QAction* a = Item(item); a && a->isCheckable()) a->setChecked(checked);
}

void MainWindow::SetStoryCursor(Cursor cursor) {
  storyCursor_ = cursor;
  if (!pointerHiddenForPad_) setCursor(CursorPicture(cursor));
}

void MainWindow::HidePointerForPad() {
  if (pointerHiddenForPad_) return;
  pointerHiddenForPad_ = true;
  storyPointer_ = QCursor::pos();
  setCursor(Qt::BlankCursor);
}

void MainWindow::CentreFrame() {
  if (const QScreen* s = screen()) {
    QRect r = frameGeometry();
    r.moveCenter(s->availableGeometry().center());
    move(r.topLeft());
  }
}

void MainWindow::PlaceWindow() {
  // Worked out again: full screen may have ended on another screen.
  scale_ = ScaleFor(screen());
  setFixedSize(WindowSizeFor(scale_, RatioOf(screen())));
  CentreFrame();
  // Before the window manager has framed the window its frame is unknown,
  // and centring the inside alone leaves the framed window half a title bar
  // low: centred again once the frame is known.
  centreWhenFramed_ =
      frameGeometry() == geometry() && !windowFlags().testFlag(Qt::FramelessWindowHint);
}

void MainWindow::ToggleFrame() {
  QAction* frame = Item("Kwinmode");
  const bool framed = frame->isChecked();  // already flipped by the trigger
  setWindowFlag(Qt::FramelessWindowHint, !framed);
  PlaceWindow();
  show();
}

void MainWindow::ToggleFullScreen() {
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

bool MainWindow::CoversScreen() {
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

PicturePlacement MainWindow::Placement() const {
  return PlacePicture(size(), devicePixelRatioF(), scaling_);
}

void MainWindow::SetScaling(ScalingChoice choice) {
  if (choice.smooth == scaling_.smooth && choice.fit == scaling_.fit) return;
  scaling_ = choice;
  update();
}

void MainWindow::WatchScreen() {
  QScreen* now = screen();
  if (now == watched_) return;
  disconnect(watchScale_);
  disconnect(watchArea_);
  watched_ = now;
  if (!now) return;
  // The reader may change the screen's scale or resolution under a window
  // that stays where it is. Queued: Qt brings the window's own ratio up to
  // date after it tells of the screen.
  watchScale_ = connect(now, &QScreen::logicalDotsPerInchChanged, this,
                        &MainWindow::AdaptToScreen, Qt::QueuedConnection);
  watchArea_ = connect(now, &QScreen::availableGeometryChanged, this, &MainWindow::AdaptToScreen,
                       Qt::QueuedConnection);
}

void MainWindow::AdaptToScreen() {
  WatchScreen();
  // A full screen or maximised window follows its screen by itself (the
  // frameless one placed over a screen without a window manager too); only
  // the normal window's size is ours.
  const QScreen* s = screen();
  const QAction* full = Item("Kfullscr");
  if (s && windowState() == Qt::WindowNoState && !(full && full->isChecked())) {
    scale_ = ScaleFor(s);
    const QSize wanted = WindowSizeFor(scale_, RatioOf(s));
    if (wanted != size()) {
      // About its centre: the centre decides the window's screen, and a
      // window that grew from its corner could land back on the old one.
      const QPoint centre = geometry().center();
      setFixedSize(wanted);
      move(pos() + centre - geometry().center());
    }
  }
  update();
}

int MainWindow::PictureScale() const {
  return std::max(1, static_cast<int>(std::ceil(Placement().scale)));
}

qreal MainWindow::LogicalScale() const {
  const PicturePlacement placed = Placement();
  return placed.scale / placed.dpr;
}

QRect MainWindow::ToWindow(const QRect& pictureRect) const {
  return Placement().ToWindow(pictureRect);
}

QPoint MainWindow::ToPicture(QPoint p) const {
  return Placement().ToPicture(QPointF(p));
}

QPoint MainWindow::ToPicture(QPointF p) const {
  return Placement().ToPicture(p);
}

QPoint MainWindow::FromPicture(QPoint p) const {
  return Placement().FromPicture(p);
}

void MainWindow::paintEvent(QPaintEvent* event) {
  if (!firstFrameShown_) {
    firstFrameShown_ = true;
    // For the start-up probe (bench/startup_probe.sh): when the first frame
    // reached the screen, in wall-clock nanoseconds, and the processor time
    // the program took to get there in microseconds, which a busy machine
    // does not stretch.
    if (std::getenv("KORVANA_FIRST_FRAME_PROBE")) {
      timespec ts, cpu;
      clock_gettime(CLOCK_REALTIME, &ts);
      clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &cpu);
      std::fprintf(stderr, "first-frame %lld %lld\n",
                   static_cast<long long>(ts.tv_sec) * 1000000000LL + ts.tv_nsec,
                   static_cast<long long>(cpu.tv_sec) * 1000000LL + cpu.tv_nsec / 1000);
    }
    if (storyPending_) QTimer::singleShot(0, this, [this] { StartPendingStory(); });
  }
  QPainter painter(this);
  if (movieShown_) {
    painter.fillRect(event->rect(), Qt::black);
    PaintMovie(painter, event->rect());
    return;
  }
  const Picture* screen = platform_.screen();
  // Only the exposed part is scaled: a glyph or the click marker costs a
  // few hundred pixels, not the whole screen.
  PaintPicture(painter, screen && !screen->Empty() ? ImageOf(*screen) : QImage(), Placement(),
               event->rect());
}

void MainWindow::UpdatePicture(const QRect& pictureRect) {
  // A filter blends each pixel into its neighbours: they are repainted too.
  const PicturePlacement placed = Placement();
  const int margin = placed.filter == PictureFilter::Sharp ? 0 : 1;
  update(placed.ToWindow(pictureRect.adjusted(-margin, -margin, margin, margin)));
}

void MainWindow::PaintMovie(QPainter& painter, const QRect& exposed) {
  if (movieFrame_.isNull() || movieRect_.isEmpty()) return;
  const PicturePlacement placed = Placement();
  painter.setClipRect(QRectF(exposed) & placed.Logical());
  // Frames come at the rectangle's size in the window and are drawn one to
  // one; a rectangle larger than the picture, or a frame left from before a
  // change of scale, is stretched.
  painter.setRenderHint(QPainter::SmoothPixmapTransform, true);
  painter.drawImage(placed.Cover(movieRect_), movieFrame_);
}

void MainWindow::ShowMovie(const QImage& frame, const QRect& pictureRect) {
  const bool sameCover = movieShown_ && pictureRect == movieRect_;
  movieShown_ = true;
  movieFrame_ = frame;
  movieRect_ = pictureRect;
  if (sameCover)
    update(ToWindow(pictureRect) & ToWindow(QRect(0, 0, kScreenWidth, kScreenHeight)));
  else
    update();
}

void MainWindow::HideMovie() {
  if (!movieShown_) return;
  movieShown_ = false;
  movieFrame_ = QImage();
  update();
}

void MainWindow::ShowNote(const QString& text) {
  QFont font = note_->font();
  font.setPixelSize(std::max(1, qRound(13 * LogicalScale())));
  note_->setFont(font);
  note_->setText(text);
  note_->adjustSize();
  PlaceNote();
  note_->show();
  note_->raise();
  noteTimer_.start();
}

void MainWindow::PlaceNote() {
  // The top-right corner: games mostly start their text at the left.
  const int margin = qRound(8 * LogicalScale());
  const QRect picture = ToWindow(QRect(0, 0, kScreenWidth, kScreenHeight));
  note_->move(picture.right() + 1 - margin - note_->width(), picture.top() + margin);
}

void MainWindow::OpenReaderSettings() {
  config::ReaderSettings chosen = engine_.Reader();
  platform_.SettingsForm()->SetVoices(platform_.speech().VoiceNames());
  const ScalingChoice before = scaling_;
  ReaderSettingsDialog* form = platform_.SettingsForm();
  // The picture behind the dialog follows the display switches as they are
  // clicked, so that the reader sees what they choose; Cancel puts it back.
  auto follow = [this, form] {
    SetScaling(ScalingChoice{form->scalingSmooth->isChecked(), form->scalingFit->isChecked()});
  };
  const QMetaObject::Connection smooth =
      connect(form->scalingSmooth, &QCheckBox::toggled, this, follow);
  const QMetaObject::Connection fit = connect(form->scalingFit, &QCheckBox::toggled, this, follow);
  const bool ok = form->Choose(chosen);
  disconnect(smooth);
  disconnect(fit);
  if (!ok) {
    SetScaling(before);
    return;
  }
  SetScaling(ScalingChoice{chosen.scalingSmooth, chosen.scalingFit});
  engine_.SetReaderSettings(chosen);
  platform_.ApplyReaderSettings(chosen);
  if (readerFile_ && !readerFile_->Save(chosen))
    platform_.MessageBox(J("設定を保存できませんでした：") + cp932::FromUtf8(readerFile_->Path()),
                         "", BoxButtons::Ok, BoxIcon::Exclamation);
}

void MainWindow::mousePressEvent(QMouseEvent* event) {
  // The mouse's side buttons page back and forward as their items do, and
  // only when those items can be chosen; the story never sees them.
  if (event->button() == Qt::BackButton || event->button() == Qt::ForwardButton) {
    QAction* step = Item(event->button() == Qt::BackButton ? MenuItem::Back : MenuItem::Forward);
    if (step && step->isEnabled()) step->trigger();
    return;
  }
  const QPoint p = ToPicture(event->position());
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

void MainWindow::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() == Qt::BackButton || event->button() == Qt::ForwardButton) return;
  const QPoint p = ToPicture(event->position());
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

void MainWindow::mouseMoveEvent(QMouseEvent* event) {
  if (pointerHiddenForPad_ && event->globalPosition().toPoint() != storyPointer_) {
    pointerHiddenForPad_ = false;
    setCursor(CursorPicture(storyCursor_));
  }
  const QPoint p = ToPicture(event->position());
  if (InputSink* sink = platform_.sink()) sink->OnMouseMove(p.x(), p.y());
}

void MainWindow::wheelEvent(QWheelEvent* event) {
  const QPoint p = ToPicture(event->position());
  if (InputSink* sink = platform_.sink()) sink->OnWheel(p.x(), p.y(), event->angleDelta().y());
}

bool MainWindow::event(QEvent* event) {
  if (event->type() == QEvent::ScreenChangeInternal
#if QT_VERSION >= QT_VERSION_CHECK(6, 6, 0)
      || event->type() == QEvent::DevicePixelRatioChange
#endif
  )
    AdaptToScreen();
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

void MainWindow::keyReleaseEvent(QKeyEvent* event) {
  InputSink* sink = platform_.sink();
  if (event->key() == Qt::Key_Control && !event->isAutoRepeat()) {
    platform_.SetCtrlHeld(false);
    if (sink) sink->OnCtrl(false);
  }
  QWidget::keyReleaseEvent(event);
}

void MainWindow::focusOutEvent(QFocusEvent* event) {
  // A Ctrl released in another window must not leave the story skipping.
  platform_.SetCtrlHeld(false);
  if (InputSink* sink = platform_.sink()) sink->OnCtrl(false);
  QWidget::focusOutEvent(event);
}

void MainWindow::keyPressEvent(QKeyEvent* event) {
  InputSink* sink = platform_.sink();
  if (!sink) return;
  switch (event->key()) {
    case Qt::Key_Control:
      if (!event->isAutoRepeat()) {
        platform_.SetCtrlHeld(true);
        sink->OnCtrl(true);
      }
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
      // The shortcut of greyed "読み上げ" never reaches its item: the reader
      // who presses it is told why it cannot speak.
      if (event->key() == Qt::Key_V && event->modifiers() == Qt::NoModifier &&
          Item(MenuItem::Speak) && !Item(MenuItem::Speak)->isEnabled()) {
        std::string why;
        platform_.speech().SpeechAvailable(why);
        ShowNote(QString::fromStdString(why));
      }
      sink->OnKey(Key::Other);
      QWidget::keyPressEvent(event);
      break;
  }
}

void MainWindow::closeEvent(QCloseEvent* event) {
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

void MainWindow::StartStoryWhenShown() {
  storyPending_ = true;
  QTimer::singleShot(kUnshownStartMs, this, [this] { StartPendingStory(); });
}

void MainWindow::StartPendingStory() {
  if (!storyPending_) return;
  storyPending_ = false;
  StartStory();
}

void MainWindow::StartStory() {
  if (beforeStory) std::exchange(beforeStory, nullptr)();
  RunStory([this] { engine_.StartEngine(); });
}

void MainWindow::RunStory(const std::function<void()>& run) {
  storyRunning_ = true;
  try {
    run();
    storyRunning_ = false;
  } catch (const EngineExit& exit) {
    storyRunning_ = false;
    HandleExit(exit);
  }
}

void MainWindow::RunStoryAgain() {
  QTimer::singleShot(0, this, [this] {
    if (!storyRunning_ && !closing_) RunStory([this] { engine_.RunAgain(); });
  });
}

}  // namespace korvana
