#pragma once
// The item lines below a selection command, up to "_endsel": a label, a
// condition and the command that runs when the entry is chosen.
#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "select/SelectionItems.h"

namespace korvana {

class ErrorSink;
class Evaluator;

// Reads the items from line index `line` on, leaving `line` on "_endsel";
// false when the script ends first (`line` is then past its end). An entry
// whose condition is not empty and evaluates to 0 is dropped, or with
// `keepPlaces` kept with the label "0" (a gallery keeps its grid). Lines
// beyond 32 entries are reported once, naming the first of them, and passed
// over. Reports go out while `line` stands on the line concerned.
// `itemLines`, when given, receives the line index each entry was read from.
bool ReadItemLines(const std::vector<std::string>& lines, int32_t& line, bool keepPlaces,
                   Evaluator& eval, ErrorSink& errors, SelectionItems& items,
                   std::array<int32_t, SelectionItems::kMaxItems>* itemLines = nullptr);

}  // namespace korvana
