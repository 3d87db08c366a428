#include "backends/ffmpeg/FfmpegDoor.h"

#include <dlfcn.h>

#include <filesystem>

namespace korvana::ffmpeg {
namespace {

constexpr const char* kModuleName = "libkorvana_ffmpeg.so";

// Beside the program, in the library folder of an installation, then where
// the build made it (tests and tools run from their own folders).
std::vector<std::filesystem::path> ModulePlaces() {
  std::vector<std::filesystem::path> places;
  std::error_code ec;
  const std::filesystem::path program = std::filesystem::read_symlink("/proc/self/exe", ec);
  if (!ec) {
    places.push_back(program.parent_path() / kModuleName);
    places.push_back(program.parent_path().parent_path() / "lib" / "korvana" / kModuleName);
  }
#ifdef KORVANA_FFMPEG_MODULE
  places.emplace_back(KORVANA_FFMPEG_MODULE);
#endif
  return places;
}

const Door* LoadDoor() {
  for (const std::filesystem::path& place : ModulePlaces()) {
    // Kept for the rest of the process: movies opened through it live on.
    void* module = dlopen(place.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!module) continue;
    using Entry = const Door* (*)();
    if (auto entry = reinterpret_cast<Entry>(dlsym(module, "korvana_ffmpeg_door"))) return entry();
    dlclose(module);
  }
  return nullptr;
}

}  // namespace

const Door* OpenDoor() {
  static const Door* const door = LoadDoor();
  return door;
}

int64_t LengthMs(const std::string& path, bool needVideo) {
  const Door* door = OpenDoor();
  return door ? door->lengthMs(path, needVideo) : -1;
}

}  // namespace korvana::ffmpeg
