#include "script/MenuTable.h"

#include "script/Engine.h"

namespace korvana {
namespace {

using config::Settings;

// In the menu's order. Items the story allows only at times (a click wait, a
// save point) start off. (clang-format would give every field a line.)
// clang-format off
const MenuRow kMenu[] = {
    {.name = "Mdisplay", .caption = "画面表示", .submenu = true},
    {.name = "Khideimage", .caption = "背景を消す", .parent = "Mdisplay", .shortcut = "Ctrl+T",
     .item = MenuItem::HideBackground, .enabled = Never, .ownWait = true,
     .action = [](Engine& e) { e.ShowMessageOnlyView(); }},
    {.name = "Khidetext", .caption = "文字を消す", .parent = "Mdisplay", .shortcut = "Ctrl+B",
     .item = MenuItem::HideText, .enabled = Never, .ownWait = true,
     .action = [](Engine& e) { e.ShowPictureOnlyView(); }},
    // The window changes under the music, which starts again.
    {.name = "Kwinmode", .caption = "画面の枠の表示", .parent = "Mdisplay", .shortcut = "Ctrl+W",
     .checked = Always, .action = [](Engine& e) { e.RestartMusic(); },
     .host = MenuHost::Frame},
    {.name = "Kfullscr", .caption = "フルスクリーン表示", .parent = "Mdisplay",
     .shortcut = "Ctrl+G", .checked = Never, .action = [](Engine& e) { e.RestartMusic(); },
     .host = MenuHost::FullScreen},
    {.name = "Mdarkness", .caption = "背景を暗くする", .parent = "Mdisplay", .shortcut = "Ctrl+D",
     .item = MenuItem::Darkness, .enabled = Never,
     .checked = [](const Settings& s) { return s.BGDarkness; },
     .action = [](Engine& e) { e.ToggleDarkness(); }},

    {.name = "Moption", .caption = "設定変更", .submenu = true},
    {.name = "Kmusic", .caption = "音楽再生", .parent = "Moption", .shortcut = "Ctrl+M",
     .item = MenuItem::Music, .checked = [](const Settings& s) { return s.EnableMusic; },
     .action = [](Engine& e) { e.ToggleMusic(); }},
    {.name = "Ksound", .caption = "効果音再生", .parent = "Moption", .shortcut = "Ctrl+V",
     .item = MenuItem::Sound, .checked = [](const Settings& s) { return s.EnableSound; },
     .action = [](Engine& e) { e.ToggleSound(); }},
    {.name = "Ktxtwait", .caption = "高速文字表示", .parent = "Moption", .shortcut = "Ctrl+H",
     .item = MenuItem::HighSpeed, .checked = [](const Settings& s) { return s.HighSpeedText; },
     .action = [](Engine& e) { e.ToggleHighSpeed(); }},
    {.name = "Ktxtskip", .caption = "ページ単位表示", .parent = "Moption", .shortcut = "Ctrl+P",
     .item = MenuItem::PageUnit, .checked = [](const Settings& s) { return s.SkipText; },
     .action = [](Engine& e) { e.TogglePageUnit(); }},
    {.name = "Kfont", .caption = "フォント設定", .parent = "Moption", .item = MenuItem::Font,
     .ownWait = true, .action = [](Engine& e) { e.ChooseFonts(); }},

    {.name = "Msave", .caption = "データ保存", .shortcut = "Ctrl+S", .item = MenuItem::Save,
     .enabled = Never, .ownWait = true, .action = [](Engine& e) { e.SaveFromDialog(); }},
    {.name = "Mload", .caption = "データ読み込み", .shortcut = "Ctrl+L", .item = MenuItem::Load,
     .enabled = Never, .ownWait = true, .action = [](Engine& e) { e.LoadFromDialog(); }},
    {.name = "Mback", .caption = "前の文章を読む", .item = MenuItem::Log, .ownWait = true,
     .action = [](Engine& e) { e.ShowLogScreen(); }},
    {.name = "Mtitle", .caption = "タイトルへ戻る", .shortcut = "Ctrl+R",
     .item = MenuItem::TitleReturn, .enabled = Never,
     .action = [](Engine& e) { e.AskTitleReturn(); }},
    {.name = "Mversion", .caption = "バージョン情報", .ownWait = true,
     .action = [](Engine& e) { e.ShowVersion(); }},
    {.name = "Mexit", .caption = "終了する", .shortcut = "Ctrl+Q", .host = MenuHost::Close},
    {.name = "Mdebug", .caption = "キャンセル", .debugCaption = "デバッグモード",
     .action = [](Engine& e) { e.ShowDebugWindow(); }},
    {.name = "Mskipout", .caption = "読んだ文章を飛ばす", .shortcut = "Ctrl+F",
     .item = MenuItem::SkipRead,
     .enabled = [](const Settings& s) { return s.TextMaxIndex.has_value(); },
     .action = [](Engine& e) { e.StartSkipRead(); }},

    // The reader's comforts, which no game's menu has: every shortcut is one
    // no item above uses.
    {.name = "Xtools", .caption = "便利機能", .submenu = true},
    {.name = "Xback", .caption = "一つ前に戻る", .parent = "Xtools", .shortcut = "Backspace",
     .item = MenuItem::Back, .enabled = Never, .action = [](Engine& e) { e.GoBack(); }},
    {.name = "Xforward", .caption = "次へ進む", .parent = "Xtools", .shortcut = "Shift+Backspace",
     .item = MenuItem::Forward, .enabled = Never, .action = [](Engine& e) { e.GoForward(); }},
    {.name = "Xauto", .caption = "オート", .parent = "Xtools", .shortcut = "A",
     .item = MenuItem::Auto, .checked = Never, .action = [](Engine& e) { e.ToggleAuto(); }},
    {.name = "Xqsave", .caption = "クイックセーブ", .parent = "Xtools", .shortcut = "F5",
     .item = MenuItem::QuickSave, .enabled = Never, .action = [](Engine& e) { e.QuickSave(); }},
    {.name = "Xqload", .caption = "クイックロード", .parent = "Xtools", .shortcut = "F9",
     .item = MenuItem::QuickLoad, .enabled = Never, .action = [](Engine& e) { e.QuickLoad(); }},
    {.name = "Xshot", .caption = "スクリーンショット", .parent = "Xtools", .shortcut = "F12",
     .action = [](Engine& e) { e.TakeScreenshot(); }},
    {.name = "Xsettings", .caption = "設定…", .parent = "Xtools", .shortcut = "Ctrl+O",
     .ownWait = true, .host = MenuHost::Settings},
    // Speech for a reader who listens, and the page's text for a tool beside
    // the game; V and T alone are free, the game's items use them with Ctrl.
    {.name = "Xspeak", .caption = "読み上げ", .parent = "Xtools", .shortcut = "V",
     .item = MenuItem::Speak, .checked = Never, .action = [](Engine& e) { e.ToggleSpeech(); }},
    {.name = "Xtextout", .caption = "テキストを外部へ", .parent = "Xtools", .shortcut = "T",
     .item = MenuItem::TextOut, .checked = Never,
     .action = [](Engine& e) { e.ToggleTextOut(); }},

    // The author's tools, in a game with debugging on ("DebugMode=on").
    {.name = "Xreload", .caption = "スクリプト再読込", .parent = "Xtools", .shortcut = "Shift+R",
     .item = MenuItem::Reload, .enabled = [](const Settings& s) { return s.DebugMode; },
     .action = [](Engine& e) { if (e.Settings().debugMode) e.ReloadScript(); },
     .debugOnly = true},
};
// clang-format on

}  // namespace

std::span<const MenuRow> MenuTable() {
  return kMenu;
}

const MenuRow* FindMenuItem(std::span<const MenuRow> rows, std::string_view name) {
  for (const MenuRow& row : rows)
    if (!row.submenu && name == row.name) return &row;
  return nullptr;
}

const MenuRow* FindMenuItem(std::span<const MenuRow> rows, MenuItem item) {
  for (const MenuRow& row : rows)
    if (row.item == item) return &row;
  return nullptr;
}

const char* MenuCaption(const MenuRow& row, const config::Settings& settings) {
  return settings.DebugMode && row.debugCaption ? row.debugCaption : row.caption;
}

bool MenuStartsEnabled(const MenuRow& row, const config::Settings& settings) {
  return !row.enabled || row.enabled(settings);
}

int MenuStartsChecked(const MenuRow& row, const config::Settings& settings) {
  return row.checked ? int(row.checked(settings)) : -1;
}

void RunMenuAction(Engine& engine, const MenuRow& row) {
  // Speech and text out go along with auto mode: a listener may want both.
  if (row.item != MenuItem::Auto && row.item != MenuItem::Speak && row.item != MenuItem::TextOut)
    engine.StopAuto();
  if (row.action) row.action(engine);
  engine.ClearClicks();
}

}  // namespace korvana
