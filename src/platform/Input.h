#pragma once
// What the window and the pump deliver to the engine. Handlers only set
// flags: they run nested inside whatever wait the story is in.
#include <cstdint>

namespace korvana {

enum class MouseButton { Left, Right, Middle };
enum class Key { Escape, Space, Enter, Up, Down, Left, Right, Other };

// The three playback channels and the short sounds of message text and menus.
enum class AudioChannel { Music, SoundEffect, Cd, Short };

class InputSink {
 public:
  virtual ~InputSink() = default;
  virtual void OnMouseDown(int x, int y, MouseButton button) = 0;
  virtual void OnMouseUp(int x, int y, MouseButton button) = 0;
  virtual void OnClick(int x, int y) = 0;
  virtual void OnMouseMove(int x, int y) = 0;
  virtual void OnKey(Key key) = 0;
  // The 100 ms timer that animates the click marker.
  virtual void OnTimer1() = 0;
  // The player asked to close the program (window close, "終了する", Esc):
  // true when the close question was answered OK.
  virtual bool OnCloseRequest() { return true; }
  // The wheel turned; a positive `delta` is away from the user (up).
  virtual void OnWheel(int x, int y, int delta) {}
  // Ctrl went down or up.
  virtual void OnCtrl(bool down) {}
  // A sound started through Audio reached its end. Back ends that play on
  // another thread post this to the pump's thread first.
  virtual void OnAudioEnded(AudioChannel channel) {}
  // The movie started through Movie reached its end.
  virtual void OnMovieEnded() {}
};

}  // namespace korvana
