#pragma once
// Story events that only observers care about: the headless transcript and
// its limits. The window ignores them.
#include <string>
#include <vector>

namespace korvana {

// A choice on the screen, as a player would see it: its kind ("menu",
// "button" or "grid"), the entries' labels and centres, and which entries
// can be chosen.
struct ChoiceView {
  struct Entry {
    std::string label;  // CP932
    int x = 0, y = 0;
    bool choosable = true;
  };
  std::string kind;
  std::vector<Entry> entries;
};

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
  // A choice is drawn and waits for the pointer (the headless platform
  // answers it from its list of choices).
  virtual void ChoiceStarted(const ChoiceView& choice) {}
  // What a sound channel did: `channel` is "music", "se", "cd", "short" or
  // "movie"; `event` "play", "repeat", "end", "stop" or "fail"; `file` the
  // name as the script gave it (CP932); `repeat` the plays wanted (0 endless).
  virtual void SoundEvent(const char* channel, const char* event, const std::string& file,
                          int repeat) {}
  // What a reader's comfort did: `event` is "back", "forward", "auto",
  // "qsave", "qload", "autosave" or "shot"; `detail` the page, "on"/"off",
  // the slot or the file (UTF-8).
  virtual void ReaderEvent(const char* event, const std::string& detail) {}
};

}  // namespace korvana
