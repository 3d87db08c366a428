// The program `korvana`: the desktop window, or with --headless a run
// without one.
#include <cstdio>
#include <string>
#include <vector>

#include "App.h"
#include "headless/HeadlessSession.h"

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  if (!args.empty() && (args[0] == "--help" || args[0] == "-h")) {
    std::fputs("usage: korvana [GAME_DIR]\n", stdout);
    std::fputs(korvana::kHeadlessUsage, stdout);
    return 0;
  }
  bool headless = false;
  std::vector<std::string> rest;
  for (const std::string& a : args) {
    if (a == "--headless")
      headless = true;
    else
      rest.push_back(a);
  }
  if (headless) {
    korvana::HeadlessCommandLine command;
    std::string error;
    if (!korvana::ParseHeadlessCommandLine(rest, command, error)) {
      std::fprintf(stderr, "korvana: %s\n%s", error.c_str(), korvana::kHeadlessUsage);
      return 2;
    }
    return korvana::RunHeadlessCommand(command);
  }
  if (rest.size() > 1 || (!rest.empty() && rest[0].rfind("-", 0) == 0)) {
    std::fputs("usage: korvana [GAME_DIR]\n       korvana --headless [options] [GAME_DIR]\n",
               stderr);
    return 2;
  }
  return korvana::RunDesktop(rest.empty() ? std::string() : rest[0]);
}
