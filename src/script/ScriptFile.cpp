#include "script/ScriptFile.h"

#include <cstdio>

#include "core/Ascii.h"
#include "core/Cp932.h"
#include "core/FileResolver.h"
#include "core/RegularFile.h"
#include "core/Tokens.h"

namespace korvana {
namespace {

// Two's-complement arithmetic without signed overflow.
int32_t Neg(int32_t v) {
  return static_cast<int32_t>(0u - static_cast<uint32_t>(v));
}

}  // namespace

int32_t DeriveScriptKey(int32_t number) {
  int32_t v = number ^ 0x5A;
  v = Neg(v);
  v ^= 0x2C7;
  v >>= 3;  // arithmetic on every compiler we build with (C++20 defines it)
  constexpr int32_t kDivisor = 7;
  v = (v / kDivisor) ^ (Neg(v) % kDivisor);
  return Neg(v);
}

int32_t LoadDecodeKey(const GameFiles& files) {
  // The exact name, as the engine has always opened it.
  const std::string path = files.Root().empty() ? "decode.key" : files.Root() + "/decode.key";
  // A FIFO planted under the name would hold the start for ever.
  const int fd = OpenRegularFile(path);
  FILE* f = fd < 0 ? nullptr : ::fdopen(fd, "r");
  if (!f) {
    if (fd >= 0) ::close(fd);
    return kDefaultScriptKey;
  }
  int number = 0;
  int read = std::fscanf(f, "%d", &number);
  std::fclose(f);
  // An unreadable number leaves the variable as it was: 0, as formatted input
  // into a fresh variable does.
  if (read != 1) number = 0;
  return DeriveScriptKey(number);
}

void DecodeScriptLines(std::vector<std::string>& lines, int32_t key) {
  // Only the low five bits of a key byte are used: XOR with them keeps every
  // byte of 0x20 and above in that range, so scrambling stays its own inverse
  // and can never produce a line break that would split a line on reading.
  unsigned char k[2];
  if (key < 32) {
    k[0] = k[1] = static_cast<unsigned char>(key) & 0x1F;
  } else {
    k[0] = static_cast<unsigned char>((key >> 5) & 0x1F);
    k[1] = static_cast<unsigned char>(key & 0x1F);
  }
  for (std::string& line : lines) {
    for (size_t p = 0; p < line.size(); ++p) {
      auto b = static_cast<unsigned char>(line[p]);
      if (b >= 0x20) line[p] = static_cast<char>(b ^ k[p & 1]);
    }
  }
}

std::vector<std::string> SplitLines(std::string_view bytes) {
  std::vector<std::string> lines;
  size_t start = 0;
  for (size_t i = 0; i < bytes.size(); ++i) {
    if (bytes[i] == '\r' || bytes[i] == '\n') {
      lines.emplace_back(bytes.substr(start, i - start));
      if (bytes[i] == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n') ++i;
      start = i + 1;
    }
  }
  if (start < bytes.size()) lines.emplace_back(bytes.substr(start));
  return lines;
}

ScriptFile::Location ScriptFile::LocateScriptFile(std::string_view name, const GameFiles& files) {
  const std::string expanded = files.Expand(name);
  const std::string base = expanded.size() >= 4 ? expanded.substr(0, expanded.size() - 4) : "";
  std::string ext;
  if (size_t dot = expanded.rfind('.');
      dot != std::string::npos && expanded.find_first_of("/\\", dot) == std::string::npos)
    ext = LowerAscii(std::string_view(expanded).substr(dot));

  std::string path = files.Resolve(expanded);
  bool decode = false;
  if (FileExists(path)) {
    decode = ext == ".txd";
  } else if (ext == ".txt") {
    path = files.Resolve(base + ".txd");
    decode = true;
  } else {
    path = files.Resolve(base + ".txt");
  }
  return {path, decode};
}

std::vector<std::string> ScriptFile::OpenScriptFile(std::string_view name, const GameFiles& files,
                                                    int32_t key) {
  const auto [path, decode] = LocateScriptFile(name, files);
  auto bytes = ReadWholeFile(path);
  if (!bytes) {
    throw ScriptException(J("ファイルを開けません: ") + cp932::FromUtf8(files.Shown(path)));
  }
  std::vector<std::string> lines = SplitLines(*bytes);
  if (decode) DecodeScriptLines(lines, key);
  return lines;
}

void ScriptFile::SetLines(std::vector<std::string> lines) {
  lines_ = std::move(lines);
  ++generation_;
  BuildLabelTable();
}

void ScriptFile::BuildLabelTable() {
  labelNames_.clear();
  for (size_t i = 0; i < lines_.size(); ++i) {
    std::string_view t = TrimLeftBlanks(lines_[i]);
    if (t.empty() || t[0] != ':') continue;
    if (labelNames_.size() == kMaxLabels) {
      errors_.ScriptError(J("ラベルが多すぎます。最大：") + std::to_string(kMaxLabels));
      break;
    }
    labelLines_[labelNames_.size()] = static_cast<int32_t>(i);
    labelNames_.emplace_back(t);
  }
}

int32_t ScriptFile::FindLabel(std::string_view name, int32_t fallback) {
  for (size_t k = 0; k < labelNames_.size(); ++k) {
    if (cp932::EqualsIgnoringCase(labelNames_[k], name)) return labelLines_[k];
  }
  errors_.ScriptError(J("ラベルが見つかりません") + std::string(name));
  return fallback;
}

}  // namespace korvana
