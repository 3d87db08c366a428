#pragma once
// What start-up asks of the machine: the mounted volumes for the data drive
// search and the installation folder store.
#include <unistd.h>

#include <string>
#include <vector>

namespace korvana {

// One mounted volume, in the system's own (UTF-8) spelling.
struct Volume {
  std::string root;        // mount point, e.g. "/media/me/GAME_DISC"; "" ends the list
  std::string label;       // file-system label; "" when it has none or it is unknown
  bool isOptical = false;  // an optical (CD/DVD) drive, or a mounted disc image
  bool hasMedium = false;  // its contents can be read (the label "could be read")
};

class Machine {
 public:
  virtual ~Machine() = default;
  virtual std::vector<Volume> ListVolumes() { return {}; }
  // The file of the installation folder store; empty for none.
  virtual std::string InstallStorePath() { return {}; }
  // UTF-8 folder for per-user data ($XDG_DATA_HOME); empty: none.
  virtual std::string UserDataHome() { return {}; }
  // UTF-8 folder the reader's screenshots go to; empty: none can be taken.
  virtual std::string ScreenshotFolder() { return {}; }
  // Whether files can be made in the folder (UTF-8).
  virtual bool CanWrite(const std::string& folder) {
    return ::access(folder.c_str(), W_OK | X_OK) == 0;
  }
};

}  // namespace korvana
