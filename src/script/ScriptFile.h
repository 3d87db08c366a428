#pragma once
// One loaded script file: its lines (CP932 bytes, untrimmed) and its labels.
#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/Errors.h"

namespace korvana {

class GameFiles;

// The key for scrambled ".txd" scripts: from "decode.key" in the game
// folder when it exists, else a built-in default.
int32_t LoadDecodeKey(const GameFiles& files);
// The fixed arithmetic that turns the number in "decode.key" into a key.
int32_t DeriveScriptKey(int32_t number);
inline constexpr int32_t kDefaultScriptKey = 21;

// XORs every byte of 0x20 and above with the key byte of its position's
// parity. Its own inverse: the same call scrambles and unscrambles.
void DecodeScriptLines(std::vector<std::string>& lines, int32_t key);

// Splits file bytes into lines at CR LF, LF or CR.
std::vector<std::string> SplitLines(std::string_view bytes);

class ScriptFile {
 public:
  static constexpr int kMaxLabels = 512;

  ScriptFile(ErrorSink& errors) : errors_(errors) {}

  // Resolves `name` (".txt"/".txd" rules, %DATA_DRIVE%, the file resolver)
  // and reads it, unscrambling ".txd" content. A file that cannot be read
  // throws ScriptException.
  static std::vector<std::string> OpenScriptFile(std::string_view name, const GameFiles& files,
                                                 int32_t key);
  // The file that name reads (UTF-8 path) and whether it is scrambled.
  struct Location {
    std::string path;
    bool scrambled = false;
  };
  static Location LocateScriptFile(std::string_view name, const GameFiles& files);

  // Replaces the lines and rebuilds the label table.
  void SetLines(std::vector<std::string> lines);
  void BuildLabelTable();

  // 0-based index of the label line, or `fallback` (after reporting) when it
  // is missing.
  int32_t FindLabel(std::string_view name, int32_t fallback);

  const std::vector<std::string>& Lines() const { return lines_; }
  // Changes whenever the lines are replaced.
  uint32_t Generation() const { return generation_; }
  int32_t LineCount() const { return static_cast<int32_t>(lines_.size()); }
  const std::vector<std::string>& LabelNames() const { return labelNames_; }
  // 0-based index of the line of label `k` of LabelNames().
  int32_t LabelLine(size_t k) const { return labelLines_[k]; }

 private:
  ErrorSink& errors_;
  std::vector<std::string> lines_;
  uint32_t generation_ = 0;
  std::vector<std::string> labelNames_;
  std::array<int32_t, kMaxLabels> labelLines_{};
};

}  // namespace korvana
