#pragma once
// Parts of our own code that bring many libraries with them are modules
// loaded on first use (FFmpeg's decoding, Qt's speech and WebSockets): a
// start that never needs them pays nothing for them. This finds a module and
// the one function it exports.
#include <filesystem>
#include <string>
#include <vector>

namespace korvana {

// Where the module named `fileName` is looked for, in order: beside the
// program, in the library folder of an installation (<prefix>/lib/korvana),
// then at `built`, where the build made it (tests and tools run from their
// own folders); `built` may be null.
std::vector<std::filesystem::path> ModulePlaces(const char* fileName, const char* built);

// `symbol` in the first of `places` that loads and exports it; the module
// stays loaded for the rest of the process (what it made lives on). Null when
// none does, and then `why` says what the last attempt met.
void* ModuleSymbol(const std::vector<std::filesystem::path>& places, const char* symbol,
                   std::string& why);

}  // namespace korvana
