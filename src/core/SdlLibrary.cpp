#define KORVANA_SDL_LIBRARY_ITSELF
#include "core/SdlLibrary.h"

#include <atomic>
#include <mutex>

#include "core/LibraryCalls.h"

namespace korvana::sdl {
namespace {

// The soname SDL_mixer asks for too, so that both share one SDL.
constexpr char kLibrary[] = "libSDL2-2.0.so.0";

std::mutex gMutex;
const char* gFile = kLibrary;
bool gTried = false;
std::atomic<bool> gLoaded{false};
Calls gCalls;

bool LoadFrom(const char* file) {
#define KORVANA_SDL_SLOT(name) KORVANA_LIBRARY_CALL(gCalls, name)
  return LoadLibraryCalls(file, {KORVANA_SDL_CALLS(KORVANA_SDL_SLOT)});
#undef KORVANA_SDL_SLOT
}

}  // namespace

bool Load() {
  // Pictures may be decoded away from the story's thread.
  if (gLoaded.load(std::memory_order_acquire)) return true;
  std::lock_guard lock(gMutex);
  if (!gTried) {
    gTried = true;
    gLoaded.store(LoadFrom(gFile), std::memory_order_release);
  }
  return gLoaded.load(std::memory_order_relaxed);
}

const Calls& Table() {
  return gCalls;
}

void UseLibraryFile(const char* file) {
  std::lock_guard lock(gMutex);
  gFile = file ? file : kLibrary;
  gTried = false;
  gLoaded.store(false, std::memory_order_release);
  gCalls = Calls{};
}

}  // namespace korvana::sdl
