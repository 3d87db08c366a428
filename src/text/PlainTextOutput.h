#pragma once
// Message text without glyphs: every character reaches the platform's text
// observer and a line ends with a click wait. It stands in for the message
// layer until glyph rendering exists, and keeps the interpreter's resume
// column current the same way.
#include <cstdint>

#include "platform/Platform.h"
#include "script/ProgState.h"
#include "text/ClickState.h"
#include "text/TextOutput.h"
#include "text/Waits.h"

namespace korvana {

class PlainTextOutput : public TextOutput {
 public:
  PlainTextOutput(Platform& platform, ProgState& prog, ClickState& click, Waits& waits)
      : platform_(platform), prog_(prog), click_(click), waits_(waits) {}

  void ShowTextLine(std::string_view line, int fromColumn) override;
  void ShowPlainText(std::string_view text) override;
  void ClearPage() override;

 private:
  Platform& platform_;
  ProgState& prog_;
  ClickState& click_;
  Waits& waits_;
};

}  // namespace korvana
