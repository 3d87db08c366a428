#pragma once
// The text of the page as the reader sees it, kept for the reader's speech
// and text out: the characters drawn since the page was last cleared, with
// ruby kept apart from its base, so that a listener hears each reading once
// (the reading in place of its base) and a dictionary gets both
// ("漢字(かな)"). Markup, colours and sizes never reach it; characters of a
// symbol font are pictures, not text, and are left out.
#include <string>
#include <string_view>

namespace korvana {

class PageText {
 public:
  // What appeared since the previous Take (or the page clear): for speech
  // and for text out, UTF-8, without line breaks.
  struct Part {
    std::string spoken;
    std::string written;
    bool Empty() const { return spoken.empty() && written.empty(); }
  };

  // One drawn character (CP932).
  void AddChar(std::string_view c);
  // The line went on below: words of Latin text on either side stay apart.
  void LineBreak();
  // Ruby `reading` over the base characters that follow, up to EndRuby.
  void BeginRuby(std::string_view reading);
  void EndRuby();
  void Clear();

  // Takes what appeared since the previous Take; the page text itself goes
  // on to the next clear.
  Part Take();
  // The page since its clear, as the reader sees it.
  Part Page() const { return Part{Utf8(spoken_), Utf8(written_)}; }

 private:
  static std::string Utf8(const std::string& sjis);
  // Appends to both forms (`spoken` only outside ruby bases).
  void Append(std::string_view c);

  // CP932, since the clear; `taken` is how much of each Take has handed out.
  std::string spoken_, written_;
  size_t spokenTaken_ = 0, writtenTaken_ = 0;
  // Nested ruby: the readings waiting to be written after their bases.
  int rubyDepth_ = 0;
  std::string readings_[8];
  bool pendingBreak_ = false;
};

}  // namespace korvana
