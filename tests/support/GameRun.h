#pragma once
// Runs a small game folder through the headless platform in this process.
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "TempDir.h"
#include "headless/HeadlessSession.h"
#include "script/EngineProbe.h"

namespace korvana::test {

// CP932 bytes of a UTF-8 script text, with lines joined by CR LF as games
// written on Windows have them.
std::string Sjis(std::string_view utf8);
std::string ScriptText(std::initializer_list<std::string_view> utf8Lines);

class GameRun {
 public:
  explicit GameRun(HeadlessOptions options = {}, EngineSettings settings = {});

  // Writes a file of the game (bytes as given).
  void File(std::string_view name, std::string_view bytes) { dir_.Write(name, bytes); }
  // Writes "autorun.txt" from UTF-8 lines.
  void Script(std::initializer_list<std::string_view> utf8Lines,
              std::string_view name = "autorun.txt") {
    dir_.Write(name, ScriptText(utf8Lines));
  }
  void Script(const std::vector<std::string>& utf8Lines, std::string_view name = "autorun.txt") {
    std::string text;
    for (const std::string& l : utf8Lines) text += Sjis(l) + "\r\n";
    dir_.Write(name, text);
  }

  // Runs the game in its folder (the process's current folder is never
  // changed); returns the exit status.
  int Run();
  // The same after reading the game's configuration as the program does.
  int RunPrepared();

  // UTF-8 view of what the run produced.
  std::vector<std::string> Transcript() const;
  // Transcript lines that start with `kind` + tab.
  std::vector<std::string> Events(std::string_view kind) const;
  std::string Flag(int index) const;  // UTF-8
  // The messages of the script errors shown, in order: the first box of each
  // error, the one without a caption.
  std::vector<std::string> ErrorMessages() const;
  HeadlessSession& session() { return *session_; }
  // The engine's state, as the tests read it.
  EngineProbe probe() { return EngineProbe(session_->engine); }
  const TempDir& dir() const { return dir_; }

 private:
  TempDir dir_;
  std::unique_ptr<HeadlessSession> session_;
};

}  // namespace korvana::test
