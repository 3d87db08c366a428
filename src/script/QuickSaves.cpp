// Quick save and quick load (slot 81) and the automatic saves (82 to 84).
#include "script/Engine.h"

namespace korvana {

void Engine::QuickSave() {}

void Engine::QuickLoad() {}

}  // namespace korvana
