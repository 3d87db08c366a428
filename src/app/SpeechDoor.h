#pragma once
// Reading aloud and the WebSocket server of text out live in a module loaded
// on first use (libkorvana_speech.so, built from SpeechModule.cpp): Qt's
// text-to-speech, WebSockets and network libraries cost every start memory
// and loader time, while only the readers who turn speech or that server on
// use them. The module exports one C function that returns its door; the
// shell's QtSpeech and QtTextOut reach everything through it.
#include <QString>
#include <QStringList>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace korvana::speech {

// One text-to-speech engine, as the module made it.
class Voice {
 public:
  virtual ~Voice() = default;
  // Empty while it can speak, else the engine's own words for what failed.
  virtual QString Error() const = 0;
  // Starts speaking `text`, cutting off whatever was being spoken.
  virtual void Say(const QString& text) = 0;
  virtual void Stop() = 0;
  virtual bool Speaking() const = 0;
  // The voice named, else a Japanese one; `rate` from -1 (slow) to 1.
  virtual void Choose(const QString& voiceName, double rate) = 0;
  // Every voice of every language, by name, without changing the one heard.
  virtual QStringList VoiceNames() = 0;
};

// A WebSocket server on 127.0.0.1 that sends each line to all its clients.
class LineServer {
 public:
  virtual ~LineServer() = default;
  virtual quint16 Port() const = 0;
  virtual void Send(const QString& line) = 0;
};

struct Door {
  // The engines installed, by name.
  QStringList (*engines)();
  // `engine` empty: Qt's default. `changed` runs when speaking starts or ends.
  std::unique_ptr<Voice> (*openVoice)(const QString& engine, std::function<void()> changed);
  // Null when nothing can listen on `port`, and then `why` says why.
  std::unique_ptr<LineServer> (*listen)(quint16 port, QString& why);
};

// The door from the first of `places` that holds the module; null when none
// does, and then `why` says what the last attempt met.
const Door* LoadDoor(const std::vector<std::filesystem::path>& places, std::string& why);

// The module beside the program, in an installation's library folder, or
// where the build made it; loaded at the first call and kept.
const Door* OpenDoor(std::string& why);

// Whether any text-to-speech engine is installed, looked for without loading
// the module: the start greys "読み上げ" without one.
bool EnginePluginInstalled();

}  // namespace korvana::speech

// The module's one export.
extern "C" const korvana::speech::Door* korvana_speech_door();
