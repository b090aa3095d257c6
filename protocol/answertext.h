// What the module's answers mean to a person: the texts of its error codes
// and the one line that says why a command failed (no answer, or which
// answer), shared by the window and the command line. The texts belong to
// the window's catalogue context ("Quorvel"), in the language installed.
#ifndef ANSWERTEXT_H
#define ANSWERTEXT_H

#include <QString>

namespace answertext {

// The Chinese source text of an "ERR=" code, untranslated; empty for a code
// the module does not document.
QString errorCodeSource(int code);

// Why `cmd` failed: it was not answered (`answer` empty), or what it was
// answered, with the error code's meaning when it has one.
QString failure(const QString &cmd, const QString &answer);

} // namespace answertext

#endif // ANSWERTEXT_H
