#pragma once
// The machine a desktop session runs on: the mounted volumes, the
// installation folder store and the per-user data folder, as Linux and the
// XDG rules give them.
#include <string>
#include <vector>

#include "platform/Machine.h"

namespace korvana {

class LinuxMachine : public Machine {
 public:
  std::vector<Volume> ListVolumes() override;
  std::string InstallStorePath() override;
  std::string UserDataHome() override;
  // $XDG_PICTURES_DIR/korvana/, as the desktop names the pictures folder.
  std::string ScreenshotFolder() override;
};

}  // namespace korvana
