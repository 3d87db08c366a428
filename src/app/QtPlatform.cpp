#include "QtPlatform.h"

#include <QApplication>
#include <QCursor>
#include <QDir>
#include <QEventLoop>
#include <QFileDialog>
#include <QInputDialog>
#include <QMessageBox>
#include <QScreen>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>

#include "DebugWindow.h"
#include "FontDialog.h"
#include "Forms.h"
#include "MainWindow.h"
#include "ReaderSettingsDialog.h"
#include "SlotDialog.h"
#include "VersionDialog.h"
#include "backends/cdio/CdioDisc.h"
#include "config/InstallStore.h"
#include "core/Cp932.h"
#include "core/Errors.h"
#include "core/ScreenSize.h"

namespace korvana {

QtPlatform::QtPlatform()
    : audio_(
          [this](std::function<void()> closure) {
            // Called on the mixer's thread: the closure runs in this
            // object's thread, through its event queue.
            QMetaObject::invokeMethod(this, std::move(closure), Qt::QueuedConnection);
          },
          [] { return CdioDisc::OpenFirstDrive(); }) {
  frameClock_.start();
  timer1_.setInterval(100);
  connect(&timer1_, &QTimer::timeout, this, [this] {
    if (sink_) sink_->OnTimer1();
  });
  movie_.makeSound = [this] { return MakeMixerMovieSound(audio_); };
  movie_.onEnded = [this] {
    if (sink_) sink_->OnMovieEnded();
  };
  speech_.enabled = [this] { return speakOn_; };
  // The end of speech wakes the story's pump as the end of a sound does, so
  // that auto mode's wait for it goes on at once.
  speech_.changed = [this] { QMetaObject::invokeMethod(this, [] {}, Qt::QueuedConnection); };
  textOut_.note = [this](const std::string& text) { ShowNote(cp932::FromUtf8(text)); };
}

void QtPlatform::ApplyReaderSettings(const config::ReaderSettings& settings) {
  speech_.Configure(settings);
  textOut_.Configure(settings);
}

QtPlatform::~QtPlatform() {
  // A form may outlive us with its window; it asks its own questions then.
  if (slotForm_) slotForm_->question = nullptr;
  if (debugForm_) {
    debugForm_->Attach(nullptr);
    debugForm_->endProgram = nullptr;
    debugForm_->report = nullptr;
  }
  // A form made before any window has no owner to take it.
  for (QWidget* form :
       std::initializer_list<QWidget*>{slotForm_, fontForm_, versionForm_, debugForm_, settingsForm_})
    if (form && !form->parent()) delete form;
}

template <typename Form>
Form* QtPlatform::OwnedForm(QPointer<Form>& form) {
  if (form && form->parentWidget() != window_) form->setParent(window_, form->windowFlags());
  if (!form) form = new Form(window_);
  return form;
}

void QtPlatform::Attach(MainWindow* window) {
  window_ = window;
  movie_.Attach(window);
  if (window_) window_->setWindowTitle(Q(caption_));
  // No speech engine at all: the item is greyed from the start.
  if (window_ && !speech_.EngineInstalled()) window_->SetItemEnabled(MenuItem::Speak, false);
}

QWidget* QtPlatform::Parent() const {
  // A box asked from inside a modal dialog (the overwrite question of the
  // slot dialog) must stay above that dialog.
  if (QWidget* modal = QApplication::activeModalWidget()) return modal;
  return window_;
}

uint32_t QtPlatform::TickCount() {
  // Milliseconds since the system started, as scripts read them in $sys[31].
  timespec ts;
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return static_cast<uint32_t>(static_cast<uint64_t>(ts.tv_sec) * 1000 + ts.tv_nsec / 1000000);
}

void QtPlatform::CheckQuit() {
  if (deferredExit_) {
    const EngineExit exit = *deferredExit_;
    deferredExit_.reset();
    throw exit;
  }
  if (quitRequested_) {
    quitRequested_ = false;
    throw EngineExit{0, true};
  }
}

void QtPlatform::ProcessMessages() {
  QCoreApplication::processEvents(QEventLoop::AllEvents);
  CheckQuit();
}

void QtPlatform::WaitMessage(int64_t timeoutMs) {
  // Sleeps in the event loop until an event or the timeout: a waiting story
  // costs no processor time.
  QTimer wake;
  if (timeoutMs >= 0) {
    wake.setSingleShot(true);
    wake.start(static_cast<int>(std::min<int64_t>(timeoutMs, INT32_MAX)));
  }
  QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
  CheckQuit();
}

void QtPlatform::SetTimer1(bool enabled) {
  timer1On_ = enabled;
  FollowTimer1();
}

void QtPlatform::SetTimer1Visible(bool visible) {
  timer1Visible_ = visible;
  FollowTimer1();
}

void QtPlatform::SetCtrlHeld(bool held) {
  ctrlHeld_ = held;
  FollowTimer1();
}

void QtPlatform::FollowTimer1() {
  const bool run = timer1On_ && (timer1Visible_ || ctrlHeld_);
  if (run && !timer1_.isActive()) timer1_.start();
  if (!run) timer1_.stop();
}

LocalTime QtPlatform::Now() {
  std::time_t t = std::time(nullptr);
  std::tm tm{};
  localtime_r(&t, &tm);
  return LocalTime{tm.tm_sec,     tm.tm_min,  tm.tm_hour, tm.tm_mday,
                   tm.tm_mon + 1, tm.tm_year, tm.tm_wday, tm.tm_yday};
}

uint32_t QtPlatform::RandomSeed() {
  return static_cast<uint32_t>(std::time(nullptr));
}

BoxAnswer QtPlatform::MessageBox(const std::string& text, const std::string& caption,
                                 BoxButtons buttons, BoxIcon icon) {
  if (boxHook) return boxHook(text, caption, buttons, icon);
  QMessageBox box(Parent());
  box.setWindowTitle(caption.empty() ? QStringLiteral("Korvana") : Q(caption));
  box.setText(Q(text));
  switch (icon) {
    case BoxIcon::Exclamation:
      box.setIcon(QMessageBox::Warning);
      break;
    case BoxIcon::Question:
      box.setIcon(QMessageBox::Question);
      break;
    case BoxIcon::Information:
      box.setIcon(QMessageBox::Information);
      break;
    case BoxIcon::Error:
      box.setIcon(QMessageBox::Critical);
      break;
    case BoxIcon::None:
      box.setIcon(QMessageBox::NoIcon);
      break;
  }
  switch (buttons) {
    case BoxButtons::Ok:
      box.setStandardButtons(QMessageBox::Ok);
      break;
    case BoxButtons::OkCancel:
      box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel);
      break;
    case BoxButtons::YesNo:
      box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
      break;
  }
  switch (box.exec()) {
    case QMessageBox::Cancel:
      return BoxAnswer::Cancel;
    case QMessageBox::Yes:
      return BoxAnswer::Yes;
    case QMessageBox::No:
      return BoxAnswer::No;
    default:
      return buttons == BoxButtons::YesNo ? BoxAnswer::No : BoxAnswer::Ok;
  }
}

