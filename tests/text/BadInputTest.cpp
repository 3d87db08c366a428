// Malformed text never crashes or draws outside the pictures: it is shown,
// reported through the usual path, or ends the run as a conversion error.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "TextSupport.h"
#include "script/EngineProbe.h"

namespace korvana {
namespace {

using test::GameRun;

TEST(BadText, ReportsAndSurvives) {
  struct Case {
    const char* name;
    std::string line;
    std::vector<std::string> errors;
    bool runEnds;  // the conversion error ends the script run
  };
  const std::string notInteger = "' は正しい整数値ではありません";
  const std::vector<Case> cases = {
      {"unterminated group", "あ<X10", {}, false},
      {"unterminated ruby", "あ(漢字", {}, false},
      {"unterminated flag value", "あ[$flg[1]", {}, false},
      {"number without digits", "<S>あ", {"'" + notInteger}, true},
      {"sign without digits", "<X->あ", {"'-" + notInteger}, true},
      {"number past the end", "あ<S", {"'" + notInteger}, true},
      {"number beyond 32 bits", "<X99999999999>", {"'99999999999" + notInteger}, true},
      {"colour past the end", "あ<C#FF", {}, false},
      {"colour that is no colour", "<Cabcdefg>あ", {"色指定が異常です。:abcdefg"}, false},
      {"far off the screen", "<X-2147483648Y2147483647>あいう<M2147483647>え", {}, false},
      {"huge size", "<S26T99999>あ", {}, false},
      {"nested ruby", "(((((((((((((a)b)c)d)e)f)g)h)i)j)k)l)m)n)", {}, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    GameRun run;
    test::RunText(run, {c.line, "_$flg[1]=7"});
    // Message boxes and the exception box, without the error report's
    // question that follows each.
    std::vector<std::string> errors;
    for (const std::string& e : run.Events("box")) {
      const size_t tab = e.find('\t');
      const std::string text = e.substr(tab + 1, e.rfind('\t') - tab - 1);
      if (text.find("エラー発生") == std::string::npos) errors.push_back(text);
    }
    EXPECT_EQ(errors, c.errors);
    EXPECT_EQ(run.Flag(1), c.runEnds ? "0" : "7");
  }
}

TEST(BadText, RubyAtTheLargestOffsetStaysInRange) {
  // The cursor plus the largest offset does not fit 32 bits: ruby is placed
  // far off the screen instead of overflowing.
  GameRun run;
  test::RunText(run, {"_textoffset 2147483647,0", "_textloc 1,0", "(a)b)", "_$flg[1]=7"});
  EXPECT_EQ(run.Flag(1), "7");
  EXPECT_TRUE(run.ErrorMessages().empty());
}

TEST(BadText, MissingInlinePictureIsTheLoaderError) {
  GameRun run;
  test::RunText(run, {"あ<A\"missing.png\">い", "_$flg[1]=7"});
  // The loader's error ends the run through the exception path, as a
  // missing picture does for every command.
  EXPECT_FALSE(run.Events("box").empty());
  EXPECT_EQ(run.Flag(1), "0");
}

TEST(BadText, TenThousandCharactersOnOneLine) {
  GameRun run;
  std::string line;
  for (int i = 0; i < 10000; ++i) line += "あ";
  test::RunText(run, {line, "_$flg[1]=7"});
  EXPECT_EQ(run.Flag(1), "7");
  // 26 characters a line, 11 lines a page.
  EXPECT_EQ(run.session().platform.ClicksGiven(), 10000 / 286 + 1);
}

TEST(BadText, AFaceThatDoesNotExistStillDraws) {
  EngineSettings settings;
  settings.fontTable[0] = test::Sjis("存在しない書体");
  GameRun run({}, settings);
  test::RunText(run, {"あ%"});
  int inked = 0;
  for (uint32_t px : run.probe().Message().MessageMask.Pixels()) inked += px == 0;
  EXPECT_GT(inked, 20);
}

TEST(Fonts, JapaneseNamesFallToInstalledJapaneseFaces) {
  FontLibrary fonts;
  for (const char* name : {"ＭＳ ゴシック", "ＭＳ Ｐゴシック", "ＭＳ 明朝"}) {
    SCOPED_TRACE(name);
    const std::string file = fonts.FaceFile(test::Sjis(name));
    // Debian names the IPA files through alternatives links.
    const std::string real =
        std::filesystem::weakly_canonical(file.substr(0, file.rfind('#'))).string();
    EXPECT_NE(real.find("ipa"), std::string::npos) << real;
  }
  const auto faces = fonts.InstalledFaces();
  EXPECT_NE(std::find(faces.begin(), faces.end(), "IPAGothic"), faces.end());
}

TEST(Fonts, AFaceIsListedByItsJapaneseNameOrItsFirstThatCp932CanSpell) {
  const struct {
    std::vector<FamilyName> names;
    const char* listed;  // UTF-8; empty: not listed
  } cases[] = {
      {{{"IPAGothic", "en"}, {"IPAゴシック", "ja"}}, "IPAゴシック"},
      {{{"DejaVu Sans", "en"}, {"DejaVu Sans Light", "en"}}, "DejaVu Sans"},
      {{{"NanumGothic", "en"}, {"나눔고딕", "ko"}}, "NanumGothic"},
      {{{"나눔고딕", "ko"}, {"NanumGothic", "en"}}, "NanumGothic"},
      {{{"나눔고딕", "ko"}}, ""},
      {{{"ไทย", "th"}, {"ΑΒΓ", "el"}}, "ΑΒΓ"},  // CP932 has plain Greek capitals
      {{{"Han Sans", "en"}, {"본 고딕", "ja"}}, "Han Sans"},
      {{{"Face", ""}, {"書体", "ja-JP"}}, "書体"},
      {{}, ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.listed);
    EXPECT_EQ(ListedFamilyName(c.names), test::Sjis(c.listed));
  }
}

TEST(Fonts, CandidateListsPickTheFirstInstalledFace) {
  EngineSettings settings;
  settings.defaultFont[1] = "NoSuchFace, IPAMincho, IPAGothic";
  settings.defaultFont[3] = "NoSuchFace";
  GameRun run({}, settings);
  test::RunText(run, {"<F1>あ%"});
  Engine& e = run.session().engine;
  EngineProbe probe(e);
  EXPECT_EQ(probe.Message().FontTable[1], "IPAMincho");
  EXPECT_EQ(probe.Message().FontTable[3], test::Sjis("ＭＳ ゴシック"));
  EXPECT_EQ(probe.Message().text.FontName, "IPAMincho");
}

TEST(Fonts, GlyphsAreOneBitAndCached) {
  FontLibrary fonts;
  const FontSpec font{test::Sjis("ＭＳ ゴシック"), 24, false};
  const Glyph& a = fonts.GetGlyph(font, test::Sjis("あ"));
  EXPECT_EQ(&a, &fonts.GetGlyph(font, test::Sjis("あ")));
  EXPECT_GT(a.width, 10);
  EXPECT_LE(a.top + a.height, 24);
  EXPECT_GE(a.top, 0);
  for (uint8_t bit : a.bits) EXPECT_LE(bit, 1);
  const FontSpec bold{font.name, 24, true};
  int plain = 0, heavy = 0;
  for (uint8_t bit : a.bits) plain += bit;
  for (uint8_t bit : fonts.GetGlyph(bold, test::Sjis("あ")).bits) heavy += bit;
  EXPECT_GT(heavy, plain);
}

}  // namespace
}  // namespace korvana

namespace korvana {
namespace {

// Glyphs at sizes up to the largest a script may ask for, every kana and
// more: what the cache keeps never passes its bound, and a glyph it gives
// back is still right after the cache started again.
TEST(Fonts, TheGlyphCacheStaysWithinItsBound) {
  FontLibrary fonts;
  const std::string name = test::Sjis("ＭＳ ゴシック");
  size_t most = 0;
  bool startedAgain = false;
  for (int height : {400, 800, 1600, 3200}) {
    for (uint8_t trail = 0x9F; trail <= 0xF1; ++trail) {  // ぁ to ん
      const std::string kana{'\x82', static_cast<char>(trail)};
      const size_t before = fonts.CachedGlyphBytes();
      const Glyph& g = fonts.GetGlyph({name, height, false}, kana);
      EXPECT_GT(g.width, height / 8) << height;
      startedAgain |= fonts.CachedGlyphBytes() < before;
      most = std::max(most, fonts.CachedGlyphBytes());
    }
  }
  EXPECT_TRUE(startedAgain);
  EXPECT_LE(most, FontLibrary::kMostGlyphBytes);
  EXPECT_GT(most, FontLibrary::kMostGlyphBytes / 2);
}

}  // namespace
}  // namespace korvana
