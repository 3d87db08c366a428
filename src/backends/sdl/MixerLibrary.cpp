#define KORVANA_MIXER_LIBRARY_ITSELF
#include "backends/sdl/MixerLibrary.h"

#include <dlfcn.h>

namespace korvana::mixer {
namespace {

Calls gCalls;
bool gLoaded = false;

bool LoadOnce() {
  // Kept for the rest of the process, as a linked library would be.
  void* library = dlopen("libSDL2_mixer-2.0.so.0", RTLD_NOW | RTLD_LOCAL);
  if (!library) return false;
  bool complete = true;
#define KORVANA_MIXER_FIND(name)                                               \
  gCalls.name = reinterpret_cast<decltype(gCalls.name)>(dlsym(library, #name)); \
  complete = complete && gCalls.name;
  KORVANA_MIXER_CALLS(KORVANA_MIXER_FIND)
#undef KORVANA_MIXER_FIND
  return complete;
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
