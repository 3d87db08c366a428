// The engine's side of the layers: the transitions and the staff roll that
// the layers and `_scroll` reach, bound once when the engine is built.
#include "graphics/Effects.h"
#include "graphics/Transitions.h"
#include "script/Engine.h"

namespace korvana {

void Engine::BindLayerEffects() {
  layers_.runTransition = [this](std::string_view name) { RunTransition(layers_, name); };
  SetScrollDisplay([this](const std::vector<std::string>& lines, int32_t interval, uint32_t colour,
                          int32_t step, int32_t skip, int32_t mode) {
    ScrollRoll(layers_, lines, interval, colour, step, skip, mode);
  });
}

}  // namespace korvana
