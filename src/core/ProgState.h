#pragma once
// Where the interpreter stands: the position in the script, the return
// stack and the results that branches read. Plain data that text output and
// saving read and write; a saved game carries all of it.
#include <array>
#include <cstdint>
#include <string>

#include "core/SavedFields.h"

namespace korvana {

// What the line at ProgExecLine is doing, so that a loaded game knows how to
// go on.
enum class MultiState : int32_t {
  // A command line (or nothing yet).
  Command = 0,
  // The command of a conditional line whose condition held.
  Conditional = 1,
  // A text line being shown; ProgResumeColumn says where.
  InText = 2,
};

struct ProgState {
  static constexpr int kReturnDepth = 16;

  std::string ProgFileName;
  std::string ProgChapter;
  int32_t ProgExecLine = 0;
  int32_t ProgNextLine = -1;
  int32_t ProgResumeColumn = 0;
  std::array<int32_t, kReturnDepth> ReturnAddresses{};
  int32_t ProgRetStack = -1;
  int32_t ProgIfResult = 0;
  int32_t ProgSelResult = 0;
  MultiState ProgMultiStateFlag = MultiState::Command;
  // Touched by nothing but saving and loading, which carry it.
  int32_t ProgSpare = 0;

  // Every field, for the dump, the save point's tests and the save files.
  template <typename Self, typename Visit>
  static constexpr void Fields(Self& s, Visit&& visit) {
    visit("ProgFileName", s.ProgFileName);
    visit("ProgChapter", s.ProgChapter);
    visit("ProgExecLine", s.ProgExecLine);
    visit("ProgNextLine", s.ProgNextLine);
    visit("ProgResumeColumn", s.ProgResumeColumn);
    visit("ReturnAddresses", s.ReturnAddresses);
    visit("ProgRetStack", s.ProgRetStack);
    visit("ProgIfResult", s.ProgIfResult);
    visit("ProgSelResult", s.ProgSelResult);
    visit("ProgMultiStateFlag", s.ProgMultiStateFlag);
    visit("ProgSpare", s.ProgSpare);
  }
  bool operator==(const ProgState&) const = default;

  // Every jump ends the same way: the loop moves after the command returns.
  void JumpTo(int32_t target) {
    ProgNextLine = target;
    ProgResumeColumn = 0;
    ProgMultiStateFlag = MultiState::Command;
  }
};
static_assert(saved::kListsEveryMember<ProgState>,
              "a member of ProgState is missing from its Fields list");

}  // namespace korvana
