#pragma once
// Every command of the language, declared once: its name, the kinds of its
// arguments and its handler. The interpreter dispatches from this table, the
// commands without a handler are the pending ones (recognised, doing nothing
// until their subsystem lands), and `korvana-script check` reads the
// argument kinds. Names are compared exactly (case-sensitive); any "_end…"
// marker is a command too.
#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

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
  // Null: recognised and does nothing yet.
  CommandHandler handler = nullptr;

  ArgKind Kind(size_t k) const {
    return k < kinds.size() ? static_cast<ArgKind>(kinds[k]) : ArgKind::Text;
  }
};

// The whole table, family by family.
std::span<const CommandSpec> AllCommands();
// The entry of that exact name; null for none (the "_end" markers too).
const CommandSpec* FindCommand(std::string_view name);
// Commands whose subsystem is not built yet.
std::vector<std::string_view> PendingCommandNames();
// Whether `name` is a command: a name of the table or any "_end…" marker.
bool IsCommandName(std::string_view name);
// Which arguments of a command are integer expressions (a bit per argument).
uint32_t IntArgumentMask(std::string_view name);

}  // namespace korvana
