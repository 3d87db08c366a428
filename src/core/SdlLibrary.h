#pragma once
// SDL2, loaded the first time something needs it rather than with the
// program: most stories never read a BMP, have no pad and open the audio
// device only on their first sound, and mapping SDL with the libraries it
// pulls in cost every start 4 MB and milliseconds of the loader's time.
//
// The files that call SDL include this instead of <SDL.h>: each call of
// theirs goes through the table loaded here, and nothing links the library.
// Types and macros of the header cost nothing and stay as they are. No call
// may be made before Load has returned true.
#include <SDL.h>

#define KORVANA_SDL_CALLS(X)                                                                       \
  X(SDL_GetError)                                                                                  \
  X(SDL_SetHint) X(SDL_InitSubSystem) X(SDL_QuitSubSystem) X(SDL_RWFromConstMem) X(SDL_RWFromFP)   \
      X(SDL_RWFromFile) X(SDL_RWsize) X(SDL_RWclose) X(SDL_LoadBMP_RW) X(SDL_ConvertSurfaceFormat) \
          X(SDL_FreeSurface) X(SDL_LockSurface) X(SDL_UnlockSurface) X(SDL_PumpEvents)             \
              X(SDL_PeepEvents) X(SDL_FlushEvents) X(SDL_NumJoysticks) X(SDL_JoystickOpen)         \
                  X(SDL_JoystickClose) X(SDL_JoystickAttachVirtualEx)                              \
                      X(SDL_JoystickSetVirtualAxis) X(SDL_JoystickSetVirtualButton)                \
                          X(SDL_JoystickGetDeviceInstanceID) X(SDL_IsGameController)               \
                              X(SDL_GameControllerOpen) X(SDL_GameControllerClose)                 \
                                  X(SDL_GameControllerName) X(SDL_GameControllerAddMappingsFromRW)

namespace korvana::sdl {

struct Calls {
#define KORVANA_SDL_FIELD(name) decltype(&::name) name = nullptr;
  KORVANA_SDL_CALLS(KORVANA_SDL_FIELD)
#undef KORVANA_SDL_FIELD
};

// Loads the library the first time, from any thread; false when it or one of
// its calls is missing (each caller then takes the path of a failing call).
bool Load();
const Calls& Table();

// Tests: the file Load opens from now on (null for the usual one); what was
// loaded before is forgotten, never unloaded.
void UseLibraryFile(const char* file);

}  // namespace korvana::sdl

#ifndef KORVANA_SDL_LIBRARY_ITSELF
#define SDL_GetError korvana::sdl::Table().SDL_GetError
#define SDL_SetHint korvana::sdl::Table().SDL_SetHint
#define SDL_InitSubSystem korvana::sdl::Table().SDL_InitSubSystem
#define SDL_QuitSubSystem korvana::sdl::Table().SDL_QuitSubSystem
#define SDL_RWFromConstMem korvana::sdl::Table().SDL_RWFromConstMem
#define SDL_RWFromFP korvana::sdl::Table().SDL_RWFromFP
#define SDL_RWFromFile korvana::sdl::Table().SDL_RWFromFile
#define SDL_RWsize korvana::sdl::Table().SDL_RWsize
#define SDL_RWclose korvana::sdl::Table().SDL_RWclose
#define SDL_LoadBMP_RW korvana::sdl::Table().SDL_LoadBMP_RW
#define SDL_ConvertSurfaceFormat korvana::sdl::Table().SDL_ConvertSurfaceFormat
#define SDL_FreeSurface korvana::sdl::Table().SDL_FreeSurface
#define SDL_LockSurface korvana::sdl::Table().SDL_LockSurface
#define SDL_UnlockSurface korvana::sdl::Table().SDL_UnlockSurface
#define SDL_PumpEvents korvana::sdl::Table().SDL_PumpEvents
#define SDL_PeepEvents korvana::sdl::Table().SDL_PeepEvents
#define SDL_FlushEvents korvana::sdl::Table().SDL_FlushEvents
#define SDL_NumJoysticks korvana::sdl::Table().SDL_NumJoysticks
#define SDL_JoystickOpen korvana::sdl::Table().SDL_JoystickOpen
#define SDL_JoystickClose korvana::sdl::Table().SDL_JoystickClose
#define SDL_JoystickAttachVirtualEx korvana::sdl::Table().SDL_JoystickAttachVirtualEx
#define SDL_JoystickSetVirtualAxis korvana::sdl::Table().SDL_JoystickSetVirtualAxis
#define SDL_JoystickSetVirtualButton korvana::sdl::Table().SDL_JoystickSetVirtualButton
#define SDL_JoystickGetDeviceInstanceID korvana::sdl::Table().SDL_JoystickGetDeviceInstanceID
#define SDL_IsGameController korvana::sdl::Table().SDL_IsGameController
#define SDL_GameControllerOpen korvana::sdl::Table().SDL_GameControllerOpen
#define SDL_GameControllerClose korvana::sdl::Table().SDL_GameControllerClose
#define SDL_GameControllerName korvana::sdl::Table().SDL_GameControllerName
#define SDL_GameControllerAddMappingsFromRW \
  korvana::sdl::Table().SDL_GameControllerAddMappingsFromRW
#endif
