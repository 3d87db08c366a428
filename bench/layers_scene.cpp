// Layer composition and transitions (issue 6's speed targets):
//   ComposeScene with a background, three masked objects, an effect blended
//   through a mask and darkness on: under 1 ms (issue 25: 0.15 ms, and
//   RefreshScreen, the same scene with the message window over it, 0.25 ms);
//   the drawing work of one step of every transition: under 1 ms median;
//   a transition paced by a real clock lasts within 10 % of steps × wait
//   (TILE0, WIPE0, BLEND0, SCROLL0: the "pace" counter is real / nominal).
#include <benchmark/benchmark.h>

#include <chrono>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "backends/headless/HeadlessPlatform.h"
#include "core/ClickState.h"
#include "core/Errors.h"
#include "core/FileResolver.h"
#include "core/SystemSwitches.h"
#include "core/Waits.h"
#include "expr/Evaluator.h"
#include "expr/FlagStore.h"
#include "graphics/Layers.h"
#include "graphics/Transitions.h"

namespace {

using namespace korvana;

class NoErrors : public ErrorSink {
 public:
  void ScriptError(const std::string&) override {}
  void ReportScriptError(const std::string&) override {}
};

// Object positions are only ever numbers here.
class NoSystemValues : public SystemValues {
 public:
  int32_t SystemValue(int) override { return 0; }
};

// The headless platform with a real millisecond clock: waits sleep until
// their deadline, as the window's message pump does.
class RealClockPlatform : public HeadlessPlatform {
 public:
  uint32_t TickCount() override {
    using namespace std::chrono;
    return static_cast<uint32_t>(duration_cast<milliseconds>(steady_clock::now() - start_).count());
  }
  // Wakes when the tick count reaches now + timeout, as a window timer at
  // the deadline does (not a full timeout after a tick already begun).
  void WaitMessage(int64_t timeoutMs) override {
    if (timeoutMs <= 0) return;
    std::this_thread::sleep_until(start_ + std::chrono::milliseconds(TickCount() + timeoutMs));
  }

