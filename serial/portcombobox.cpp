#include "serial/portcombobox.h"

#include <QCoreApplication>
#include <QSignalBlocker>

#include <algorithm>

namespace {

QString hexId(int id)
{
    return id < 0 ? QStringLiteral("?") : QStringLiteral("%1").arg(id, 4, 16, QLatin1Char('0'));
}

// The texts are the window's: its catalogue translates them.
QString text(const char *source)
{
    return QCoreApplication::translate("Quorvel", source);
}

} // namespace

void PortComboBox::listOnce()
{
    if (listed)
        return;
    refresh();
    if (currentText().isEmpty() && count() > 0)
        setCurrentIndex(0);
}

void PortComboBox::refresh()
{
    listed = true;
    QList<PortEntry> ports = enumerator();
    if (ports.size() > 255)
        ports.resize(255);
    // By character code: ttyS10 before ttyS2.
    std::stable_sort(ports.begin(), ports.end(),
                     [](const PortEntry &a, const PortEntry &b) { return a.portName < b.portName; });

    const QString shown = currentText();
    const QSignalBlocker quiet(this);
    clear();
    for (const PortEntry &port : std::as_const(ports)) {
        addItem(port.portName);
        setItemData(count() - 1, toolTip(port), Qt::ToolTipRole);
    }
    const int found = findText(shown, Qt::MatchExactly | Qt::MatchCaseSensitive);
    setCurrentIndex(found);
    if (found < 0)
        setEditText(shown);
}

QString PortComboBox::toolTip(const PortEntry &port)
{
    QStringList lines{port.systemLocation};
    const auto add = [&lines](const QString &line, const QString &value) {
        if (!value.isEmpty())
            lines << line.arg(value);
    };
    add(text(QT_TRANSLATE_NOOP("Quorvel", "描述：%1")), port.description);
    add(text(QT_TRANSLATE_NOOP("Quorvel", "制造商：%1")), port.manufacturer);
    add(text(QT_TRANSLATE_NOOP("Quorvel", "序列号：%1")), port.serialNumber);
    if (port.vendorId >= 0 || port.productId >= 0)
        lines << text(QT_TRANSLATE_NOOP("Quorvel", "厂商:产品 ID：%1:%2")).arg(hexId(port.vendorId), hexId(port.productId));
    add(QStringLiteral("%1"), port.byIdLink);
    return lines.join(QLatin1Char('\n'));
}
