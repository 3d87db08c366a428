#pragma once
// The command families, one file each: every file declares its part of the
// command table, with handlers that take the engine and their own copy of
// the arguments.
#include <span>

#include "script/CommandTable.h"

namespace korvana {

// A friend of the engine: the bindings reach the subsystems it wires.
struct CommandBindings {
  static std::span<const CommandSpec> FlowTable();
  static std::span<const CommandSpec> FlagTable();
  static std::span<const CommandSpec> TextTable();
  static std::span<const CommandSpec> LayerTable();
  static std::span<const CommandSpec> SelectTable();
  static std::span<const CommandSpec> SoundTable();
};

}  // namespace korvana
