// Drawing of log rows; see logdelegate.h.
#include "console/logdelegate.h"

#include <QApplication>
#include <QPainter>
#include <QTextLayout>

#include "console/logtext.h"

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

const QColor sendColor(220, 245, 250, 255);
const QColor recvColor(250, 240, 220, 255);
const QColor timeColor(105, 105, 105);   // muted, still 4.5:1 on both row colours

} // namespace

LogItem::LogItem(qint64 msecs, const QByteArray &raw, bool sent, wiretext::Encoding encoding)
    : raw(raw), msecs(msecs), sent(sent), encoding(encoding)
{
}

QVariant LogItem::data(int role) const
{
    switch (role) {
    case Qt::DisplayRole:
    case Qt::EditRole:
        // Every byte, a zero byte too: the cell draws it as a control
        // character, and the text after it stays in sight.
        return wiretext::decode(raw, encoding);
    case Qt::BackgroundRole: {
        // One shared brush per colour: a brush per row costs an allocation each.
        static const QBrush sendBrush(sendColor);
        static const QBrush recvBrush(recvColor);
        return sent ? sendBrush : recvBrush;
    }
    case RawRole:
        return raw;
    case TimeRole:
        return msecs;
    default:
        return QTableWidgetItem::data(role);
    }
}

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
    option->text = m_hexView ? logtext::hex(index.data(LogItem::RawRole).toByteArray())
                             : logDisplayText(index.data(Qt::DisplayRole).toString(), *known);
    option->palette.setColor(QPalette::Text, Qt::black);
    option->palette.setColor(QPalette::HighlightedText, Qt::black);
}

void LogDelegate::paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const
{
    QStyleOptionViewItem opt = option;
    initStyleOption(&opt, index);
    const QString text = opt.text;
    opt.text.clear();   // the style draws background, selection and focus; the text is drawn here
    const QWidget *widget = opt.widget;
    QStyle *style = widget ? widget->style() : QApplication::style();
    style->drawControl(QStyle::CE_ItemViewItem, &opt, painter, widget);
    QRect rect = opt.rect.adjusted(textMargin, 0, -textMargin, 0);
    const int flags = Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine;
    painter->save();
    painter->setFont(opt.font);
    if (m_showTime) {
        const QString time = logtext::clock(index.data(LogItem::TimeRole).toLongLong()) + u' ';
        // On the selection's colour the muted grey would not read.
        painter->setPen(opt.state & QStyle::State_Selected ? opt.palette.color(QPalette::Text) : timeColor);
        painter->drawText(rect, flags, time);
        rect.setLeft(rect.left() + opt.fontMetrics.horizontalAdvance(time));
    }
    painter->setPen(opt.palette.color(QPalette::Text));
    painter->drawText(rect, flags, text);
    painter->restore();
}

QSize LogDelegate::sizeHint(const QStyleOptionViewItem &option, const QModelIndex &) const
{
    // Without decoding the row: rows are as wide as the column, which the
    // window keeps as wide as the widest row.
    return QSize(0, rowHeight(option.fontMetrics));
}
