// Picture decoding and pixel effects (issue 4's speed targets):
//   MAG 640 × 400 in 256 colours decoded in under 2 ms; FRL 640 × 480 in
//   under 2 ms (issue 25: MAG to a picture in 0.3 ms, 0.4 ms in 16 colours,
//   FRL in 0.25 ms); each blend routine over a 640 × 480 effect with mask mode 1
//   under 0.5 ms; BuildColorKeyMask on 640 × 480 under 0.5 ms.
#include <benchmark/benchmark.h>

#include <random>

#include "../tests/graphics/PictureFixtures.h"
#include "graphics/Blend.h"
#include "graphics/Frl.h"
#include "graphics/ImageDecoders.h"
#include "graphics/Mag.h"
#include "graphics/Mask.h"
#include "graphics/Picture.h"

namespace {

using namespace korvana;

std::span<const uint8_t> Bytes(const std::string& s) {
  return {reinterpret_cast<const uint8_t*>(s.data()), s.size()};
}

const std::string& MagFile(bool colors256) {
  static const std::string m256 = test::EncodeMag(test::MakeMagImage(true, 640, 400, 1)).bytes;
  static const std::string m16 = test::EncodeMag(test::MakeMagImage(false, 640, 400, 2)).bytes;
  return colors256 ? m256 : m16;
}

// The converter alone: MAG bytes to BMP bytes.
void BM_MagConvert(benchmark::State& state) {
  const std::string& file = MagFile(state.range(0) == 256);
  std::vector<uint8_t> bmp(MagToBmp::ProbeSize(Bytes(file)));
  for (auto _ : state) {
    int r = MagToBmp::Convert(Bytes(file), bmp);
    benchmark::DoNotOptimize(r);
    benchmark::DoNotOptimize(bmp.data());
  }
}
BENCHMARK(BM_MagConvert)->Arg(256)->Arg(16)->Unit(benchmark::kMicrosecond);

// What LoadPicture does with the bytes: the picture straight from the MAG.
void BM_MagDecodeToPicture(benchmark::State& state) {
  const std::string& file = MagFile(state.range(0) == 256);
  for (auto _ : state) {
    Picture p;
    DecodeMag(Bytes(file), p);
    benchmark::DoNotOptimize(p.Pixels().data());
  }
}
BENCHMARK(BM_MagDecodeToPicture)->Arg(256)->Arg(16)->Unit(benchmark::kMicrosecond);

// The same picture through the converter's bitmap and the BMP reader, to
// compare.
void BM_MagThroughBmp(benchmark::State& state) {
  const std::string& file = MagFile(state.range(0) == 256);
  for (auto _ : state) {
    std::vector<uint8_t> bmp;
    MagToBmp::ConvertToBmp(Bytes(file), bmp);
    Picture p;
    std::string error;
    DecodeBmp(bmp, p, error);
    benchmark::DoNotOptimize(p.Pixels().data());
  }
}
BENCHMARK(BM_MagThroughBmp)->Arg(256)->Arg(16)->Unit(benchmark::kMicrosecond);

// FRL 640 × 480 with runs of 1..16 pixels (typical of flat artwork).
std::string FrlFile(int coding) {
  std::mt19937 rng(coding);
  std::string data;
  size_t pixels = 0;
  const size_t total = 640 * 480;
  if (coding == 18) {
    for (int plane = 0; plane < 3; ++plane)
      for (size_t n = 0; n < total;) {
        const int b = static_cast<int>(rng() & 0xFF);
        data += static_cast<char>(b);
        n += (b & 3) + 1;
      }
  } else {
    while (pixels < total) {
      const int run = 1 + static_cast<int>(rng() % 16);
      if (coding == 24) {
        data += static_cast<char>(run - 1);
        for (int i = 0; i < 3; ++i) data += static_cast<char>(rng());
      } else if (coding == 12) {
        data += static_cast<char>(((rng() & 15) << 4) | (run - 1));
        data += static_cast<char>(rng());
      } else {
        data += static_cast<char>(((rng() & 3) << 6) | (run - 1));
        data += static_cast<char>(rng());
      }
      pixels += run;
    }
  }
  return test::BuildFrl(coding, 640, 480, data);
}

void BM_FrlDecode(benchmark::State& state) {
  const std::string file = FrlFile(static_cast<int>(state.range(0)));
  Picture p;
  for (auto _ : state) {
    DecodeFrl(Bytes(file), p);
    benchmark::DoNotOptimize(p.Pixels().data());
  }
}
BENCHMARK(BM_FrlDecode)->Arg(24)->Arg(18)->Arg(12)->Arg(10)->Unit(benchmark::kMicrosecond);

// A 640 × 480 effect over a 640 × 480 scene, mask mode 1 with about half of
// the mask black.
void BM_Blend(benchmark::State& state) {
  const int mode = static_cast<int>(state.range(0));
  const int maskMode = static_cast<int>(state.range(1));
  std::mt19937 rng(5);
  Picture effect(640, 480), screen(640, 480), mask(640, 480);
  for (uint32_t& v : effect.Pixels()) v = rng() & 0xFFFFFF;
  for (uint32_t& v : screen.Pixels()) v = rng() & 0xFFFFFF;
  for (uint32_t& v : mask.Pixels()) v = (rng() & 1) ? 0xFFFFFF : 0;
  const Picture original = screen;
  for (auto _ : state) {
    BlendEffect(mode, 0, 0, 640, 480, effect, screen, mask, maskMode);
    benchmark::DoNotOptimize(screen.Pixels().data());
    benchmark::ClobberMemory();
  }
  state.SetLabel(BlendKeyword(mode));
}
BENCHMARK(BM_Blend)
    ->ArgsProduct({{0, 1, 2, 3, 4, 5, 6, 7, 8}, {1}})
    ->Args({5, 0})
    ->Args({8, 2})
    ->Unit(benchmark::kMicrosecond);

void BM_BuildColorKeyMask(benchmark::State& state) {
  std::mt19937 rng(6);
  Picture source(640, 480), mask;
  for (uint32_t& v : source.Pixels()) v = (rng() % 4 == 0) ? 0x00FF00 : rng() & 0xFFFFFF;
  Picture picture = source;
  for (auto _ : state) {
    state.PauseTiming();
    picture = source;
    state.ResumeTiming();
    BuildColorKeyMask(picture, mask, 0x00FF00);
    benchmark::DoNotOptimize(mask.Pixels().data());
  }
}
BENCHMARK(BM_BuildColorKeyMask)->Unit(benchmark::kMicrosecond);

void BM_BlitAnd(benchmark::State& state) {
  Picture a(640, 480, 0x123456), b(640, 480, 0xFFFF00);
  for (auto _ : state) {
    a.Blit(0, 0, 640, 480, b, 0, 0, RasterOp::And);
    benchmark::DoNotOptimize(a.Pixels().data());
  }
}
BENCHMARK(BM_BlitAnd)->Unit(benchmark::kMicrosecond);

}  // namespace
