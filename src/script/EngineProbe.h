#pragma once
// What tests, benchmarks, fuzz targets and tools read of the engine's state,
// named, so that the engine's members can change without rewriting them. The
// reads give const views; the few places where a test must set state first
// (a reading mode, a painted screen, a read-text record) are the Poke…
// functions. Hosts use the engine's public functions instead.
#include <cstdint>

#include "script/Engine.h"

namespace korvana {

class EngineProbe {
 public:
  explicit EngineProbe(Engine& engine) : e_(engine) {}

  // --- reads --------------------------------------------------------------------
  const ProgState& Prog() const { return e_.prog_; }
  const ClickState& Clicks() const { return e_.click_; }
  // The picture on the screen and the one the layers are composed in.
  const Picture& BackImage() const { return e_.screen_.BackImage; }
  const Picture& WorkScreen() const { return e_.screen_.WorkScreen; }
  const MessageText& Message() const { return e_.messageText_; }
  const MessageLog& Log() const { return e_.log_; }
  const LogScreen& LogView() const { return e_.logScreen_; }
  const ::korvana::Layers& Layers() const { return e_.layers_; }
  const SoundSystem& Sound() const { return e_.sound_; }
  const ScriptFile& Script() const { return e_.script_; }
  uint64_t ExecutedLines() const { return e_.executedLines_; }

  // --- state a test sets before it looks --------------------------------------
  // Click flags and reading modes, as the player's input would leave them.
  ClickState& PokeClicks() { return e_.click_; }
  // The screen's pictures, painted as a scene.
  Screen& PokeScreen() { return e_.screen_; }
  // The message layer: glyphs drawn directly, the cursor, the read-text record.
  MessageText& PokeMessage() { return e_.messageText_; }
  // The log's pages, written directly.
  MessageLog& PokeLog() { return e_.log_; }
  // The log screen's buttons pressed and pages drawn directly.
  LogScreen& PokeLogView() { return e_.logScreen_; }
  // The layers, for benchmarks that draw without a script.
  ::korvana::Layers& PokeLayers() { return e_.layers_; }
  // The choice's highlight redrawn directly.
  Selection& PokeSelector() { return e_.selector_; }
  // The pages kept for steps back, let go directly.
  PageHistory& PokePages() { return e_.pages_; }

 private:
  Engine& e_;
};

}  // namespace korvana
