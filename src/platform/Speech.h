#pragma once
// The reader's own outputs of the text on the page, which no game asks for:
// speech for a reader who listens ("読み上げ") and a line of text for a tool
// beside the game, a dictionary or a reader of its own ("テキストを外部へ").
// All text here is UTF-8: it leaves the game's CP932 world at this door.
#include <string>

namespace korvana {

class Speech {
 public:
  virtual ~Speech() = default;
  // Whether anything can speak at all; when not, `why` says so (UTF-8),
  // for the note the greyed item gives.
  virtual bool SpeechAvailable(std::string& why) {
    why = "音声合成が使えません。";
    return false;
  }
  // Starts speaking `text`, cutting off whatever was being spoken.
  virtual void Say(const std::string& text) {}
  virtual void StopSpeech() {}
  // Still speaking what Say started. A back end whose speech ends on its
  // own wakes the pump then, so that a wait for the end sees it.
  virtual bool Speaking() { return false; }
};

class TextOut {
 public:
  virtual ~TextOut() = default;
  // One line of text (no line break in it) to wherever the reader sends
  // the text; a destination nobody reads drops it without waiting.
  virtual void SendText(const std::string& line) {}
};

}  // namespace korvana
