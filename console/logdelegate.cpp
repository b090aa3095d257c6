// Drawing of log rows; see logdelegate.h.
#include "console/logdelegate.h"

#include <QTextLayout>

namespace {

const char *const controlNames[] = {"NUL", "SOH", "STX", "ETX", "EOT", "ENQ", "ACK", "BEL", "BS", "HT", "LF",
                                    "VT",  "FF",  "CR",  "SO",  "SI",  "DLE", "DC1", "DC2", "DC3", "DC4", "NAK",
                                    "SYN", "ETB", "CAN", "EM",  "SUB", "ESC", "FS",  "GS",  "RS",  "US"};

// Whether the font, or a fallback the system finds for it, has a glyph for
// the control pictures; without one they would all be the same empty box.
bool drawsControlPictures(const QFont &font)
{
    QTextLayout layout(QStringLiteral("\u240d"), font);
    layout.beginLayout();
    layout.createLine();
    layout.endLayout();
    const QList<QGlyphRun> runs = layout.glyphRuns();
    return !runs.isEmpty() && !runs.first().glyphIndexes().isEmpty() && runs.first().glyphIndexes().first() != 0;
}

} // namespace

QString logDisplayText(const QString &logged, bool pictures)
{
    QStringView text(logged);
    if (text.endsWith(QLatin1String("\r\n")))
        text.chop(2);
    QString shown;
    shown.reserve(text.size());
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        if (u < 0x20) {
            if (pictures)
                shown += QChar(char16_t(0x2400 + u));   // U+2400 control pictures
            else
                shown += QLatin1Char('<') + QLatin1String(controlNames[u]) + QLatin1Char('>');
        } else if (u == 0x7f) {
            shown += pictures ? QString(QChar(char16_t(0x2421))) : QStringLiteral("<DEL>");
        } else if (u >= 0x80 && u < 0xa0) {
            shown += QChar(QChar::ReplacementCharacter);   // C1 controls have no pictures
        } else if (u == 0x2028 || u == 0x2029) {
            // These would break the row into two lines.
            shown += pictures ? QString(QChar(char16_t(0x2424))) : QStringLiteral("<NL>");
        } else {
            shown += c;
        }
    }
    return shown;
}

void LogDelegate::initStyleOption(QStyleOptionViewItem *option, const QModelIndex &index) const
{
    QStyledItemDelegate::initStyleOption(option, index);
    // From the model, not option->text: the base class has already turned
    // every LF into a line separator there.
    const QString key = option->font.key();
    auto known = m_fontHasPictures.constFind(key);
    if (known == m_fontHasPictures.constEnd())
        known = m_fontHasPictures.insert(key, drawsControlPictures(option->font));
    option->text = logDisplayText(index.data(Qt::DisplayRole).toString(), *known);
    option->palette.setColor(QPalette::Text, Qt::black);
    option->palette.setColor(QPalette::HighlightedText, Qt::black);
}
