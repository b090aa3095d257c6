// The "All ports" tab; see timelinetab.h.
#include "app/timelinetab.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTableView>
#include <QToolButton>
#include <QVBoxLayout>

#include "app/logview.h"
#include "console/consoleset.h"
#include "serial/seriallink.h"

namespace {

template <class W>
W *named(QWidget *parent, const char *name)
{
    auto *w = new W(parent);
    w->setObjectName(QLatin1String(name));
    return w;
}

} // namespace

TimelineTab::TimelineTab(ConsoleSet &set, QWidget *parent)
    : QWidget(parent)
    , set(set)
{
    buildWidgets();
    ConsoleModel &model = set.timeline();
    connect(&set, &ConsoleSet::rowAdded, this,
            [this](const QByteArray &raw, bool sent, qint64 msecs, wiretext::Encoding encoding, int port) {
                view->record(raw, sent, msecs, encoding, this->set.timeline().portNameUtf8(port));
            });
    connect(ui.pushButton_send, &QPushButton::clicked, this, &TimelineTab::send);
    connect(ui.lineEdit_cmd, &QLineEdit::returnPressed, this, &TimelineTab::send);
    connect(ui.pushButton_clearLog, &QPushButton::clicked, this, [this, &model] {
        model.clear();
        view->cleared();
    });
    connect(&set, &ConsoleSet::portsChanged, this, &TimelineTab::fillPortMenu);
    fillPortMenu();
    retranslate();
}

void TimelineTab::buildWidgets()
{
    static_cast<LogView::Widgets &>(ui) = LogView::Widgets::make(this);
    ui.pushButton_clearLog = named<QPushButton>(this, "pushButton_clearLog");
    ui.pushButton_send = named<QPushButton>(this, "pushButton_send");
    ui.lineEdit_cmd = named<QLineEdit>(this, "lineEdit_cmd");
    ui.toolButton_sendTo = named<QToolButton>(this, "toolButton_sendTo");
    ui.toolButton_sendTo->setPopupMode(QToolButton::InstantPopup);
    ui.toolButton_sendTo->setMenu(new QMenu(ui.toolButton_sendTo));
    view = new LogView(ui, set.timeline(), this, nullptr,
                       [this](const QString &text, int ms) { emit statusMessage(text, ms); });

    auto *options = new QHBoxLayout;
    options->addWidget(ui.checkBox_logAutoScroll);
    options->addWidget(ui.checkBox_timestamp);
    options->addWidget(ui.checkBox_hexView);
    options->addStretch();

    auto *sendRow = new QHBoxLayout;
    sendRow->addWidget(ui.pushButton_send);
    sendRow->addWidget(ui.lineEdit_cmd, 1);
    sendRow->addWidget(ui.toolButton_sendTo);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(6, 6, 6, 6);
    layout->addLayout(options);
    layout->addLayout(sendRow);
    layout->addLayout(view->counterRow(ui.pushButton_clearLog));
    layout->addWidget(ui.widget_find);
    layout->addWidget(ui.tableWidget_log, 1);
}

// One ticked entry a port, in the order they joined.
void TimelineTab::fillPortMenu()
{
    QMenu *menu = ui.toolButton_sendTo->menu();
    menu->clear();
    for (const int port : set.ports()) {
        QAction *tick = menu->addAction(set.name(port));
        tick->setCheckable(true);
        tick->setChecked(!unticked.contains(port));
        connect(tick, &QAction::toggled, this, [this, port](bool on) { setPortChosen(port, on); });
    }
}

QList<int> TimelineTab::chosenPorts() const
{
    QList<int> chosen;
    for (const int port : set.ports()) {
        if (!unticked.contains(port))
            chosen.append(port);
    }
    return chosen;
}

void TimelineTab::setPortChosen(int port, bool chosen)
{
    if (chosen)
        unticked.remove(port);
    else
        unticked.insert(port);
}

void TimelineTab::send()
{
    const QString text = ui.lineEdit_cmd->text();
    const QList<int> chosen = chosenPorts();
    if (chosen.isEmpty()) {
        emit statusMessage(QCoreApplication::translate("Quorvel", "没有选中的端口"), 10000);
        return;
    }
    const QList<ConsoleSet::Sent> sent = set.sendToAll(text + QStringLiteral("\r\n"), chosen);
    QStringList refused;
    int went = 0;
    for (const ConsoleSet::Sent &s : sent) {
        if (s.why.isEmpty())
            ++went;
        else
            refused << set.name(s.port) + QStringLiteral(": ") + s.why;
    }
    QString said = QCoreApplication::translate("Quorvel", "已发送到 %1 个端口").arg(went);
    if (!refused.isEmpty())
        said += QStringLiteral("；") + refused.join(QStringLiteral("；"));
    emit statusMessage(said, 10000);
}

void TimelineTab::retranslate()
{
    ui.checkBox_timestamp->setText(QCoreApplication::translate("QuorvelClass", "时间戳"));
    ui.checkBox_hexView->setText(QCoreApplication::translate("QuorvelClass", "十六进制显示"));
    ui.checkBox_logAutoScroll->setText(QCoreApplication::translate("QuorvelClass", "自动滚动"));
    ui.pushButton_send->setText(QCoreApplication::translate("QuorvelClass", "发送"));
    ui.pushButton_saveLog->setText(QCoreApplication::translate("QuorvelClass", "保存日志"));
    ui.pushButton_recordLog->setText(QCoreApplication::translate("QuorvelClass", "记录到文件"));
    ui.pushButton_clearLog->setText(QCoreApplication::translate("QuorvelClass", "清除窗口"));
    ui.toolButton_sendTo->setText(QCoreApplication::translate("Quorvel", "发送到"));
    ui.toolButton_sendTo->setToolTip(QCoreApplication::translate("Quorvel", "一行发送到勾选的端口，每个端口用它自己的编码"));
}
