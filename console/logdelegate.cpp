// Drawing of log rows; see logdelegate.h.
#include "console/logdelegate.h"

QString logDisplayText(const QString &logged)
{
    QString shown = logged;
    if (shown.endsWith(QLatin1String("\r\n")))
        shown.chop(2);
    for (QChar &c : shown) {
        const char16_t u = c.unicode();
        if (u < 0x20)
            c = QChar(char16_t(0x2400 + u));   // U+2400 control pictures
        else if (u == 0x7f)
            c = QChar(char16_t(0x2421));
    }
    return shown;
}

void LogDelegate::initStyleOption(QStyleOptionViewItem *option, const QModelIndex &index) const
{
    QStyledItemDelegate::initStyleOption(option, index);
    option->text = logDisplayText(option->text);
    option->palette.setColor(QPalette::Text, Qt::black);
    option->palette.setColor(QPalette::HighlightedText, Qt::black);
}
