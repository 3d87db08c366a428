#include "backends/linux/LinuxMachine.h"

#include "backends/linux/LinuxVolumes.h"
#include "config/InstallStore.h"
#include "config/PicturesFolder.h"

namespace korvana {

std::vector<Volume> LinuxMachine::ListVolumes() {
  return config::ReadMountedVolumes();
}

std::string LinuxMachine::InstallStorePath() {
  return config::DefaultInstallStorePath();
}

std::string LinuxMachine::UserDataHome() {
  return config::DefaultUserDataHome();
}

std::string LinuxMachine::ScreenshotFolder() {
  return config::DefaultScreenshotFolder();
}

}  // namespace korvana
