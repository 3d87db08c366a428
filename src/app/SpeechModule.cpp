// The module behind SpeechDoor.h: Qt's text-to-speech and a WebSocket
// server, the only code of the program that links them.
#include <QHostAddress>
#include <QList>
#include <QPointer>
#include <QTextToSpeech>
#include <QVoice>
#include <QWebSocket>
#include <QWebSocketServer>

#include "SpeechDoor.h"

namespace korvana::speech {
namespace {

class QtVoice : public Voice {
 public:
  QtVoice(const QString& engine, std::function<void()> changed) : tts_(engine) {
    QObject::connect(&tts_, &QTextToSpeech::stateChanged, &tts_,
                     [changed = std::move(changed)](QTextToSpeech::State) {
                       if (changed) changed();
                     });
  }

  QString Error() const override {
    return tts_.state() == QTextToSpeech::Error ? tts_.errorString() : QString();
  }

  void Say(const QString& text) override {
    tts_.stop();
    tts_.say(text);
  }

  void Stop() override { tts_.stop(); }

  bool Speaking() const override { return tts_.state() == QTextToSpeech::Speaking; }

  void Choose(const QString& name, double rate) override {
    ChooseVoice(name);
    tts_.setRate(rate);
  }

  QStringList VoiceNames() override {
    QStringList names;
    const QLocale current = tts_.locale();
    const QVoice chosen = tts_.voice();
    for (const QLocale& locale : tts_.availableLocales()) {
      tts_.setLocale(locale);
      for (const QVoice& voice : tts_.availableVoices())
        if (!names.contains(voice.name())) names << voice.name();
    }
    // Listing changed nothing the reader hears.
    tts_.setLocale(current);
    tts_.setVoice(chosen);
    return names;
  }

 private:
  void ChooseVoice(const QString& name) {
    // The engine lists the voices of its current language: each language is
    // looked through for the voice named.
    const QList<QLocale> locales = tts_.availableLocales();
    if (!name.isEmpty()) {
      for (const QLocale& locale : locales) {
        tts_.setLocale(locale);
        for (const QVoice& voice : tts_.availableVoices())
          if (voice.name() == name) return tts_.setVoice(voice);
      }
    }
    // No voice named (or it is gone): a Japanese one reads the text best.
    for (const QLocale& locale : locales) {
      if (locale.language() != QLocale::Japanese) continue;
      tts_.setLocale(locale);
      const QList<QVoice> voices = tts_.availableVoices();
      if (!voices.isEmpty()) tts_.setVoice(voices.first());
      return;
    }
  }

  QTextToSpeech tts_;
};

class QtLineServer : public LineServer {
 public:
  QtLineServer() : server_(QStringLiteral("Korvana"), QWebSocketServer::NonSecureMode) {
    QObject::connect(&server_, &QWebSocketServer::newConnection, &server_, [this] {
      while (QWebSocket* client = server_.nextPendingConnection()) {
        client->setParent(&server_);
        clients_.append(client);
        QObject::connect(client, &QWebSocket::disconnected, client, &QObject::deleteLater);
      }
    });
  }

  ~QtLineServer() override { server_.close(); }

  bool Listen(quint16 port, QString& why) {
    // Only this machine: the page's text is the reader's own business.
    if (server_.listen(QHostAddress::LocalHost, port)) return true;
    why = server_.errorString();
    return false;
  }

  quint16 Port() const override { return server_.isListening() ? server_.serverPort() : 0; }

  void Send(const QString& line) override {
    clients_.removeAll(QPointer<QWebSocket>());
    for (const QPointer<QWebSocket>& client : clients_)
      if (client && client->state() == QAbstractSocket::ConnectedState)
        client->sendTextMessage(line);
  }

 private:
  // Its clients are its children: they go with it.
  QWebSocketServer server_;
  QList<QPointer<QWebSocket>> clients_;
};

const Door kDoor{
    [] { return QTextToSpeech::availableEngines(); },
    [](const QString& engine, std::function<void()> changed) -> std::unique_ptr<Voice> {
      return std::make_unique<QtVoice>(engine, std::move(changed));
    },
    [](quint16 port, QString& why) -> std::unique_ptr<LineServer> {
      auto server = std::make_unique<QtLineServer>();
      if (!server->Listen(port, why)) return nullptr;
      return server;
    },
};

}  // namespace
}  // namespace korvana::speech

extern "C" const korvana::speech::Door* korvana_speech_door() {
  return &korvana::speech::kDoor;
}
