#pragma once
// One folder for a whole campaign, made at the first run and removed when the
// fuzzer exits: the targets that read files give their inputs to the code
// under test the way a game does, as files of a game folder.
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>

namespace korvana::fuzz {

inline const std::string& FuzzFolder() {
  static const std::string folder = [] {
    std::string pattern = (std::filesystem::temp_directory_path() / "korvana-fuzz-XXXXXX").string();
    if (!::mkdtemp(pattern.data())) std::abort();
    return pattern;
  }();
  static const bool removed = [] {
    std::atexit([] {
      std::error_code ec;
      std::filesystem::remove_all(folder, ec);
    });
    return true;
  }();
  (void)removed;
  return folder;
}

// A finding is a crash: libFuzzer keeps the input that broke a promise.
inline void Check(bool holds) {
  if (!holds) std::abort();
}

}  // namespace korvana::fuzz
