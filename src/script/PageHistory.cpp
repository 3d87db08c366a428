// Going back a page and forward again, from the save points kept in memory.
#include "script/Engine.h"

namespace korvana {

void Engine::GoBack() {}

void Engine::GoForward() {}

}  // namespace korvana
