#include "app/consoletext.h"

#include "protocol/cfgfields.h"

#ifdef Q_OS_WIN
#include <qt_windows.h>
#include <io.h>
#endif

void printConsoleLine(std::FILE *stream, const QString &given)
{
    // One line each, and nothing a module said can move the cursor, clear
    // the screen or retitle the terminal: control characters show as \xNN.
    const QString text = cfgfields::escapedText(given);
#ifdef Q_OS_WIN
    std::fflush(stream);
    const HANDLE handle = reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(stream)));
    DWORD mode = 0;
    if (handle != INVALID_HANDLE_VALUE && GetConsoleMode(handle, &mode)) {
        const QString line = text + QStringLiteral("\r\n");
        DWORD written = 0;
        WriteConsoleW(handle, reinterpret_cast<const wchar_t *>(line.utf16()), DWORD(line.size()), &written, nullptr);
        return;
    }
    std::fputs(text.toUtf8().append('\n').constData(), stream);
#else
    std::fputs(text.toLocal8Bit().append('\n').constData(), stream);
#endif
    std::fflush(stream);
}
