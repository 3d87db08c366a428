#define KORVANA_MIXER_LIBRARY_ITSELF
#include "backends/sdl/MixerLibrary.h"

#include "core/LibraryCalls.h"

namespace korvana::mixer {
namespace {

Calls gCalls;
bool gLoaded = false;

bool LoadOnce() {
#define KORVANA_MIXER_SLOT(name) KORVANA_LIBRARY_CALL(gCalls, name)
  return LoadLibraryCalls("libSDL2_mixer-2.0.so.0", {KORVANA_MIXER_CALLS(KORVANA_MIXER_SLOT)});
#undef KORVANA_MIXER_SLOT
}

}  // namespace

bool Load() {
  // The mixer is opened on the pump's thread only.
  static const bool loaded = gLoaded = LoadOnce();
  return loaded;
}

bool Loaded() {
  return gLoaded;
}

const Calls& Table() {
  return gCalls;
}

}  // namespace korvana::mixer
