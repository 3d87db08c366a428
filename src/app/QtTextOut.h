#pragma once
// The window's text out: each line to the clipboard, to a file or pipe, or
// to every client of a WebSocket server on 127.0.0.1 (for a dictionary in a
// browser), as the reader's settings say. The server listens only while
// text out is on with that target; a port in use is a note, never more. The
// server is made in the speech module (SpeechDoor.h), loaded when it first
// listens.
#include <QObject>
#include <QString>
#include <functional>
#include <memory>
#include <optional>

#include "SpeechDoor.h"
#include "config/ReaderSettings.h"
#include "platform/Speech.h"

namespace korvana {

class QtTextOut : public QObject, public TextOut {
  Q_OBJECT

 public:
  explicit QtTextOut(QObject* parent = nullptr);
  ~QtTextOut() override;

  void SendText(const std::string& line) override;

  // The target, path and port of the reader's settings.
  void Configure(const config::ReaderSettings& settings);
  // `--text-out PATH`: the file target at PATH for this run, whatever the
  // settings say.
  void UseFileForRun(const std::string& path);
  // Text out came on or went off (the server listens only while it is on).
  void SetActive(bool active);

  // The server's port while it listens, else 0.
  quint16 ListeningPort() const;
  // Tells the reader something went wrong (UTF-8), as the window's note.
  std::function<void(const std::string&)> note;
  // Where the server's module comes from: a test gives it a door of its own.
  std::function<const speech::Door*(std::string& why)> door = speech::OpenDoor;

 private:
  void Listen();
  void StopListening();

  config::ReaderSettings settings_;
  std::optional<std::string> runFile_;
  bool active_ = false;
  std::unique_ptr<speech::LineServer> server_;
  // The port a failure was told for, so one failure is told once.
  int failedPort_ = 0;
};

}  // namespace korvana
