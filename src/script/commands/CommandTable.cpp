#include "script/CommandTable.h"

#include <string>
#include <unordered_map>
#include <vector>

#include "script/commands/CommandBindings.h"

namespace korvana {
namespace {

const std::vector<CommandSpec>& Table() {
  static const std::vector<CommandSpec> table = [] {
    std::vector<CommandSpec> all;
    for (auto family : {CommandBindings::FlowTable(), CommandBindings::FlagTable(),
                        CommandBindings::TextTable(), CommandBindings::LayerTable(),
                        CommandBindings::SelectTable(), CommandBindings::SoundTable()})
      all.insert(all.end(), family.begin(), family.end());
    return all;
  }();
  return table;
}

const std::unordered_map<std::string_view, const CommandSpec*>& Index() {
  static const std::unordered_map<std::string_view, const CommandSpec*> index = [] {
    std::unordered_map<std::string_view, const CommandSpec*> byName;
    for (const CommandSpec& c : Table()) byName.emplace(c.name, &c);
    return byName;
  }();
  return index;
}

}  // namespace

std::span<const CommandSpec> AllCommands() {
  return Table();
}

const CommandSpec* FindCommand(std::string_view name) {
  auto it = Index().find(name);
  return it == Index().end() ? nullptr : it->second;
}

bool IsCommandName(std::string_view name) {
  return name.substr(0, 4) == "_end" || FindCommand(name) != nullptr;
}

uint32_t IntArgumentMask(std::string_view name) {
  const CommandSpec* command = FindCommand(name);
  uint32_t mask = 0;
  if (command)
    for (size_t k = 0; k < command->kinds.size(); ++k)
      if (command->Kind(k) == ArgKind::Int) mask |= 1u << k;
  return mask;
}

}  // namespace korvana
