#pragma once
// Story events that only observers care about: the headless transcript and
// its limits. The window ignores them.
#include <string>

namespace korvana {

class Observer {
 public:
  virtual ~Observer() = default;
  // Characters drawn into the message layer (CP932); '\n' a line break, '\f'
  // a page clear.
  virtual void TextDrawn(const std::string& chars) {}
  // A click wait begins (the headless platform answers it with a click).
  virtual void ClickWaitStarted() {}
  // One script line is about to run (the headless line limit counts them).
  virtual void ScriptLineStarting() {}
};

}  // namespace korvana
