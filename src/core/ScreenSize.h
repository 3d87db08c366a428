#pragma once
// The one screen size: every picture that covers the window is this big.
namespace korvana {

inline constexpr int kScreenWidth = 640;
inline constexpr int kScreenHeight = 480;

}  // namespace korvana
