#include "script/TextCheck.h"

#include <set>

#include "core/Ascii.h"
#include "core/Cp932.h"
#include "core/Errors.h"
#include "core/FileResolver.h"
#include "core/FontSlots.h"
#include "graphics/PictureLoader.h"
#include "text/Markup.h"
#include "text/MessageText.h"

namespace korvana {
namespace {

// Keeps what a reader would have shown in a box.
struct Reports : ErrorSink {
  std::vector<std::string> messages;
  void ScriptError(const std::string& m) override { messages.push_back(m); }
  void ReportScriptError(const std::string&) override {}
};

bool HasExtension(const std::string& name, const std::set<std::string>& extensions) {
  const size_t dot = name.find_last_of('.');
  const size_t slash = name.find_last_of("\\/");
  return dot != std::string::npos && (slash == std::string::npos || dot > slash) &&
         extensions.count(LowerAscii(name.substr(dot))) != 0;
}

class TextReader {
 public:
  TextReader(std::string_view text, const GameFiles& files) : text_(text), files_(files) {}

  std::vector<TextNote> Run() {
    MarkupReader reader(text_, 1);
    while (!reader.AtEnd()) {
      const int at = reader.Position();
      const MarkupPiece piece = reader.Next(symbolFont_);
      if (piece.kind == MarkupKind::End) break;
      if (piece.kind == MarkupKind::InlineGroup && !Group(reader, at)) break;
    }
    return std::move(notes_);
  }

 private:
  void Note(int column, const std::string& sjisMessage) { notes_.push_back({column, sjisMessage}); }

  // The commands of the group opened at `open`; false when the run would
  // stop the line inside it.
  bool Group(MarkupReader& reader, int open) {
    for (;;) {
      const int before = reader.Position();
      InlineCommand command;
      try {
        command = reader.NextCommand(symbolFont_);
      } catch (const ScriptException& e) {
        const int at = reader.CommandStart();
        Skipped(before, at);
        Note(at, J("「<") + text_[at - 1] + J("」の後の数が読めず、行はここで止まります（") +
                     e.what() + J("）。<") + text_[at - 1] + J("2> のように数を書きます"));
        return false;
      }
      const int start = reader.CommandStart();
      Skipped(before, start);
      if (command.letter == 0) {
        if (start > reader.Length())
          Note(open, J("「<」が閉じていないため、行の終わりまでが命令として読まれます。"
                       "「>」で閉じます"));
        return true;
      }
      if (!Command(command, start, reader)) return false;
    }
  }

  // Characters the reader passes over without a word: a letter it does not
  // know, or one in the wrong case, does nothing at all.
  void Skipped(int from, int to) {
    for (int p = from; p < to;) {
      const std::string_view ch = MarkupCharAt(text_, p, symbolFont_);
      if (ch.empty()) return;
      if (ch != " " && ch != "\t") {
        Note(p, J("「<」の中の「") + std::string(ch) +
                    J("」は命令の文字ではなく、読み飛ばされます。使える文字: ") +
                    std::string(kInlineLetters));
        return;
      }
      p += static_cast<int>(ch.size());
    }
  }

  // False when the command took the rest of the line.
  bool Command(const InlineCommand& command, int at, const MarkupReader& reader) {
    switch (command.letter) {
      case 'C':
      case 'B': {
        Reports reports;
        ReadInlineColour(command.text, reports);
        if (!reports.messages.empty())
          Note(at, J("<") + command.letter + J(" の色「") + command.text +
                       J("」は読めません（実行時「") + reports.messages.front() + J("」）。<") +
                       command.letter + J("#RRGGBB> のように # と16進数6桁で書きます"));
        break;
      }
      case 'F':
        // The symbol fonts read a byte as a character, which moves every
        // position after it.
        symbolFont_ = command.number > 3 && command.number < kFontSlotCount;
        break;
      case 'V':
      case 'O':
      case 'A': {
        if (reader.Position() > reader.Length() + 1) {
          Note(at, J("<") + command.letter + J("\" の名前を閉じる「\"」と「>」がありません。<") +
                       command.letter + J("\"名前\"> と書きます"));
          return false;
        }
        const std::string problem = CheckFileName(
            command.letter == 'A' ? NamedFile::Picture : NamedFile::Sound, command.text, files_);
        if (!problem.empty()) Note(at, problem);
        break;
      }
      default:
        break;
    }
    return true;
  }

  std::string_view text_;
  const GameFiles& files_;
  bool symbolFont_ = false;
  std::vector<TextNote> notes_;
};

}  // namespace

std::string CheckFileName(NamedFile kind, const std::string& name, const GameFiles& files) {
  // What the players decode; anything else plays nothing.
  static const std::set<std::string> kSounds = {".mid", ".midi", ".wav", ".mp3",
                                                ".ogg", ".opus", ".flac"};
  static const std::set<std::string> kMovies = {".avi", ".mpg", ".mpeg", ".mp4",
                                                ".mov", ".wmv", ".mkv", ".webm"};
  if (name.empty() || name.find(kDataDriveToken) != std::string::npos) return {};
  if (kind == NamedFile::Picture && FormatForName(name) == PictureFormat::None)
    return J("画像として読み込まれない名前です: ") + name;
  if (kind == NamedFile::Sound && !HasExtension(name, kSounds))
    return J("音として再生されない名前です: ") + name;
  if (kind == NamedFile::Movie && !HasExtension(name, kMovies))
    return J("動画として再生されない名前です: ") + name;
  if (!FileExists(files.Resolve(name))) return J("ファイルがありません: ") + name;
  return {};
}

std::vector<TextNote> CheckMessageText(std::string_view text, const GameFiles& files) {
  return TextReader(text, files).Run();
}

}  // namespace korvana