void QtPlatform::ShowException(const std::string& message) {
  if (boxHook) {
    boxHook(message, "Korvana", BoxButtons::Ok, BoxIcon::Error);
    return;
  }
  QMessageBox::critical(Parent(), QStringLiteral("Korvana"), Q(message));
}

bool QtPlatform::InputBox(const std::string& caption, const std::string& prompt,
                          std::string& text) {
  bool ok = false;
  QString result =
      QInputDialog::getText(Parent(), Q(caption), Q(prompt), QLineEdit::Normal, Q(text), &ok);
  if (ok) text = Sjis(result);
  return ok;
}

QString ChooseScriptFile(QWidget* parent, const QString& folder) {
  return QFileDialog::getOpenFileName(
      parent, QStringLiteral("実行ファイル指定"), QDir(folder).filePath("autorun.txt"),
      QStringLiteral("スクリプト (*.txt);;暗号化スクリプト (*.txd);;全てのファイル (*)"));
}

bool QtPlatform::OpenScriptDialog(std::string& path) {
  QString chosen = ChooseScriptFile(Parent(), QDir::currentPath());
  if (chosen.isEmpty()) return false;
  path = Sjis(chosen);
  return true;
}

bool QtPlatform::SaveFolderDialog(std::string& file) {
  const QString start =
      file.empty() ? QDir::current().filePath("data0.hfd") : Q(file);
  QString chosen = QFileDialog::getSaveFileName(
      Parent(), QStringLiteral("保存場所の指定(パスしか見ません)"), start,
      QStringLiteral("SaveFile (*)"), nullptr,
      QFileDialog::DontConfirmOverwrite);
  if (chosen.isEmpty()) return false;
  file = Sjis(chosen);
  return true;
}

SlotDialog* QtPlatform::SlotForm() {
  korvana::SlotDialog* form = OwnedForm(slotForm_);
  if (!form->question) {
    form->question = [this](const QString& text, const QString& caption) {
      return MessageBox(Sjis(text), Sjis(caption), BoxButtons::OkCancel, BoxIcon::Question) ==
             BoxAnswer::Ok;
    };
  }
  return form;
}

FontDialog* QtPlatform::FontForm() {
  return OwnedForm(fontForm_);
}

VersionDialog* QtPlatform::VersionForm() {
  return OwnedForm(versionForm_);
}

