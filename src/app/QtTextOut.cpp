#include "QtTextOut.h"

#include <QClipboard>
#include <QGuiApplication>

#include "backends/linux/LineFile.h"

namespace korvana {

QtTextOut::QtTextOut(QObject* parent) : QObject(parent) {}

QtTextOut::~QtTextOut() {
  StopListening();
}

void QtTextOut::Configure(const config::ReaderSettings& settings) {
  const bool serverChanged = settings.textOutTarget != settings_.textOutTarget ||
                             settings.textOutPort != settings_.textOutPort;
  settings_ = settings;
  if (!serverChanged) return;
  StopListening();
  failedPort_ = 0;
  if (active_) Listen();
}

void QtTextOut::UseFileForRun(const std::string& path) {
  runFile_ = path;
  StopListening();
}

void QtTextOut::SetActive(bool active) {
  active_ = active;
  if (active)
    Listen();
  else
    StopListening();
}

quint16 QtTextOut::ListeningPort() const {
  return server_ ? server_->Port() : 0;
}

void QtTextOut::Listen() {
  if (runFile_ || settings_.textOutTarget != "websocket" || server_) return;
  std::string failure;
  QString why;
  if (const speech::Door* module = door ? door(failure) : nullptr)
    server_ = module->listen(static_cast<quint16>(settings_.textOutPort), why);
  else
    why = QString::fromStdString(failure);
  if (server_) return;
  if (note && failedPort_ != settings_.textOutPort)
    note("テキスト出力: ポート " + std::to_string(settings_.textOutPort) + " を開けません (" +
         why.toStdString() + ")");
  failedPort_ = settings_.textOutPort;
}

void QtTextOut::StopListening() {
  server_.reset();
}

void QtTextOut::SendText(const std::string& line) {
  if (runFile_) {
    LineFile(*runFile_).Append(line);
    return;
  }
  const QString text = QString::fromStdString(line);
  if (settings_.textOutTarget == "file") {
    LineFile(settings_.textOutPath).Append(line);
  } else if (settings_.textOutTarget == "websocket") {
    Listen();
    if (server_) server_->Send(text);
  } else if (QClipboard* clipboard = QGuiApplication::clipboard()) {
    clipboard->setText(text);
  }
}

}  // namespace korvana
