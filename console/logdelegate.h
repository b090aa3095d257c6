// How a log row is drawn: one line, the trailing CR LF not drawn, every other
// control character as its visible Unicode picture (so a garbled byte shows),
// and dark text that stays readable on the two pale row colours whatever the
// desktop theme. The item's own text is left exactly as logged.
#ifndef LOGDELEGATE_H
#define LOGDELEGATE_H

#include <QStyledItemDelegate>

// The text a log cell shows for a logged string.
QString logDisplayText(const QString &logged);

class LogDelegate : public QStyledItemDelegate
{
    Q_OBJECT
public:
    using QStyledItemDelegate::QStyledItemDelegate;

protected:
    void initStyleOption(QStyleOptionViewItem *option, const QModelIndex &index) const override;
};

#endif // LOGDELEGATE_H
