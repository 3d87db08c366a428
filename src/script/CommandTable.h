#pragma once
// Command names to handlers. Names are compared exactly (case-sensitive);
// each subsystem adds its own commands.
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>

namespace korvana {

class CommandTable {
 public:
  using Handler = std::function<void()>;

  void Add(std::string_view name, Handler handler) { map_[std::string(name)] = std::move(handler); }
  const Handler* Find(const std::string& name) const {
    auto it = map_.find(name);
    return it == map_.end() ? nullptr : &it->second;
  }

 private:
  std::unordered_map<std::string, Handler> map_;
};

// Every command name of the language, for the dispatcher's "pending" no-ops
// and for the script checker.
std::span<const std::string_view> AllCommandNames();

// Commands whose subsystem is not built yet. They are recognised and do
// nothing, so scripts that use them run; this list shrinks as the subsystems
// land.
std::span<const std::string_view> PendingCommandNames();

// Whether `name` is a command: a name of the table or any "_end…" marker.
bool IsCommandName(std::string_view name);

}  // namespace korvana
