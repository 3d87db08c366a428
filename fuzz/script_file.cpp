// The script reader on arbitrary bytes: lines, unscrambling, labels, the
// token reader every argument goes through, and the author's checker on the
// same bytes as a game's script. Never a fault; scrambling is its own
// inverse; every label is found where it stands; every token read moves on.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <filesystem>
#include <string>

#include "FuzzFolder.h"
#include "core/Errors.h"
#include "core/FileResolver.h"
#include "core/FileWriting.h"
#include "core/Tokens.h"
#include "script/CommandTable.h"
#include "script/ScriptCheck.h"
#include "script/ScriptFile.h"

using namespace korvana;
using korvana::fuzz::Check;
using korvana::fuzz::FuzzFolder;

namespace {

struct Sink : ErrorSink {
  void ScriptError(const std::string&) override {}
  void ReportScriptError(const std::string&) override {}
};

void ReadTokens(std::string_view line) {
  Sink sink;
  for (char terminator : {',', ')', ']', '"', '>'}) {
    int pos = 1;
    // Each token moves past at least the character that ended it, so this
    // ends within the line's length plus one.
    for (size_t n = 0; pos <= static_cast<int>(line.size()); ++n) {
      const int before = pos;
      SkipBlanks(line, pos);
      ReadToken(line, pos, terminator);
      Check(pos > before && n <= line.size());
    }
  }
  CommandArgs args;
  int cut = 0;
  const std::string name = SplitCommandLine(line, args, &cut);
  Check(cut >= 0 && cut <= static_cast<int>(line.size()));
  IsCommandName(name);
  IntArgumentMask(name);
  HexColour(line);
  ParseColorArgument(std::string(line), sink);
  Check(TrimBlanks(line).size() <= TrimLeftBlanks(line).size());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzedDataProvider in(data, size);
  const int32_t keyNumber = in.ConsumeIntegral<int32_t>();
  const bool scrambled = in.ConsumeBool();
  const std::string bytes = in.ConsumeRemainingBytesAsString();

  const int32_t key = DeriveScriptKey(keyNumber);
  std::vector<std::string> lines = SplitLines(bytes);
  const std::vector<std::string> plain = lines;
  DecodeScriptLines(lines, key);
  for (size_t i = 0; i < lines.size(); ++i)
    Check(lines[i].find_first_of("\r\n") == std::string::npos &&
          lines[i].size() == plain[i].size());
  DecodeScriptLines(lines, key);
  Check(lines == plain);

  Sink sink;
  ScriptFile script(sink);
  script.SetLines(lines);
  const std::vector<std::string> labels = script.LabelNames();
  for (const std::string& label : labels) {
    const int32_t at = script.FindLabel(label, -1);
    Check(at >= 0 && at < script.LineCount() && TrimLeftBlanks(script.Lines()[at])[0] == ':');
  }
  for (const std::string& line : lines) ReadTokens(line);

  // The checker reads the same bytes from a game folder, as an author runs it.
  const std::string& folder = FuzzFolder();
  const std::string name = scrambled ? "/autorun.txd" : "/autorun.txt";
  std::filesystem::remove(folder + "/autorun.txd");
  std::filesystem::remove(folder + "/autorun.txt");
  std::string file = bytes;
  if (scrambled) {
    std::vector<std::string> s = SplitLines(bytes);
    DecodeScriptLines(s, key);
    file.clear();
    for (const std::string& l : s) file += l + "\r\n";
  }
  Check(WriteFileAtomically(folder + name, file));
  for (const ScriptFault& fault : CheckScripts(folder, key))
    Check(fault.line >= 0 && fault.line <= static_cast<int>(lines.size()) + 1);
  return 0;
}
