#pragma once
// What the interpreter loop hands message text to.
#include <string>
#include <string_view>

namespace korvana {

class TextOutput {
 public:
  virtual ~TextOutput() = default;
  // Shows a text line from 1-based byte position `fromColumn`, waiting for
  // clicks as the text demands.
  virtual void ShowTextLine(std::string_view line, int fromColumn) = 0;
  // Outputs text unchanged (a "\" line), markers included.
  virtual void ShowPlainText(std::string_view text) = 0;
  virtual void ClearPage() = 0;
};

}  // namespace korvana
