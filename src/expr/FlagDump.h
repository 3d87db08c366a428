#pragma once
// The flag dump: 512 lines "%03d = value" (UTF-8), as `--dump-flags` writes
// them, and read back by `--flags` to start a story with them.
#include <string>
#include <string_view>
#include <vector>

namespace korvana {

// The line of flag `index` in UTF-8 (the value given in CP932).
std::string FlagDumpLine(int index, const std::string& sjisValue);

// Reads a whole dump: exactly FlagStore::kCount lines, line N (1-based)
// "NNN = value" for flag N-1, the last line break optional. The values come
// back in CP932. Anything else is refused, `error` naming the first bad
// line: a value written by hand must not be taken as something else.
bool ParseFlagDump(std::string_view utf8, std::vector<std::string>& sjisValues,
                   std::string& error);

// ParseFlagDump of a file's bytes; a file that cannot be read is an error
// too.
bool ReadFlagDump(const std::string& path, std::vector<std::string>& sjisValues,
                  std::string& error);

}  // namespace korvana
