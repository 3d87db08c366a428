#include "select/ItemLines.h"

#include "core/Cp932.h"
#include "core/Errors.h"
#include "core/Tokens.h"
#include "expr/Evaluator.h"

namespace korvana {

bool ReadItemLines(const std::vector<std::string>& lines, int32_t& line, bool keepPlaces,
                   Evaluator& eval, ErrorSink& errors, SelectionItems& items,
                   std::array<int32_t, SelectionItems::kMaxItems>* itemLines) {
  items.ItemCount = 0;
  bool tooMany = false;
  const auto count = static_cast<int32_t>(lines.size());
  for (; line >= 0 && line < count; ++line) {
    const std::string_view text = TrimBlanks(lines[line]);
    if (text == "_endsel") return true;
    int pos = 1;
    std::string label = ReadToken(text, pos, ',');
    SkipBlanks(text, pos);
    const std::string condition = ReadToken(text, pos, ',');
    SkipBlanks(text, pos);
    std::string command =
        pos >= 1 && pos <= static_cast<int>(text.size()) ? std::string(text.substr(pos - 1)) : "";
    const bool holds = condition.empty() || eval.EvalInt(condition) != 0;
    if (!holds && !keepPlaces) continue;
    if (!holds) label = "0";
    if (items.ItemCount == SelectionItems::kMaxItems) {
      if (!tooMany)
        errors.ScriptError(J("選択肢が多すぎます。最大：") +
                           std::to_string(SelectionItems::kMaxItems));
      tooMany = true;
      continue;
    }
    items.ItemLabels[items.ItemCount] = std::move(label);
    items.ItemCommands[items.ItemCount] = std::move(command);
    if (itemLines) (*itemLines)[items.ItemCount] = line;
    ++items.ItemCount;
  }
  return false;
}

}  // namespace korvana
