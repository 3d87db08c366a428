#pragma once
// The script checker's reading of names and of message text: what a run
// would refuse or silently leave out, found by asking the same readers the
// run uses.
#include <string>
#include <string_view>
#include <vector>

namespace korvana {

class GameFiles;

enum class NamedFile { Picture, Sound, Movie };

// What is wrong with a file a script names (a CP932 message), or empty: an
// extension nothing decodes plays or shows nothing, a missing file is an
// error box at run time. Names with the data drive are known only then.
std::string CheckFileName(NamedFile kind, const std::string& name, const GameFiles& files);

struct TextNote {
  int column = 0;       // 1-based byte position in the text
  std::string message;  // CP932
};

// The inline groups of one message text line (without its "~" id and
// leading blanks), read as the message layer reads them.
std::vector<TextNote> CheckMessageText(std::string_view text, const GameFiles& files);

}  // namespace korvana
