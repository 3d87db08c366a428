#pragma once
// The message layer's click wait: the wait itself, the animated marker drawn
// over the screen while it lasts, and the menu items a click wait opens.
#include <string_view>

#include "graphics/Picture.h"

namespace korvana {

class MessageText;
struct TextEnvironment;

// Which row of the click marker a click wait shows.
enum class ClickWaitKind { LineEnd = 0, PageEnd = 1 };

class ClickWait {
 public:
  static constexpr int kMarkerSize = 32;

  // `layer` places the marker after its cursor and shows its text again
  // where the marker stood.
  ClickWait(const TextEnvironment& env, const MessageText& layer);

  // Waits for a click (or the skip that answers it), the marker running.
  void Wait(ClickWaitKind kind);
  bool Waiting() const { return waiting_; }

  // The click marker: loaded once; an unreadable file leaves no marker.
  void LoadIcon(std::string_view file);
  void OnTimer1();
  bool MarkerRunning() const { return markerRunning_; }
  // Freezes or restarts the marker (the log screen and the hide views).
  void SetMarkerRunning(bool running);

 private:
  void MarkerPosition(int& x, int& y) const;
  void DrawMarkerFrame();
  void RestoreMarkerSquare();
  void SetWaitMenuItems(bool enabled);

  const TextEnvironment& env_;
  const MessageText& layer_;
  Picture icon_;
  Picture iconMask_;
  bool markerRunning_ = false;
  bool waiting_ = false;
  int markerFrame_ = 0;
  int markerRow_ = 0;
  int markerX_ = 0, markerY_ = 0;
};

}  // namespace korvana
