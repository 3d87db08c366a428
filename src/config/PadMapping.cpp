#include "config/PadMapping.h"

namespace korvana::config {

std::optional<PadAction> ParsePadAction(std::string_view name) {
  for (size_t i = 0; i < kPadActionNames.size(); ++i)
    if (kPadActionNames[i] == name) return static_cast<PadAction>(i);
  return std::nullopt;
}

const char* PadActionMenuItem(PadAction action) {
  switch (action) {
    case PadAction::HideText:
      return "Khidetext";
    case PadAction::Log:
      return "Mback";
    case PadAction::Back:
      return "Xback";
    case PadAction::Forward:
      return "Xforward";
    case PadAction::Auto:
      return "Xauto";
    case PadAction::Save:
      return "Msave";
    case PadAction::Load:
      return "Mload";
    default:
      return nullptr;
  }
}

PadMapping DefaultPadMapping() {
  using enum PadAction;
  // In the order of PadButton: A B X Y LB RB LT RT Start Back Up Down Left Right.
  return {Click, Menu, HideText, Log, Back, Forward, Skip, Auto,
          Save,  Load, Up,       Down, Left, Right};
}

}  // namespace korvana::config
