// The music, sound-effect, CD and movie commands: their arguments and
// defaults; what the channels do is sound/.
#include "core/ScreenSize.h"
#include "script/Engine.h"
#include "script/commands/CommandBindings.h"

namespace korvana {

std::span<const CommandSpec> CommandBindings::SoundTable() {
  using A = const CommandArgs&;
  static const CommandSpec table[] = {
      {"_bgmmode", "i", [](Engine& e, A a) { e.sound_.BgmMode = e.eval_.EvalInt(a[0]); }},
      // With no mode set not even the repeat count is evaluated.
      {"_bgmplay", "ti",
       [](Engine& e, A a) { e.sound_.BgmPlay(a[0], [&] { return e.eval_.EvalInt(a[1]); }); }},
      {"_bgmstop", "", [](Engine& e, A) { e.sound_.BgmStop(); }},
      {"_midiplay", "ti", [](Engine& e, A a) { e.sound_.PlayMusic(a[0], e.eval_.EvalInt(a[1])); }},
      {"_midistop", "", [](Engine& e, A) { e.sound_.StopMusic(); }},
      {"_cdplay", "ii",
       [](Engine& e, A a) { e.sound_.PlayCdTrack(e.eval_.EvalInt(a[0]), e.eval_.EvalInt(a[1])); }},
      {"_cdstop", "", [](Engine& e, A) { e.sound_.StopCd(); }},
      {"_pcmplay", "ti",
       [](Engine& e, A a) { e.sound_.PlaySoundEffect(a[0], e.eval_.EvalInt(a[1])); }},
      {"_pcmstop", "", [](Engine& e, A) { e.sound_.StopSoundEffect(); }},
      {"_aviplay", "tiiii",
       [](Engine& e, A a) {
         auto arg = [&](size_t k, int32_t fallback) {
           return a[k].empty() ? fallback : e.eval_.EvalInt(a[k]);
         };
         e.sound_.PlayMovie(a[0], arg(1, 0), arg(2, 0), arg(3, kScreenWidth),
                            arg(4, kScreenHeight));
       }},
  };
  return table;
}

}  // namespace korvana
