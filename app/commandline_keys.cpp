#include "app/commandline_keys.h"

#include <QAbstractItemView>
#include <QCompleter>
#include <QLineEdit>

#include "app/keyhandler.h"
#include "console/commandhistory.h"

namespace commandlinekeys {

void install(QLineEdit *edit, CommandHistory *history, std::function<void()> send)
{
    const QStringList words{
        QStringLiteral("AT"),        QStringLiteral("AT+HELP"),   QStringLiteral("AT+RSPMOD"),
        QStringLiteral("AT+UART"),   QStringLiteral("AT+FFRAME"), QStringLiteral("AT+AFRAME"),
        QStringLiteral("AT+APSTA"),  QStringLiteral("AT+NETS"),   QStringLiteral("AT+IPCFG"),
        QStringLiteral("AT+CURIP"),  QStringLiteral("AT+STANET"), QStringLiteral("AT+APMOD"),
        QStringLiteral("AT+APKEY"),  QStringLiteral("AT+DHCP"),   QStringLiteral("AT+STAMOD"),
        QStringLiteral("AT+SCANAP"), QStringLiteral("AT+SKCT"),   QStringLiteral("AT+SEND"),
        QStringLiteral("AT+RECV"),   QStringLiteral("AT+SSOCK"),  QStringLiteral("AT+CLSS"),
        QStringLiteral("AT+CLSAS"),  QStringLiteral("AT+RECVI"),  QStringLiteral("AT+TPSOCK"),
        QStringLiteral("AT+TPMOD"),  QStringLiteral("AT+ATTP"),   QStringLiteral("AT+RST"),
        QStringLiteral("AT+DFRST"),  QStringLiteral("AT+MAC"),    QStringLiteral("AT+VER"),
    };
    auto *completer = new QCompleter(words, edit);
    completer->setCaseSensitivity(Qt::CaseInsensitive);
    edit->setCompleter(completer);
    edit->installEventFilter(new KeyHandler(edit, [edit, history, send = std::move(send)](QKeyEvent *key) {
        if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
            // Enter sends, as Send does; with the completer's list open it
            // takes the highlighted word first, and the next Enter sends.
            const QCompleter *completer = edit->completer();
            if (completer && completer->popup() && completer->popup()->isVisible())
                return false;
            send();
            return true;
        }
        if (key->key() != Qt::Key_Up && key->key() != Qt::Key_Down)
            return false;
        if (const auto line = history->walk(key->key() == Qt::Key_Up ? -1 : 1, edit->text()))
            edit->setText(*line);
        return true;
    }));
}

} // namespace commandlinekeys
