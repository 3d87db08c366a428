// Passes done band by band leave what the same passes done one after another
// leave, whatever the pictures they share.
#include "graphics/RowPasses.h"

#include <gtest/gtest.h>

#include <random>

#include "graphics/Blend.h"

namespace korvana {
namespace {

// Each channel to (c × (256 − rate)) >> 8, the top byte to 0, written from
// the definition.
void ReferenceDarken(Picture& p, int32_t rate) {
  const uint32_t f = static_cast<uint32_t>(256 - std::clamp(rate, 0, 256));
  if (f == 256) return;
  for (uint32_t& v : p.Pixels()) {
    uint32_t out = 0;
    for (int c = 0; c < 24; c += 8) out |= ((((v >> c) & 0xFF) * f) >> 8) << c;
    v = out;
  }
}

enum class Kind { Blit, MaskedPicture, Fill, Blend, Darken };

// One pass on pictures chosen by number, done either way.
struct Step {
  Kind kind;
  int dest, src, mask;
  int x, y, w, h, sx, sy;
  int op;  // raster op, blend mode or darkness rate
  int maskMode;
  uint32_t color;

  void Sequential(std::vector<Picture>& p) const {
    switch (kind) {
      case Kind::Blit:
        p[dest].Blit(x, y, w, h, p[src], sx, sy, static_cast<RasterOp>(op));
        break;
      case Kind::MaskedPicture:
        p[dest].Draw(x, y, p[mask], RasterOp::And);
        p[dest].Draw(x, y, p[src], RasterOp::Or);
        break;
      case Kind::Fill:
        p[dest].Fill(color);
        break;
      case Kind::Blend:
        BlendEffect(op, x, y, w, h, p[src], p[dest], p[mask], maskMode);
        break;
      case Kind::Darken:
        ReferenceDarken(p[dest], op);
        break;
    }
  }
  void Banded(std::vector<Picture>& p, RowPasses& passes) const {
    switch (kind) {
      case Kind::Blit:
        passes.Blit(p[dest], x, y, w, h, p[src], sx, sy, static_cast<RasterOp>(op));
        break;
      case Kind::MaskedPicture:
        passes.Draw(p[dest], x, y, p[mask], RasterOp::And);
        passes.Draw(p[dest], x, y, p[src], RasterOp::Or);
        break;
      case Kind::Fill:
        passes.Fill(p[dest], color);
        break;
      case Kind::Blend:
        passes.Blend(op, x, y, w, h, p[src], p[dest], p[mask], maskMode);
        break;
      case Kind::Darken:
        passes.Darken(p[dest], op);
        break;
    }
  }
};

std::vector<Picture> RandomPictures(std::mt19937& rng, int count, int maxSide) {
  std::vector<Picture> p;
  for (int i = 0; i < count; ++i) {
    p.emplace_back(1 + static_cast<int>(rng() % maxSide), 1 + static_cast<int>(rng() % maxSide));
    // Masks need zeros to matter: a third of the pixels are 0.
    for (uint32_t& v : p.back().Pixels()) v = rng() % 3 == 0 ? 0 : rng() & 0xFFFFFF;
  }
  return p;
}

Step RandomStep(std::mt19937& rng, int pictures, int maxSide) {
  auto pick = [&] { return static_cast<int>(rng() % pictures); };
  auto at = [&] { return static_cast<int>(rng() % (2 * maxSide)) - maxSide / 2; };
  Step s{};
  s.kind = static_cast<Kind>(rng() % 5);
  s.dest = pick();
  s.src = pick();
  s.mask = pick();
  s.x = at();
  s.y = at();
  s.sx = at();
  s.sy = at();
  s.w = static_cast<int>(rng() % (maxSide + 8));
  s.h = static_cast<int>(rng() % (maxSide + 8));
  s.op = s.kind == Kind::Blit     ? static_cast<int>(rng() % 5)
         : s.kind == Kind::Blend  ? static_cast<int>(rng() % 10)  // 9: no routine
         : s.kind == Kind::Darken ? static_cast<int>(rng() % 300) - 20
                                  : 0;
  s.maskMode = static_cast<int>(rng() % 4);  // 3: nothing drawn
  s.color = rng() & 0xFFFFFF;
  return s;
}

TEST(RowPasses, BandsLeaveWhatThePassesOneByOneLeave) {
  struct Case {
    const char* what;
    int pictures;  // fewer pictures: more passes share them
    int maxSide;   // sides up to it, so bands end inside and outside pictures
    int steps;
  };
  const Case cases[] = {
      {"one picture, every pass on itself", 1, 20, 6},
      {"two pictures read and written in turn", 2, 24, 8},
      {"a scene of distinct layers", 6, 40, 12},
      {"more passes than wait at once", 3, 16, 40},
  };
  std::mt19937 rng(25);
  for (const Case& c : cases) {
    for (int round = 0; round < 300; ++round) {
      const std::vector<Picture> start = RandomPictures(rng, c.pictures, c.maxSide);
      std::vector<Step> steps;
      for (int i = 0; i < 1 + static_cast<int>(rng() % c.steps); ++i)
        steps.push_back(RandomStep(rng, c.pictures, c.maxSide));
      std::vector<Picture> sequential = start, banded = start;
      for (const Step& s : steps) s.Sequential(sequential);
      {
        RowPasses passes;
        for (const Step& s : steps) s.Banded(banded, passes);
        passes.Run();
      }
      for (int i = 0; i < c.pictures; ++i)
        ASSERT_EQ(banded[i].Pixels(), sequential[i].Pixels())
            << c.what << ", round " << round << ", picture " << i;
    }
  }
}

TEST(RowPasses, DarkenMatchesTheChannelFormulaOnEveryValue) {
  // Every channel value and rate edges, across the vector body and the tail.
  Picture values(257, 3);
  for (int i = 0; i < 257 * 3; ++i)
    values.Pixels()[i] = static_cast<uint32_t>(i % 256) * 0x010101u | (i % 7 == 0 ? 0xFF000000u : 0);
  for (int32_t rate : {-5, 0, 1, 32, 128, 255, 256, 300}) {
    Picture expected = values, actual = values;
    ReferenceDarken(expected, rate);
    RowPasses passes;
    passes.Darken(actual, rate);
    passes.Run();
    EXPECT_EQ(actual.Pixels(), expected.Pixels()) << rate;
  }
}

}  // namespace
}  // namespace korvana
