#include "expr/Evaluator.h"

// Placeholder until the evaluator lands: every expression is 0.
namespace korvana {
int32_t Evaluator::Evaluate(std::string_view, int&) { return 0; }
int32_t Evaluator::EvalInt(std::string_view) { return 0; }
int32_t Evaluator::EvalAt(std::string_view, int&) { return 0; }
std::string Evaluator::ReadFlagText(std::string_view, int&) { return {}; }
int Evaluator::ParseFlagTarget(std::string_view, int) { return 0; }
std::string Evaluator::EmbedValue(std::string_view, std::string_view) { return {}; }
}  // namespace korvana