ReaderSettingsDialog* QtPlatform::SettingsForm() {
  return OwnedForm(settingsForm_);
}

DebugWindow* QtPlatform::DebugForm() {
  DebugWindow* form = OwnedForm(debugForm_);
  if (!form->endProgram) {
    form->endProgram = [this] {
      if (window_) window_->EndProgramNow();
    };
    form->report = [this](const QString& text) {
      MessageBox(Sjis(text), "SET", BoxButtons::Ok, BoxIcon::Exclamation);
    };
    form->runAgain = [this] {
      if (window_) window_->RunStoryAgain();
    };
  }
  return form;
}

bool QtPlatform::FontDialog(FontChoice& choice) {
  return FontForm()->Choose(choice);
}

void QtPlatform::VersionDialog(const VersionInfo& info) {
  VersionForm()->ShowInfo(info);
}

void QtPlatform::ShowDebugWindow(DebugSource& source) {
  DebugWindow* form = DebugForm();
  form->Attach(&source);
  if (!form->isVisible()) CentreOnScreen(form);
  form->show();
  form->raise();
  form->activateWindow();
}

void QtPlatform::DebugListChanged(DebugList list, int line) {
  if (debugForm_) debugForm_->ListChanged(list, line);
}

bool QtPlatform::SlotDialog(SlotMode mode, const std::vector<SlotEntry>& entries, int& slot) {
  const int chosen = SlotForm()->Choose(mode, entries);
  if (chosen < 0) return false;
  slot = chosen;
  return true;
}

void QtPlatform::SetCaption(const std::string& caption) {
  caption_ = caption;
  if (window_) window_->setWindowTitle(Q(caption));
}

void QtPlatform::SetCursor(Cursor cursor) {
  if (window_) window_->SetStoryCursor(cursor);
}

void QtPlatform::SetMenuItemEnabled(MenuItem item, bool enabled) {
  if (window_) window_->SetItemEnabled(item, enabled);
}

void QtPlatform::SetMenuItemChecked(MenuItem item, bool checked) {
  if (item == MenuItem::Speak) speakOn_ = checked;
  if (item == MenuItem::TextOut) textOut_.SetActive(checked);
  if (window_) window_->SetItemChecked(item, checked);
}

void QtPlatform::InvalidateScreen() {
  dirty_ = QRect(0, 0, kScreenWidth, kScreenHeight);
  ScheduleRepaint();
}

void QtPlatform::InvalidateRect(int x, int y, int w, int h) {
  dirty_ |= QRect(x, y, w, h) & QRect(0, 0, kScreenWidth, kScreenHeight);
  ScheduleRepaint();
}

void QtPlatform::ScheduleRepaint() {
  // Text changes the screen up to a thousand times a second; the window is
  // repainted at most once a display frame (the first change at once), and
  // only where the picture changed.
  if (!window_ || repaintPending_) return;
  const qint64 sinceLast = frameClock_.elapsed() - lastRepaint_;
  repaintPending_ = true;
  QTimer::singleShot(std::max<qint64>(0, kFrameMs - sinceLast), window_, [this] {
    repaintPending_ = false;
    lastRepaint_ = frameClock_.elapsed();
    if (window_ && !dirty_.isEmpty()) window_->UpdatePicture(dirty_);
    dirty_ = QRect();
  });
}

int QtPlatform::ColorDepth() {
  QScreen* screen = QGuiApplication::primaryScreen();
  return screen ? screen->depth() : 32;
}

bool QtPlatform::MovePointer(int x, int y) {
  if (!window_ || window_->windowState() != Qt::WindowNoState) return false;
  const QPoint global = window_->mapToGlobal(window_->FromPicture(QPoint(x, y)));
  window_->PointerMovedByStory(global);
  QCursor::setPos(global);
  return true;
}

void QtPlatform::ShowNote(const std::string& text) {
  if (window_) window_->ShowNote(Q(text));
}

void QtPlatform::ClickWaitStarted() {
  // For the probes (bench/idle_probe.sh): the peak memory when the story
  // first waits for a click, which is what a reader's first page costs.
  if (clickWaitSeen_ || !std::getenv("KORVANA_FIRST_FRAME_PROBE")) return;
  clickWaitSeen_ = true;
  std::FILE* status = std::fopen("/proc/self/status", "r");
  if (!status) return;
  char line[256];
  while (std::fgets(line, sizeof line, status))
    if (std::strncmp(line, "VmHWM:", 6) == 0) std::fprintf(stderr, "click-wait %s", line + 6);
  std::fclose(status);
}

void QtPlatform::RequestClose() {
  if (window_) QMetaObject::invokeMethod(window_, "close", Qt::QueuedConnection);
}

}  // namespace korvana
