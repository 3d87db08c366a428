#pragma once
// The save point: a copy of the game state taken at a quiet moment of the
// story (every clear of the message window while saving is allowed), from
// which slot files are written and into which they are read. Each group is
// the plain struct its subsystem owns; the engine copies them in and out.
#include <array>
#include <cstdint>
#include <string>

#include "core/ProgState.h"
#include "core/SavedFields.h"
#include "core/SystemSwitches.h"
#include "core/Tokens.h"
#include "expr/FlagStore.h"
#include "graphics/LayerState.h"
#include "select/SelectionItems.h"
#include "sound/ChannelRecord.h"
#include "text/LogBookkeeping.h"
#include "text/TextState.h"

namespace korvana {

struct SavePoint {
  // Game flags 0 to 255.
  std::array<std::string, FlagStore::kGameCount> flags;
  ProgState prog;
  // The arguments of the command being executed at the capture.
  CommandArgs ProgArgs;
  TextState text;
  LayerState layers;
  // Written and read with the log file, not restored from here.
  LogBookkeeping log;
  ChannelRecords channels;
  SelectionItems selection;
  SystemSwitches switches;
  // `_mousepat`'s cursor kind and `_flgclick`'s flag index (-1 for none).
  int32_t CursorKind = 1;
  int32_t ClickFlag = -1;

  template <typename Self, typename Visit>
  static constexpr void Fields(Self& s, Visit&& visit) {
    visit("flags", s.flags);
    visit("prog", s.prog);
    visit("ProgArgs", s.ProgArgs);
    visit("text", s.text);
    visit("layers", s.layers);
    visit("log", s.log);
    visit("channels", s.channels);
    visit("selection", s.selection);
    visit("switches", s.switches);
    visit("CursorKind", s.CursorKind);
    visit("ClickFlag", s.ClickFlag);
  }
  bool operator==(const SavePoint&) const = default;

  // Before the first capture nothing can be saved.
  bool Empty() const { return prog.ProgFileName.empty(); }
};
static_assert(saved::kListsEveryMember<SavePoint>,
              "a member of SavePoint is missing from its Fields list");

}  // namespace korvana
