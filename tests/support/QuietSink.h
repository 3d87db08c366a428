#pragma once
// An input sink that ignores every event; a test overrides the ones it
// watches.
#include "platform/Input.h"

namespace korvana::test {

class QuietSink : public InputSink {
 public:
  void OnMouseDown(int, int, MouseButton) override {}
  void OnMouseUp(int, int, MouseButton) override {}
  void OnClick(int, int) override {}
  void OnMouseMove(int, int) override {}
  void OnKey(Key) override {}
  void OnTimer1() override {}
};

}  // namespace korvana::test
