// Lines of text for standard output and standard error of the command line.
#ifndef CONSOLETEXT_H
#define CONSOLETEXT_H

#include <QString>

#include <cstdio>

// Writes text and a line end and flushes; control characters in the text
// are written as \xNN. On Unix in the locale's encoding;
// on Windows to a console as Unicode (the console's code page may lack the
// Chinese messages), and to a file or pipe as UTF-8.
void printConsoleLine(std::FILE *stream, const QString &text);

#endif // CONSOLETEXT_H
