#include "QtTextOut.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QHostAddress>
#include <QWebSocket>
#include <QWebSocketServer>

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
  return server_ && server_->isListening() ? server_->serverPort() : 0;
}

void QtTextOut::Listen() {
  if (runFile_ || settings_.textOutTarget != "websocket" || server_) return;
  server_ = new QWebSocketServer(QStringLiteral("Korvana"), QWebSocketServer::NonSecureMode, this);
  // Only this machine: the page's text is the reader's own business.
  if (!server_->listen(QHostAddress::LocalHost, static_cast<quint16>(settings_.textOutPort))) {
    if (note && failedPort_ != settings_.textOutPort)
      note("テキスト出力: ポート " + std::to_string(settings_.textOutPort) + " を開けません (" +
           server_->errorString().toStdString() + ")");
    failedPort_ = settings_.textOutPort;
    delete server_;
    server_ = nullptr;
    return;
  }
  connect(server_, &QWebSocketServer::newConnection, this, [this] {
    while (QWebSocket* client = server_->nextPendingConnection()) {
      client->setParent(this);
      clients_.append(client);
      connect(client, &QWebSocket::disconnected, client, &QObject::deleteLater);
    }
  });
}

void QtTextOut::StopListening() {
  for (const QPointer<QWebSocket>& client : clients_)
    if (client) client->deleteLater();
  clients_.clear();
  if (server_) {
    server_->close();
    delete server_;
    server_ = nullptr;
  }
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
    clients_.removeAll(QPointer<QWebSocket>());
    for (const QPointer<QWebSocket>& client : clients_)
      if (client && client->state() == QAbstractSocket::ConnectedState)
        client->sendTextMessage(text);
  } else if (QClipboard* clipboard = QGuiApplication::clipboard()) {
    clipboard->setText(text);
  }
}

}  // namespace korvana
