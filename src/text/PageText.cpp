#include "text/PageText.h"

#include "core/Cp932.h"

namespace korvana {
namespace {

bool LatinWordChar(char c) {
  return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

}  // namespace

std::string PageText::Utf8(const std::string& sjis) {
  return cp932::ToUtf8(sjis);
}

void PageText::Append(std::string_view c) {
  if (c.empty()) return;
  if (pendingBreak_) {
    pendingBreak_ = false;
    // A wrapped Latin word ends at the line's end; Japanese runs on.
    if (!written_.empty() && LatinWordChar(written_.back()) && LatinWordChar(c.front())) {
      written_ += ' ';
      if (rubyDepth_ == 0) spoken_ += ' ';
    }
  }
  written_ += c;
  if (rubyDepth_ == 0) spoken_ += c;
}

void PageText::AddChar(std::string_view c) {
  // Control characters never reach the page; a drawn one is no text.
  if (c.empty() || (c.size() == 1 && static_cast<unsigned char>(c[0]) < 0x20)) return;
  Append(c);
}

void PageText::LineBreak() {
  pendingBreak_ = true;
}

void PageText::BeginRuby(std::string_view reading) {
  // Deeper nesting than the drawing allows is read as plain base text.
  if (rubyDepth_ >= static_cast<int>(std::size(readings_))) {
    ++rubyDepth_;
    return;
  }
  // The listener hears the reading where the base stands.
  if (rubyDepth_ == 0) spoken_ += reading;
  readings_[rubyDepth_++] = std::string(reading);
}

void PageText::EndRuby() {
  if (rubyDepth_ == 0) return;
  --rubyDepth_;
  if (rubyDepth_ >= static_cast<int>(std::size(readings_))) return;
  written_ += '(';
  written_ += readings_[rubyDepth_];
  written_ += ')';
}

void PageText::Clear() {
  spoken_.clear();
  written_.clear();
  spokenTaken_ = writtenTaken_ = 0;
  pendingBreak_ = false;
  // A page cleared inside a ruby base goes on with that base: its reading
  // was heard on the page before, and is written after the base here.
}

PageText::Part PageText::Take() {
  Part part{Utf8(spoken_.substr(spokenTaken_)), Utf8(written_.substr(writtenTaken_))};
  spokenTaken_ = spoken_.size();
  writtenTaken_ = written_.size();
  return part;
}

}  // namespace korvana
