#pragma once
// The buttons of a game controller, named as the common layout names them
// (A is the south button, B the east one). The window's pad back end and the
// headless `--pad` option both speak in these.
#include <array>
#include <optional>
#include <string_view>

namespace korvana {

enum class PadButton { A, B, X, Y, LB, RB, LT, RT, Start, Back, Up, Down, Left, Right, Count };

inline constexpr std::array<std::string_view, static_cast<size_t>(PadButton::Count)>
    kPadButtonNames = {"a",  "b",  "x",     "y",    "lb", "rb",   "lt",
                       "rt", "start", "back", "up", "down", "left", "right"};

inline std::string_view PadButtonName(PadButton b) {
  return kPadButtonNames[static_cast<size_t>(b)];
}

inline std::optional<PadButton> ParsePadButton(std::string_view name) {
  for (size_t i = 0; i < kPadButtonNames.size(); ++i)
    if (kPadButtonNames[i] == name) return static_cast<PadButton>(i);
  return std::nullopt;
}

}  // namespace korvana
