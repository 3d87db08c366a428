#pragma once
// The message layer's click wait: the wait itself, the animated marker drawn
// over the screen while it lasts, and the menu items a click wait opens.
#include <cstdint>
#include <string>
#include <string_view>

#include "graphics/Picture.h"

namespace korvana {

class MessageText;
class PageText;
struct TextEnvironment;

// Which row of the click marker a click wait shows.
enum class ClickWaitKind { LineEnd = 0, PageEnd = 1 };

class ClickWait {
 public:
  static constexpr int kMarkerSize = 32;
  // The square beside the marker where auto mode shows it is on.
  static constexpr int kAutoMarkSize = 12;

  // `layer` places the marker after its cursor and shows its text again
  // where the marker stood.
  ClickWait(const TextEnvironment& env, const MessageText& layer);

  // Waits for a click (or the skip that answers it), the marker running.
  // The page's text that appeared before it is spoken and sent, as the
  // reader asked; skipping passes it by unheard.
  void Wait(ClickWaitKind kind, PageText& page);
  // Speaks or sends the text of the wait in progress (the reader has just
  // turned that output on).
  void OfferText(bool speak, bool send);
  bool Waiting() const { return waiting_; }

  // The click marker: loaded once; an unreadable file leaves no marker.
  void LoadIcon(std::string_view file);
  void OnTimer1();
  bool MarkerRunning() const { return markerRunning_; }
  // Freezes or restarts the marker (the log screen and the hide views).
  void SetMarkerRunning(bool running);
  // Auto mode came on or went off: its mark beside the running marker.
  void AutoModeChanged();

 private:
  void MarkerPosition(int& x, int& y) const;
  void DrawMarkerFrame();
  void RestoreMarkerSquare();
  void RestoreSquare(int x, int y, int w, int h);
  void DrawAutoMark();
  void RestoreAutoMark();
  void SetWaitMenuItems(bool enabled);
  // Speaks and sends the wait's text, each when asked and not empty.
  void GiveOut(bool speak, bool send);

  // Auto mode's time for one click wait: base plus per character of the
  // page, counted from the wait's start or from when auto mode came on,
  // without the time dialogs stood open; never before a voice has finished.
  class AutoCountdown {
   public:
    AutoCountdown(const TextEnvironment& env, const MessageText& layer);
    // Milliseconds until the wait ends by itself (0: now); Pump::kNoTimeout
    // while auto mode is off or something must end first.
    int64_t RemainingMs();

   private:
    const TextEnvironment& env_;
    const MessageText& layer_;
    bool running_ = false;
    uint32_t start_ = 0;
    int64_t dialogMsAtStart_ = 0;
  };

  const TextEnvironment& env_;
  const MessageText& layer_;
  Picture icon_;
  Picture iconMask_;
  // Per row of the marker: its frames leave the same pixels.
  bool stillRows_[2] = {true, true};
  bool markerRunning_ = false;
  bool waiting_ = false;
  int markerFrame_ = 0;
  int markerRow_ = 0;
  int markerX_ = 0, markerY_ = 0;
  bool autoMarkShown_ = false;
  int autoMarkX_ = 0, autoMarkY_ = 0;
  // The text the wait in progress (or the last) stood after.
  std::string spoken_, written_;
};

}  // namespace korvana
