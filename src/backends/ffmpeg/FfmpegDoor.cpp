#include "backends/ffmpeg/FfmpegDoor.h"

#include "backends/linux/ModuleLoader.h"

namespace korvana::ffmpeg {
namespace {

const Door* LoadDoor() {
#ifdef KORVANA_FFMPEG_MODULE
  const char* built = KORVANA_FFMPEG_MODULE;
#else
  const char* built = nullptr;
#endif
  std::string why;
  using Entry = const Door* (*)();
  auto entry = reinterpret_cast<Entry>(
      ModuleSymbol(ModulePlaces("libkorvana_ffmpeg.so", built), "korvana_ffmpeg_door", why));
  return entry ? entry() : nullptr;
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
