#include "expr/FlagDump.h"

#include <cstdio>

#include "core/Cp932.h"
#include "core/FileResolver.h"
#include "expr/FlagStore.h"

namespace korvana {

std::string FlagDumpLine(int index, const std::string& sjisValue) {
  char head[16];
  std::snprintf(head, sizeof head, "%03d = ", index);
  return head + cp932::ToUtf8(sjisValue);
}

bool ParseFlagDump(std::string_view utf8, std::vector<std::string>& sjisValues,
                   std::string& error) {
  std::vector<std::string> values;
  size_t start = 0;
  int line = 0;
  auto fail = [&](const std::string& why) {
    error = "line " + std::to_string(line) + ": " + why;
    return false;
  };
  while (start < utf8.size()) {
    ++line;
    const size_t end = utf8.find('\n', start);
    std::string_view text = utf8.substr(start, end == std::string_view::npos ? end : end - start);
    start = end == std::string_view::npos ? utf8.size() : end + 1;
    if (line > FlagStore::kCount)
      return fail("there are only " + std::to_string(FlagStore::kCount) + " flags");
    char head[16];
    std::snprintf(head, sizeof head, "%03d = ", line - 1);
    if (text.substr(0, 6) != head)
      return fail("expected \"" + std::string(head) + "value\" for flag " +
                  std::to_string(line - 1) + ", found \"" + std::string(text.substr(0, 24)) +
                  "\"");
    // No value a story can set holds one: a CR is a file saved with other
    // line ends, whose values would each gain a byte.
    if (text.find('\r') != std::string_view::npos)
      return fail("a carriage return (the lines of a dump end with a line feed alone)");
    bool complete = true;
    std::string value = cp932::FromUtf8(text.substr(6), &complete);
    if (!complete) return fail("the value has a character the scripts' encoding (CP932) cannot hold");
    if (value.size() > FlagStore::kMaxTextBytes)
      return fail("the value is longer than " + std::to_string(FlagStore::kMaxTextBytes) +
                  " bytes");
    values.push_back(std::move(value));
  }
  if (values.size() != FlagStore::kCount) {
    line = static_cast<int>(values.size()) + 1;
    return fail("flag " + std::to_string(values.size()) + " is missing (a dump has " +
                std::to_string(FlagStore::kCount) + " lines)");
  }
  sjisValues = std::move(values);
  return true;
}

bool ReadFlagDump(const std::string& path, std::vector<std::string>& sjisValues,
                  std::string& error) {
  // The longest a dump can be: every value at its largest, each CP932 byte
  // at most two bytes of UTF-8.
  const size_t largest = FlagStore::kCount * (FlagStore::kMaxTextBytes * 2 + 8);
  const std::optional<std::string> bytes = ReadWholeFile(path, largest);
  if (!bytes) {
    error = path + ": cannot be read";
    return false;
  }
  if (!ParseFlagDump(*bytes, sjisValues, error)) {
    error = path + ": " + error;
    return false;
  }
  return true;
}

}  // namespace korvana
