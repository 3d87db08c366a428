#pragma once
// SDL_mixer, loaded when the mixer first opens rather than with the program.
// With it come FluidSynth and its sound font reader and a dozen decoders:
// some thirteen libraries, 2 MB and milliseconds of every start that a story
// without sound never needs.
//
// The files that call the mixer include this after <SDL_mixer.h>: each call
// of theirs goes through the table loaded here, and nothing links the
// library.
#include <SDL_mixer.h>

#define KORVANA_MIXER_CALLS(X)                                                         \
  X(Mix_Init) X(Mix_Quit) X(Mix_OpenAudioDevice) X(Mix_CloseAudio) X(Mix_QuerySpec)   \
  X(Mix_AllocateChannels) X(Mix_ReserveChannels) X(Mix_SetSoundFonts)                 \
  X(Mix_HookMusicFinished) X(Mix_ChannelFinished) X(Mix_SetPostMix)                   \
  X(Mix_RegisterEffect) X(Mix_UnregisterEffect) X(Mix_HaltChannel) X(Mix_HaltMusic)   \
  X(Mix_LoadMUS_RW) X(Mix_LoadWAV_RW) X(Mix_QuickLoad_RAW) X(Mix_FreeChunk)           \
  X(Mix_FreeMusic) X(Mix_PlayChannel) X(Mix_PlayMusic) X(Mix_FadeInMusicPos)          \
  X(Mix_GetMusicType) X(Mix_MusicDuration)

namespace korvana::mixer {

struct Calls {
#define KORVANA_MIXER_FIELD(name) decltype(&::name) name = nullptr;
  KORVANA_MIXER_CALLS(KORVANA_MIXER_FIELD)
#undef KORVANA_MIXER_FIELD
};

// Loads the library the first time; false when it or one of its calls is
// missing (the story then plays on in silence).
bool Load();
// Whether Load has succeeded: no call may be made before.
bool Loaded();
const Calls& Table();

}  // namespace korvana::mixer

#ifndef KORVANA_MIXER_LIBRARY_ITSELF
#define Mix_Init korvana::mixer::Table().Mix_Init
#define Mix_Quit korvana::mixer::Table().Mix_Quit
#define Mix_OpenAudioDevice korvana::mixer::Table().Mix_OpenAudioDevice
#define Mix_CloseAudio korvana::mixer::Table().Mix_CloseAudio
#define Mix_QuerySpec korvana::mixer::Table().Mix_QuerySpec
#define Mix_AllocateChannels korvana::mixer::Table().Mix_AllocateChannels
#define Mix_ReserveChannels korvana::mixer::Table().Mix_ReserveChannels
#define Mix_SetSoundFonts korvana::mixer::Table().Mix_SetSoundFonts
#define Mix_HookMusicFinished korvana::mixer::Table().Mix_HookMusicFinished
#define Mix_ChannelFinished korvana::mixer::Table().Mix_ChannelFinished
#define Mix_SetPostMix korvana::mixer::Table().Mix_SetPostMix
#define Mix_RegisterEffect korvana::mixer::Table().Mix_RegisterEffect
#define Mix_UnregisterEffect korvana::mixer::Table().Mix_UnregisterEffect
#define Mix_HaltChannel korvana::mixer::Table().Mix_HaltChannel
#define Mix_HaltMusic korvana::mixer::Table().Mix_HaltMusic
#define Mix_LoadMUS_RW korvana::mixer::Table().Mix_LoadMUS_RW
#define Mix_LoadWAV_RW korvana::mixer::Table().Mix_LoadWAV_RW
#define Mix_QuickLoad_RAW korvana::mixer::Table().Mix_QuickLoad_RAW
#define Mix_FreeChunk korvana::mixer::Table().Mix_FreeChunk
#define Mix_FreeMusic korvana::mixer::Table().Mix_FreeMusic
#define Mix_PlayChannel korvana::mixer::Table().Mix_PlayChannel
#define Mix_PlayMusic korvana::mixer::Table().Mix_PlayMusic
#define Mix_FadeInMusicPos korvana::mixer::Table().Mix_FadeInMusicPos
#define Mix_GetMusicType korvana::mixer::Table().Mix_GetMusicType
#define Mix_MusicDuration korvana::mixer::Table().Mix_MusicDuration
#endif
