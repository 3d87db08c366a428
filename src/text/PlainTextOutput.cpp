#include "text/PlainTextOutput.h"

#include "platform/Cp932.h"

namespace korvana {

void PlainTextOutput::ShowTextLine(std::string_view line, int fromColumn) {
  prog_.ProgMultiStateFlag = 2;
  click_.TextActive = true;
  click_.FinishTextFlag = false;
  size_t i = fromColumn > 0 ? static_cast<size_t>(fromColumn - 1) : 0;
  while (i < line.size()) {
    size_t n = cp932::CharLength(line, i);
    prog_.ProgResumeColumn = static_cast<int32_t>(i + 1);
    platform_.TextDrawn(std::string(line.substr(i, n)));
    i += n;
  }
  platform_.TextDrawn("\n");
  waits_.WaitForClick(true);
  click_.FinishTextFlag = false;
}

void PlainTextOutput::ShowPlainText(std::string_view text) {
  platform_.TextDrawn(std::string(text));
}

void PlainTextOutput::ClearPage() {
  platform_.TextDrawn("\f");
}

}  // namespace korvana
