// The flag dump read back: what `--dump-flags` wrote comes back as it was,
// and a dump that is not one is refused at its first bad line.
#include <gtest/gtest.h>

#include "core/Cp932.h"
#include "expr/FlagDump.h"
#include "expr/FlagStore.h"

namespace korvana {
namespace {

std::string DumpOf(const std::vector<std::string>& sjisValues, bool lastBreak = true) {
  std::string text;
  for (size_t i = 0; i < sjisValues.size(); ++i)
    text += FlagDumpLine(static_cast<int>(i), sjisValues[i]) +
            (i + 1 < sjisValues.size() || lastBreak ? "\n" : "");
  return text;
}

TEST(FlagDump, WhatTheDumpWroteComesBackAsItWas) {
  const struct {
    const char* what;
    std::vector<std::pair<int, std::string>> values;
    bool lastBreak;
  } rows[] = {
      {"all zero", {}, true},
      {"texts, empty and Japanese", {{0, ""}, {1, "-12"}, {255, cp932::FromUtf8("漢字 と かな")},
                                      {511, " = padded = "}}, true},
      {"the longest a flag holds", {{7, std::string(FlagStore::kMaxTextBytes, 'a')}}, true},
      {"no line break after the last line", {{511, "end"}}, false},
  };
  for (const auto& r : rows) {
    SCOPED_TRACE(r.what);
    std::vector<std::string> values(FlagStore::kCount, "0");
    for (const auto& [i, v] : r.values) values[i] = v;
    std::vector<std::string> read;
    std::string error;
    ASSERT_TRUE(ParseFlagDump(DumpOf(values, r.lastBreak), read, error)) << error;
    EXPECT_EQ(read, values);
  }
}

TEST(FlagDump, AValueNoFlagCanHoldIsRefusedWithItsLine) {
  const struct {
    const char* what;
    int index;
    std::string utf8Value;
    const char* error;
  } rows[] = {
      {"a character CP932 lacks", 3, "😀", "line 4: the value has a character"},
      {"longer than a flag holds", 10, std::string(FlagStore::kMaxTextBytes + 1, 'a'),
       "line 11: the value is longer than 65536 bytes"},
  };
  for (const auto& r : rows) {
    SCOPED_TRACE(r.what);
    std::string text = DumpOf(std::vector<std::string>(FlagStore::kCount, "0"));
    const std::string line = FlagDumpLine(r.index, "0");
    text.replace(text.find(line), line.size(), line.substr(0, 6) + r.utf8Value);
    std::vector<std::string> read{"kept"};
    std::string error;
    EXPECT_FALSE(ParseFlagDump(text, read, error));
    EXPECT_EQ(error.rfind(r.error, 0), 0u) << error;
    EXPECT_EQ(read, std::vector<std::string>{"kept"});  // nothing half-read is handed out
  }
}

}  // namespace
}  // namespace korvana
