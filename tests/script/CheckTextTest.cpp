// `korvana-script check` reading inside message text, masks, music modes,
// numbered frames and subroutines: each mistake warns on its line, and its
// correct twin does not.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <fstream>

#include "TempDir.h"
#include "TestPaths.h"
#include "core/Cp932.h"

namespace korvana {
namespace {

const std::string kScriptTool = std::string(KORVANA_BINARY_DIR) + "/tools/script/korvana-script";

int Check(const test::TempDir& game, const std::string& options, std::vector<std::string>& out) {
  const std::string listing = game.str() + "/check.log";
  const int status = std::system(
      (kScriptTool + " check " + game.str() + " " + options + " > " + listing + " 2>&1").c_str());
  std::ifstream in(listing);
  out.clear();
  for (std::string l; std::getline(in, l);) out.push_back(l);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST(ScriptCheck, WarnsAtEachMistakeAndNotAtItsTwin) {
  struct Case {
    const char* what;
    std::string script;  // autorun.txt, UTF-8 (written as CP932)
    std::vector<std::string> warnings;
    std::string other = {};  // other.txt, when there is one
  } cases[] = {
      {"a mask picture that is missing", "_objput 0,a.png,nomask.png,0,0\r\n",
       {"autorun.txt:1:17: warning: マスク画像: ファイルがありません: nomask.png"}},
      {"a mask picture that is there", "_objput 0,a.png,mask.png,0,0\r\n", {}},
      {"a mask of the effect layer that nothing decodes", "_efload a.png,mask.jpeg,1\r\n",
       {"autorun.txt:1:15: warning: マスク画像: 画像として読み込まれない名前です: mask.jpeg"}},
      {"a transparent colour that is not one", "_objload 1,a.png,#GGGGGG\r\n",
       {"autorun.txt:1:18: warning: 透過色 #GGGGGG は読めません（実行時「色指定が異常です。:#"
        "GGGGGG」）。#RRGGBB（16進数6桁）か #NONE・#TOP_LEFT・#TOP_RIGHT・#BOTTOM_LEFT・"
        "#BOTTOM_RIGHT と書きます"}},
      {"keywords and colours of transparency",
       "_objload 1,a.png,#NONE\r\n_sprload a.png,8,8,\"#TOP_LEFT\"\r\n_objload 2,a.png,#FF00FF\r\n", {}},
      {"a picture in the text that is missing", "はい<A\"no.png\">です\r\n",
       {"autorun.txt:1:6: warning: ファイルがありません: no.png"}},
      {"a picture in the text that is there", "はい<A\"a.png\">です\r\n", {}},
      {"a sound in the text that nothing plays", "  <O\"se.txt\">ね\r\n",
       {"autorun.txt:1:4: warning: 音として再生されない名前です: se.txt"}},
      {"a voice in the text that is there, after a text id", "~00000001<V\"se.wav\">ね\r\n", {}},
      {"a colour the run refuses", "あ<C#GGGGGG>い\r\n",
       {"autorun.txt:1:4: warning: <C の色「#GGGGGG」は読めません（実行時「色指定が異常です。:#"
        "GGGGGG」）。<C#RRGGBB> のように # と16進数6桁で書きます"}},
      {"a colour cut short", "<B#FFF>い\r\n",
       {"autorun.txt:1:2: warning: <B の色「#FFF>い」は読めません（実行時「色指定が異常です。:#"
        "FFF>い」）。<B#RRGGBB> のように # と16進数6桁で書きます",
        // The colour took the ">" along.
        "autorun.txt:1:1: warning: 「<」が閉じていないため、行の終わりまでが命令として読まれます。"
        "「>」で閉じます"}},
      {"colours that are read", "あ<C#FF00FF B#000000>い\r\n", {}},
      {"a letter the reader does not know", "<S2 Z3>x\r\n",
       {"autorun.txt:1:5: warning: 「<」の中の「Z」は命令の文字ではなく、読み飛ばされます。"
        "使える文字: SFXYMNLHJKTWQIRUCBDPEVOA"}},
      {"a letter in the wrong case, and the capital it runs into", "<c#FF0000>x\r\n",
       {"autorun.txt:1:2: warning: 「<」の中の「c」は命令の文字ではなく、読み飛ばされます。"
        "使える文字: SFXYMNLHJKTWQIRUCBDPEVOA",
        "autorun.txt:1:4: warning: 「<F」の後の数が読めず、行はここで止まります（'' "
        "は正しい整数値ではありません）。<F2> のように数を書きます"}},
      {"a letter without its number", "<S>x\r\n",
       {"autorun.txt:1:2: warning: 「<S」の後の数が読めず、行はここで止まります（'' "
        "は正しい整数値ではありません）。<S2> のように数を書きます"}},
      {"a group that is not closed", "あ<S2\r\n",
       {"autorun.txt:1:3: warning: 「<」が閉じていないため、行の終わりまでが命令として読まれます。"
        "「>」で閉じます"}},
      {"a name that is not closed", "<A\"a.png\r\n",
       {"autorun.txt:1:2: warning: <A\" の名前を閉じる「\"」と「>」がありません。<A\"名前\"> "
        "と書きます"}},
      {"groups that are closed, and lines that are not text",
       "<S2>|\r\n\\<Z>\r\n;<Z>\r\n!<Z>\r\n_scroll 1,#FFFFFF,1,1,0\r\n<Z>\r\n_endscroll\r\n", {}},
      {"music under no mode", "_bgmplay bgm1,0\r\n",
       {"autorun.txt:1:10: warning: _bgmmode で 0 から 4 のモードがどこにも指定されていないため、"
        "_bgmplay bgm1 は何も鳴らしません。先に _bgmmode 0（bgm1.mid）などと書きます"}},
      {"music that no mode finds", "_bgmmode 0\r\n_(0), _bgmmode 3\r\n_bgmplay bgm2,0\r\n",
       {"autorun.txt:3:10: warning: _bgmplay bgm2 はスクリプトが指定するどの BGM "
        "モードでも見つかりません: モード0 bgm2.mid がありません、モード3 bgm2.wav がありません"}},
      {"music that one mode finds", "_bgmmode 0\r\n_bgmmode 3\r\n_bgmplay bgm1,0\r\n", {}},
      {"a track the ripped tracks lack, and a name with no number",
       "_bgmmode 4\r\n_bgmplay 03song,0\r\n_bgmplay song,0\r\n_bgmplay 02song\r\n",
       {"autorun.txt:2:10: warning: _bgmplay 03song はスクリプトが指定するどの BGM "
        "モードでも見つかりません: モード4 cdda に track03 がありません",
        "autorun.txt:3:10: warning: _bgmplay song はスクリプトが指定するどの BGM "
        "モードでも見つかりません: モード4 名前の頭の2文字 so が曲番号になりません（01 など）"}},
      {"a mode set by an expression", "_bgmmode $flg[1]\r\n_bgmplay bgm2,0\r\n", {}},
      {"numbered frames with one missing", "_movplay op.png,1,4,33\r\n",
       {"autorun.txt:1:10: warning: _movplay のコマ 4 枚のうち 1 枚がありません。"
        "最初にないのは op003.png"}},
      {"numbered frames that nothing decodes", "_movplay op.gif,1,2\r\n",
       {"autorun.txt:1:10: warning: 画像として読み込まれない名前です: op001.gif"}},
      {"numbered frames that are all there", "_movplay op.png,1,2,33\r\n_movplay op.png,1,$flg[1]\r\n",
       {}},
      {"a subroutine that runs into the end",
       "_gosub :sub\r\n_end\r\n:sub\r\n_(1), _return\r\nおわり\r\n",
       {"autorun.txt:1:1: warning: _gosub :sub の行き先は、_return を通らずに 5 "
        "行目でスクリプトの終わりに着きます。戻る所に _return を書きます"}},
      {"a subroutine whose condition may pass its return by",
       "_(1), _gosub :sub\r\n_stop\r\n:sub\r\n_if $flg[1]\r\n_then\r\n_return\r\n_endthen\r\n",
       {"autorun.txt:1:7: warning: _gosub :sub の行き先は、_return を通らずに 7 "
        "行目でスクリプトの終わりに着きます。戻る所に _return を書きます"}},
      {"a subroutine that returns on every path",
       "_gosub :sub\r\n_stop\r\n:sub\r\n_if $flg[1]\r\n_then\r\n_return\r\n_endthen\r\n"
       "_selmenu 0,0,#FFFFFF,#808080,20\r\nはい,,_goto :back\r\nいいえ,,_return\r\n_endsel\r\n"
       ":back\r\n_return\r\n",
       {}},
      {"a subroutine whose entry leads out of it",
       "_gosub :sub\r\n_stop\r\n:sub\r\n_selmenu 0,0,#FFFFFF,#808080,20\r\nはい,,_return\r\n"
       "いいえ,,_goto :x,other.txt\r\n_endsel\r\n_return\r\n",
       {"autorun.txt:1:1: warning: _gosub :sub の行き先は、_return を通らずに 6 行目の _goto "
        "で別のスクリプトへ出ます。戻る所に _return を書きます"},
       ":x\r\n"},
      {"a subroutine that loops or stops", "_gosub :sub\r\n:sub\r\n:loop\r\n_goto :loop\r\n",
       {}},
      {"a label that stands in another script", "_goto :there\r\n_gosub :there\r\n",
       {"autorun.txt:1:7: warning: ラベル :there は other.txt にあります。\"_goto :there,other.txt\""
        " と書きます",
        "autorun.txt:2:8: warning: ラベル :there は other.txt にあります。_gosub "
        "は同じスクリプトの中しか探しません"},
       ":there\r\n_stop\r\n"},
      {"a label in the script the jump names", "_goto :there,other.txt\r\n", {},
       ":there\r\n_stop\r\n"},
  };
  for (const Case& c : cases) {
    test::TempDir game;
    for (const char* file : {"a.png", "mask.png", "se.wav", "bgm1.mid", "op001.png", "op002.png",
                             "op004.png", "cdda/track02.ogg"})
      game.Write(file, "");
    game.Write("autorun.txt", cp932::FromUtf8(c.script));
    if (!c.other.empty()) game.Write("other.txt", c.other);
    std::vector<std::string> out;
    // Only faults fail the check; these are warnings.
    const bool faults = c.what == std::string("a label that stands in another script");
    EXPECT_EQ(Check(game, "", out), faults ? 1 : 0) << c.what;
    std::vector<std::string> warnings;
    for (const std::string& l : out)
      if (l.find(": warning: ") != std::string::npos) warnings.push_back(l);
    EXPECT_EQ(warnings, c.warnings) << c.what;
    EXPECT_EQ(Check(game, "--werror", out), c.warnings.empty() && !faults ? 0 : 1) << c.what;
  }
}

}  // namespace
}  // namespace korvana
