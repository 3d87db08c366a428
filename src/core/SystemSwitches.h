#pragma once
// The four switches of the system commands (`_sysdark`, `_syspopup`,
// `_syssave`, `_syslog`). The engine owns them; the layers, the message text
// and the log only read them.
#include "core/SavedFields.h"

namespace korvana {

struct SystemSwitches {
  bool DarknessSuppressed = false;
  bool PopupDisabled = false;
  bool SaveDisabled = false;
  bool LogDisabled = false;

  template <typename Self, typename Visit>
  static constexpr void Fields(Self& s, Visit&& visit) {
    visit("DarknessSuppressed", s.DarknessSuppressed);
    visit("PopupDisabled", s.PopupDisabled);
    visit("SaveDisabled", s.SaveDisabled);
    visit("LogDisabled", s.LogDisabled);
  }
  bool operator==(const SystemSwitches&) const = default;
};
static_assert(saved::kListsEveryMember<SystemSwitches>,
              "a member of SystemSwitches is missing from its Fields list");

}  // namespace korvana
