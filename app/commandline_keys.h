// A console's command line: the completer of the module's commands, Enter
// to send, Up and Down through the lines sent before. The window's first
// console and every console tab use it.
#ifndef COMMANDLINE_KEYS_H
#define COMMANDLINE_KEYS_H

#include <functional>

class CommandHistory;
class QLineEdit;

namespace commandlinekeys {

// `history` outlives `edit`; `send` sends the line as the Send button does.
void install(QLineEdit *edit, CommandHistory *history, std::function<void()> send);

} // namespace commandlinekeys

#endif // COMMANDLINE_KEYS_H
