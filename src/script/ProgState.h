#pragma once
// The interpreter state every command reads and writes; a saved game carries
// all of it.
#include <array>
#include <cstdint>
#include <string>

namespace korvana {

struct ProgState {
  static constexpr int kArgCount = 16;
  static constexpr int kReturnDepth = 16;

  std::string ProgFileName;
  std::string ProgChapter;
  std::array<std::string, kArgCount> ProgArgs;
  int32_t ProgExecLine = 0;
  int32_t ProgNextLine = -1;
  int32_t ProgResumeColumn = 0;
  std::array<int32_t, kReturnDepth> ReturnAddresses{};
  int32_t ProgRetStack = -1;
  int32_t ProgIfResult = 0;
  int32_t ProgSelResult = 0;
  int32_t ProgMultiStateFlag = 0;

  // Every jump ends the same way: the loop moves after the command returns.
  void JumpTo(int32_t target) {
    ProgNextLine = target;
    ProgResumeColumn = 0;
    ProgMultiStateFlag = 0;
  }
};

}  // namespace korvana
