#pragma once
#include "platform/Pad.h"

namespace korvana {

bool HandlePadInDialogs(PadButton button);

}  // namespace korvana