 private:
  std::chrono::steady_clock::time_point start_ = std::chrono::steady_clock::now();
};

uint32_t Colour(int x, int y, int salt) {
  return static_cast<uint32_t>(((x * 3 + salt) & 0xFF) << 16 | ((y * 5 + salt) & 0xFF) << 8 |
                               ((x ^ y) & 0xFF));
}

Picture Painted(int w, int h, int salt) {
  Picture p(w, h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) p.SetPixel(x, y, Colour(x, y, salt));
  return p;
}

// A mask black on a disc, white elsewhere; the picture black where white.
void Masked(Picture& picture, Picture& mask) {
  mask.Resize(picture.Width(), picture.Height(), 0xFFFFFF);
  const int cx = picture.Width() / 2, cy = picture.Height() / 2, r = std::min(cx, cy);
  for (int y = 0; y < picture.Height(); ++y)
    for (int x = 0; x < picture.Width(); ++x) {
      if ((x - cx) * (x - cx) + (y - cy) * (y - cy) < r * r)
        mask.SetPixel(x, y, 0);
      else
        picture.SetPixel(x, y, 0);
    }
}

template <typename P = HeadlessPlatform>
struct Scene {
  Scene() {
    layers.BackgroundLayer = Painted(640, 480, 1);
    layers.backgroundPresent = true;
    for (int i = 0; i < kObjectCount; ++i) {
      layers.objectPictures[i] = Painted(240, 320, 40 * i);
      Masked(layers.objectPictures[i], layers.objectMasks[i]);
      LayerRecord& r = layers.state.objectRecords[2 * i];
      r.loaded = r.shown = r.transparent = 1;
      r.x = 40 + 180 * i;
      r.y = 100 + 10 * i;
    }
    layers.EffectLayer = Painted(640, 480, 99);
    Masked(layers.EffectLayer, layers.EffectMask);
    LayerRecord& e = layers.state.baseRecords[kEffectRecord];
    e.loaded = e.shown = e.transparent = 1;
    e.maskMode = 1;
    e.blendMode = 4;  // "#BLEND"
    e.position = 1;
    for (int y = 380; y < 470; ++y)
      for (int x = 20; x < 620; ++x) {
        messageMask.SetPixel(x, y, (x + y) % 5 ? 0x3F3F3F : 0);
        messageImage.SetPixel(x, y, (x + y) % 5 ? 0 : 0xFFFFFF);
      }
    layers.RefreshScreen();
  }
  // The message window, always shown.
  struct Message : MessageWindow {
    Picture image{640, 480, 0}, mask{640, 480, 0xFFFFFF};
    bool MessageVisible() const override { return true; }
    bool OverlayMessage(Picture& target) const override {
      target.Draw(0, 0, mask, RasterOp::And);
      target.Draw(0, 0, image, RasterOp::Or);
      return true;
    }
    LaidPictures Laid() const override { return {&mask, &image}; }
  };
  P platform;
  NoErrors errors;
  ClickState click;
  Waits waits{platform, platform, click};
  GameFiles files;
  Screen screen;
  Picture& back = screen.BackImage;
  Picture& work = screen.WorkScreen;
  Message message;
  Picture& messageImage = message.image;
  Picture& messageMask = message.mask;
  SystemSwitches switches;
  FlagStore flags;
  NoSystemValues system;
  Evaluator eval{flags, system, errors};
  Layers layers{LayerEnvironment{platform, platform, platform, errors, waits, click, files, screen,
                                 message, switches, eval}};
};

void BM_ComposeScene(benchmark::State& state) {
  Scene<> s;
  for (auto _ : state) {
    s.layers.ComposeScene();
    benchmark::DoNotOptimize(s.work.Pixels().data());
  }
}
BENCHMARK(BM_ComposeScene)->Unit(benchmark::kMicrosecond);

void BM_RefreshScreen(benchmark::State& state) {
  Scene<> s;
  for (auto _ : state) {
    s.layers.RefreshScreen();
    benchmark::DoNotOptimize(s.back.Pixels().data());
  }
}
BENCHMARK(BM_RefreshScreen)->Unit(benchmark::kMicrosecond);

// The floor under the two above: the same pictures read once and the result
// written once, in the same bands, with nothing but an OR per pixel — what
// any composition of this scene costs in memory traffic alone on this
// machine. Compose reads the background, the three objects and their masks
// and the effect and its mask (5.4 MB) and writes the work screen; Refresh
// also reads the message window's two pictures and writes the screen.
struct Source {
  const Picture* picture;
  int x, y;  // where its top left lands
};

// Each target picture gets its sources ORed in, all targets band by band.
using Target = std::pair<Picture*, std::vector<Source>>;

void OrBands(const std::vector<Target>& targets) {
  constexpr int kBand = 4;
  for (int y0 = 0; y0 < 480; y0 += kBand)
    for (const auto& [out, sources] : targets)
      for (const Source& s : sources)
        for (int y = std::max(y0, s.y); y < std::min(y0 + kBand, s.y + s.picture->Height());
             ++y) {
          const int x0 = std::max(0, s.x), x1 = std::min(640, s.x + s.picture->Width());
          const uint32_t* __restrict from = s.picture->Row(y - s.y) + (x0 - s.x);
          uint32_t* __restrict to = out->Row(y) + x0;
          for (int x = 0; x < x1 - x0; ++x) to[x] |= from[x];
        }
}

std::vector<Source> SceneSources(Scene<>& s) {
  std::vector<Source> sources = {{&s.layers.BackgroundLayer, 0, 0}};
  for (int i = 0; i < kObjectCount; ++i) {
    const LayerRecord& r = s.layers.state.objectRecords[2 * i];
    sources.push_back({&s.layers.objectMasks[i], r.x, r.y});
    sources.push_back({&s.layers.objectPictures[i], r.x, r.y});
  }
  sources.push_back({&s.layers.EffectLayer, 0, 0});
  sources.push_back({&s.layers.EffectMask, 0, 0});
  return sources;
}

void BM_ComposeSceneMemoryFloor(benchmark::State& state) {
  Scene<> s;
  const std::vector<Target> targets = {{&s.work, SceneSources(s)}};
  for (auto _ : state) {
    OrBands(targets);
    benchmark::DoNotOptimize(s.work.Pixels().data());
  }
}
BENCHMARK(BM_ComposeSceneMemoryFloor)->Unit(benchmark::kMicrosecond);

void BM_RefreshScreenMemoryFloor(benchmark::State& state) {
  Scene<> s;
  const std::vector<Target> targets = {
      {&s.work, SceneSources(s)},
      {&s.back, {{&s.work, 0, 0}, {&s.messageMask, 0, 0}, {&s.messageImage, 0, 0}}}};
  for (auto _ : state) {
    OrBands(targets);
    benchmark::DoNotOptimize(s.back.Pixels().data());
  }
}
BENCHMARK(BM_RefreshScreenMemoryFloor)->Unit(benchmark::kMicrosecond);

// One step of a transition, the steps taken in turn (the preparation is not
// timed: it is a composition, measured above).
void BM_TransitionStep(benchmark::State& state) {
  const TransitionSpec& spec = AllTransitions()[static_cast<size_t>(state.range(0))];
  state.SetLabel(std::string(spec.name));
  Scene<> s;
  s.layers.ScratchPicture.Resize(640, 480);
  TransitionPlayer player(s.layers, spec);
  player.Prepare();
  int step = 0;
  for (auto _ : state) {
    player.DrawStep(step);
    benchmark::DoNotOptimize(s.back.Pixels().data());
    if (++step == player.StepCount()) step = 0;
  }
}
BENCHMARK(BM_TransitionStep)
    ->DenseRange(0, 35)
    ->Unit(benchmark::kMicrosecond)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);

// A whole transition against a real clock.
void BM_TransitionPace(benchmark::State& state) {
  static const char* kNames[] = {"#TILE0", "#WIPE0", "#BLEND0", "#SCROLL0"};
  const char* name = kNames[state.range(0)];
  state.SetLabel(name);
  const TransitionSpec* spec = FindTransition(name);
  Scene<RealClockPlatform> s;
  const double nominal =
      static_cast<double>(TransitionPlayer(s.layers, *spec).StepCount()) * spec->waitMs;
  double total = 0;
  for (auto _ : state) {
    const auto start = std::chrono::steady_clock::now();
    RunTransition(s.layers, name);
    total +=
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
  }
  state.counters["nominal_ms"] = nominal;
  state.counters["pace"] = total / static_cast<double>(state.iterations()) / nominal;
}
BENCHMARK(BM_TransitionPace)->DenseRange(0, 3)->Unit(benchmark::kMillisecond)->Iterations(5);

}  // namespace
