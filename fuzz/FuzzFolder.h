#pragma once
// One folder for a whole campaign, made at the first run and removed when the
// fuzzer exits: the targets that read files give their inputs to the code
// under test the way a game does, as files of a game folder.
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
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

// Files a hostile or careless game folder holds under names a script may
// give: FIFOs (whose open waits for a writer that never comes), links to a
// file, to nowhere and to themselves, and empty files, as pictures, sounds,
// movies, scripts and a ripped CD track. Any of them must fail as a missing
// file does; a run that opens a FIFO hangs, which libFuzzer reports.
inline void AddHostileFiles(const std::string& folder) {
  namespace fs = std::filesystem;
  std::error_code ec;
  for (const char* fifo : {"fifo.png", "fifo.wav", "fifo.mid", "fifo.avi", "fifo.txt"})
    ::mkfifo((folder + "/" + fifo).c_str(), 0600);
  fs::create_symlink("fifo.png", folder + "/link.png", ec);
  fs::create_symlink("fifo.wav", folder + "/link.wav", ec);
  fs::create_symlink("no/such/file.wav", folder + "/nowhere.wav", ec);
  fs::create_symlink("loop.png", folder + "/loop.png", ec);
  for (const char* empty : {"empty.png", "empty.wav", "empty.mid", "empty.avi", "empty.txt"})
    std::ofstream(folder + "/" + empty);
  // The CD channel's ripped tracks: an empty one and a FIFO.
  fs::create_directory(folder + "/cdda", ec);
  std::ofstream(folder + "/cdda/track02.flac");
  ::mkfifo((folder + "/cdda/track03.wav").c_str(), 0600);
}

// A finding is a crash: libFuzzer keeps the input that broke a promise.
inline void Check(bool holds) {
  if (!holds) std::abort();
}

}  // namespace korvana::fuzz
