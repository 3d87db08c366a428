// The program `korvana`. Until the window lands, a game runs headless and its
// transcript is printed.
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "platform/headless/HeadlessRun.h"

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  if (!args.empty() && (args[0] == "--help" || args[0] == "-h")) {
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
  korvana::HeadlessCommandLine command;
  std::string error;
  if (!korvana::ParseHeadlessCommandLine(rest, command, error)) {
    std::fprintf(stderr, "korvana: %s\n%s", error.c_str(), korvana::kHeadlessUsage);
    return 2;
  }
  if (!headless && command.transcript.empty()) command.transcript = "-";
  return korvana::RunHeadlessCommand(command);
}
