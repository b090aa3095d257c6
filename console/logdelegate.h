// A log row and how it is drawn. The row keeps what was on the wire: its
// bytes, the time its line was cut or sent, its direction and the encoding
// it was sent or received in; its text is decoded from the bytes when asked
// for, so a row costs its bytes and not also a copy of them as text.
//
// Drawing: one line of the font's height, the trailing CR LF not drawn,
// every other control character visible (its Unicode picture, or its short
// name in angle brackets where no installed font has the pictures), dark
// text that stays readable on the two pale row colours whatever the desktop
// theme; the time in front in a muted colour when times are shown, the
// bytes in hex instead of the text in hex view.
#ifndef LOGDELEGATE_H
#define LOGDELEGATE_H

#include <QHash>
#include <QStyledItemDelegate>
#include <QTableWidgetItem>

#include "serial/wiretext.h"

// The text a log cell shows for a logged string.
QString logDisplayText(const QString &logged, bool pictures = true);

class LogItem : public QTableWidgetItem
{
public:
    enum Role { RawRole = Qt::UserRole + 1, TimeRole };

    LogItem(qint64 msecs, const QByteArray &raw, bool sent, wiretext::Encoding encoding);
    // Display: the text of every byte, a zero byte included, CR LF kept.
    QVariant data(int role) const override;

    const QByteArray raw;
    const qint64 msecs;
    const bool sent;
    const wiretext::Encoding encoding;
};

class LogDelegate : public QStyledItemDelegate
{
    Q_OBJECT
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void setShowTime(bool on) { m_showTime = on; }
    void setHexView(bool on) { m_hexView = on; }
    // The height of every row: the font's line spacing and a little padding.
    static int rowHeight(const QFontMetrics &metrics) { return metrics.lineSpacing() + 4; }
    static constexpr int textMargin = 4;   // left and right of a row's text

    void paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const override;
    QSize sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const override;

protected:
    void initStyleOption(QStyleOptionViewItem *option, const QModelIndex &index) const override;

private:
    bool m_showTime = false;
    bool m_hexView = false;
    mutable QHash<QString, bool> m_fontHasPictures;   // by QFont::key()
};

#endif // LOGDELEGATE_H
