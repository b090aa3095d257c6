// Drawing of log rows; see logdelegate.h.
#include "console/logdelegate.h"

#include <QApplication>
#include <QPainter>
#include <QTextLayout>

#include "console/consolemodel.h"
#include "console/consoleset.h"
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
    option->text = m_hexView ? logtext::hex(index.data(ConsoleModel::RawRole).toByteArray())
                             : logDisplayText(index.data(Qt::DisplayRole).toString(), *known);
    // One shared brush per colour: a brush per row costs an allocation each.
    static const QBrush sendBrush(sendColor);
    static const QBrush recvBrush(recvColor);
    option->backgroundBrush = index.data(ConsoleModel::SentRole).toBool() ? sendBrush : recvBrush;
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
        const QString time = logtext::clock(index.data(ConsoleModel::TimeRole).toLongLong()) + u' ';
        // On the selection's colour the muted grey would not read.
        painter->setPen(opt.state & QStyle::State_Selected ? opt.palette.color(QPalette::Text) : timeColor);
        painter->drawText(rect, flags, time);
        rect.setLeft(rect.left() + opt.fontMetrics.horizontalAdvance(time));
    }
    // In a timeline of several ports, the row's port in its colour.
    const auto *model = qobject_cast<const ConsoleModel *>(index.model());
    if (model && model->isTimeline()) {
        const int port = index.data(ConsoleModel::PortRole).toInt();
        const QString name = model->portName(port);
        const int width = opt.fontMetrics.horizontalAdvance(name) + 2 * textMargin;
        const QRect tag(rect.left(), opt.rect.top() + 1, width, opt.rect.height() - 2);
        painter->fillRect(tag, ConsoleSet::colour(port).darker(115));
        painter->setPen(opt.palette.color(QPalette::Text));
        painter->drawText(tag, Qt::AlignCenter | Qt::TextSingleLine, name);
        rect.setLeft(tag.right() + 1 + textMargin);
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

int LogDelegate::measureWidest(const ConsoleModel &model, int firstRow, const QFontMetrics &metrics, int room)
{
    const int cell = metrics.horizontalAdvance(u'M');
    const int hexCell = metrics.horizontalAdvance(QStringLiteral("DD "));
    room = qMax(m_widest, room);
    for (int row = qMax(0, firstRow); firstRow >= 0 && row < model.rowCount(); ++row) {
        const ConsoleModel::Row &entry = model.row(row);
        const qsizetype bytes = entry.raw.size();
        int width = 0;
        if (m_hexView)
            width = int(bytes) * hexCell;
        else if (bytes * 5 * cell > room)   // no row byte is drawn wider than five cells ("<ESC>")
            width = metrics.horizontalAdvance(logDisplayText(wiretext::decode(entry.raw, entry.encoding)));
        if (width > 0 && model.isTimeline()) {   // the port's tag in front
            int &tag = m_tagWidths[entry.port];
            if (tag == 0)
                tag = metrics.horizontalAdvance(model.portName(entry.port)) + 3 * textMargin;
            width += tag;
        }
        m_widest = qMax(m_widest, width);
    }
    return m_widest;
}
