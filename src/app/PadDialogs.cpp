#include "PadDialogs.h"

namespace korvana {

bool HandlePadInDialogs(PadButton) {
  return false;
}

}  // namespace korvana
