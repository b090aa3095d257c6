// How a log row (console/consolemodel.h) is drawn, and how wide the widest
// row is drawn.
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

class ConsoleModel;

// The text a log cell shows for a logged string.
QString logDisplayText(const QString &logged, bool pictures = true);

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

    // The width in px of the widest row's text from firstRow on, and of every
    // row measured before since forgetWidest(). A row is measured only when
    // its byte count says it might be wider than `room` and what is known.
    int measureWidest(const ConsoleModel &model, int firstRow, const QFontMetrics &metrics, int room);
    int widest() const { return m_widest; }
    void forgetWidest()
    {
        m_widest = 0;
        m_tagWidths.clear();
    }

    void paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const override;
    QSize sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const override;

protected:
    void initStyleOption(QStyleOptionViewItem *option, const QModelIndex &index) const override;

private:
    bool m_showTime = false;
    bool m_hexView = false;
    int m_widest = 0;
    mutable QHash<QString, bool> m_fontHasPictures;   // by QFont::key()
    QHash<int, int> m_tagWidths;   // a timeline's port tags, by port
};

#endif // LOGDELEGATE_H
