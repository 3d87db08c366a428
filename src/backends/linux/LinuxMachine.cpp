#include "backends/linux/LinuxMachine.h"

#include "backends/linux/LinuxVolumes.h"
#include "config/InstallStore.h"

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

}  // namespace korvana
