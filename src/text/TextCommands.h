#pragma once
// The script commands of the message text and the log.
#include <array>
#include <string>

namespace korvana {

class CommandTable;
class Evaluator;
class MessageLog;
class MessageText;
struct ProgState;
struct TextState;

void RegisterTextCommands(CommandTable& commands, ProgState& prog, Evaluator& eval, TextState& text,
                          MessageText& message, MessageLog& log);

}  // namespace korvana
