#include "GameRun.h"

#include "core/Cp932.h"

namespace korvana::test {

std::string Sjis(std::string_view utf8) {
  return cp932::FromUtf8(utf8);
}

std::string ScriptText(std::initializer_list<std::string_view> utf8Lines) {
  std::string out;
  for (std::string_view l : utf8Lines) out += Sjis(l) + "\r\n";
  return out;
}

GameRun::GameRun(HeadlessOptions options, EngineSettings settings)
    : session_(
          std::make_unique<HeadlessSession>(std::move(options), std::move(settings), dir_.str())) {}

int GameRun::Run() {
  return session_->Run();
}

int GameRun::RunPrepared() {
  return session_->Prepare() ? session_->Run() : 0;
}

std::vector<std::string> GameRun::Transcript() const {
  return session_->platform.Transcript();
}

std::vector<std::string> GameRun::Events(std::string_view kind) const {
  std::vector<std::string> out;
  const std::string prefix = std::string(kind) + "\t";
  for (const std::string& l : Transcript())
    if (l.compare(0, prefix.size(), prefix) == 0) out.push_back(l.substr(prefix.size()));
  return out;
}

std::vector<std::string> GameRun::ErrorMessages() const {
  std::vector<std::string> out;
  for (const std::string& e : Events("box"))
    if (e.rfind("\t", 0) == 0) out.push_back(e.substr(1, e.rfind('\t') - 1));
  return out;
}

std::string GameRun::Flag(int index) const {
  return cp932::ToUtf8(session_->flags.Get(index));
}

}  // namespace korvana::test
