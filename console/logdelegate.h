// How a log row is drawn: one line, the trailing CR LF not drawn, every other
// control character visible (its Unicode picture, or its short name in angle
// brackets where no installed font has the pictures), and dark text that
// stays readable on the two pale row colours whatever the desktop theme.
// The item's own text is left exactly as logged.
#ifndef LOGDELEGATE_H
#define LOGDELEGATE_H

#include <QHash>
#include <QStyledItemDelegate>

// The text a log cell shows for a logged string.
QString logDisplayText(const QString &logged, bool pictures = true);

class LogDelegate : public QStyledItemDelegate
{
    Q_OBJECT
public:
    using QStyledItemDelegate::QStyledItemDelegate;

protected:
    void initStyleOption(QStyleOptionViewItem *option, const QModelIndex &index) const override;

private:
    mutable QHash<QString, bool> m_fontHasPictures;   // by QFont::key()
};

#endif // LOGDELEGATE_H
