#pragma once
// Every command of the language, declared once: its name, the kinds of its
// arguments and its handler. The interpreter dispatches from this table and
// `korvana-script check` reads the argument kinds. Names are compared exactly (case-sensitive); any "_end…"
// marker is a command too.
#include <cstdint>
#include <span>
#include <string_view>

#include "core/Tokens.h"

namespace korvana {

class Engine;

enum class ArgKind : char { Int = 'i', Text = 't', Colour = 'c', Real = 'r' };

using CommandHandler = void (*)(Engine& engine, const CommandArgs& args);

struct CommandSpec {
  std::string_view name;
  // One letter per argument, in order: i int, t text, c colour, r real.
  // Arguments beyond the list are text.
  std::string_view kinds;
  CommandHandler handler;

  // Every row names its handler: a row without one does not build.
  constexpr CommandSpec(std::string_view name, std::string_view kinds, CommandHandler handler)
      : name(name), kinds(kinds), handler(handler) {}

  ArgKind Kind(size_t k) const {
    return k < kinds.size() ? static_cast<ArgKind>(kinds[k]) : ArgKind::Text;
  }
};

// The whole table, family by family.
std::span<const CommandSpec> AllCommands();
// The entry of that exact name; null for none (the "_end" markers too).
const CommandSpec* FindCommand(std::string_view name);
// Whether `name` is a command: a name of the table or any "_end…" marker.
bool IsCommandName(std::string_view name);
// Which arguments of a command are integer expressions (a bit per argument).
uint32_t IntArgumentMask(std::string_view name);

}  // namespace korvana
