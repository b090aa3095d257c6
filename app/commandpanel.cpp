#include "app/commandpanel.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QMessageBox>
#include <QToolButton>
#include <QScopedValueRollback>
#include <QSettings>
#include <QShortcut>
#include <QStyledItemDelegate>
#include <QVBoxLayout>

#include "serial/seriallink.h"
#include "settings/appsettings.h"

namespace {

constexpr int outcomeRole = CommandPanel::outcomeRole;
constexpr int problemRole = Qt::UserRole + 2;   // why the row is no step

// Shows a row's outcome after its text; editing edits the text alone.
class OutcomeDelegate : public QStyledItemDelegate
{
public:
    using QStyledItemDelegate::QStyledItemDelegate;

protected:
    void initStyleOption(QStyleOptionViewItem *option, const QModelIndex &index) const override
    {
        QStyledItemDelegate::initStyleOption(option, index);
        const QString outcome = index.data(outcomeRole).toString();
        if (!outcome.isEmpty())
            option->text += QStringLiteral("   ") + outcome;
    }
};

// A row Step and the F keys count: a step, or a line that is none (running it says why).
bool actsOrBad(const QString &text)
{
    const std::optional<CommandList::Step> step = CommandList::parseLine(text, nullptr);
    return !step || step->acts();
}

// F2 in the rows edits the selected row: the list takes the key before the
// window's F2 (the second step) can.
class EditKeyFirst : public QObject
{
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() != QEvent::ShortcutOverride)
            return false;
        const auto *key = static_cast<QKeyEvent *>(event);
        if (key->key() != Qt::Key_F2 || key->modifiers() != Qt::NoModifier)
            return false;
        event->accept();
        return true;
    }
};

QListWidgetItem *newRow(const QString &text)
{
    auto *item = new QListWidgetItem(text);
    item->setToolTip(text);
    item->setFlags(Qt::ItemIsSelectable | Qt::ItemIsEnabled | Qt::ItemIsEditable);
    return item;
}

} // namespace

CommandPanel::CommandPanel(SerialLink &serialLink, std::function<QString()> mayRunNow,
                           std::function<void(const QString &, int)> sayInStatus, QWidget *parent)
    : QGroupBox(parent), link(serialLink), mayRun(std::move(mayRunNow)), say(std::move(sayInStatus))
{
    setObjectName(QStringLiteral("groupBox_commands"));
    nameLabel = new QLabel(this);
    nameLabel->setObjectName(QStringLiteral("label_commandList"));
    rows = new QListWidget(this);
    rows->setObjectName(QStringLiteral("listWidget_commands"));
    rows->setItemDelegate(new OutcomeDelegate(rows));
    rows->setEditTriggers(QAbstractItemView::EditKeyPressed);
    rows->installEventFilter(new EditKeyFirst(rows));
    rows->setLayoutMode(QListView::Batched);   // a list of ten thousand rows shows its first rows at once
    rows->setTextElideMode(Qt::ElideNone);   // a long pattern scrolls into view rather than losing its end
    // Compact buttons: the log beside the panel keeps most of the width.
    const auto button = [this](const char *name) {
        auto *b = new QToolButton(this);
        b->setObjectName(QLatin1String(name));
        b->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
        return b;
    };
    runButton = button("pushButton_runCommands");
    stepButton = button("pushButton_stepCommands");
    stopButton = button("pushButton_stopCommands");
    loadButton = button("pushButton_loadCommands");
    saveButton = button("pushButton_saveCommands");
    addButton = button("pushButton_addCommand");
    removeButton = button("pushButton_removeCommand");
    upButton = button("pushButton_upCommand");
    downButton = button("pushButton_downCommand");

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(nameLabel);
    layout->addWidget(rows, 1);
    for (const QList<QToolButton *> &line : {QList<QToolButton *>{runButton, stepButton, stopButton},
                                             QList<QToolButton *>{addButton, removeButton, upButton, downButton},
                                             QList<QToolButton *>{loadButton, saveButton}}) {
        auto *row = new QHBoxLayout;
        for (QToolButton *b : line)
            row->addWidget(b);
        layout->addLayout(row);
    }

    connect(runButton, &QToolButton::clicked, this, [this] { start(0, -1); });
    connect(stepButton, &QToolButton::clicked, this, &CommandPanel::stepNext);
    connect(stopButton, &QToolButton::clicked, &run, &CommandRun::stop);
    connect(addButton, &QToolButton::clicked, this, &CommandPanel::addRow);
    connect(removeButton, &QToolButton::clicked, this, &CommandPanel::removeRow);
    connect(upButton, &QToolButton::clicked, this, [this] { moveRow(-1); });
    connect(downButton, &QToolButton::clicked, this, [this] { moveRow(1); });
    connect(loadButton, &QToolButton::clicked, this, [this] {
        if (changed && QMessageBox::question(this, tr("命令列表"), tr("命令列表有未保存的修改，放弃这些修改吗？"),
                                             QMessageBox::Yes | QMessageBox::No, QMessageBox::No)
                           != QMessageBox::Yes)
            return;
        const QString chosen = QFileDialog::getOpenFileName(this, tr("打开命令列表"), QFileInfo(path).absolutePath(),
                                                            tr("命令列表 (*.txt);;所有文件 (*)"));
        if (!chosen.isEmpty())
            load(chosen);
    });
    connect(saveButton, &QToolButton::clicked, this, [this] {
        const QString chosen = QFileDialog::getSaveFileName(this, tr("保存命令列表"),
                                                            path.isEmpty() ? QStringLiteral("commands.txt") : path,
                                                            tr("命令列表 (*.txt);;所有文件 (*)"));
        if (!chosen.isEmpty())
            save(chosen);
    });
    connect(rows, &QListWidget::itemDoubleClicked, this, [this](QListWidgetItem *item) { start(rows->row(item), 1); });
    connect(rows, &QListWidget::itemChanged, this, &CommandPanel::rowEdited);
    connect(rows, &QListWidget::currentRowChanged, this, [this](int row) { stepRow = row; });
    // F1 to F12: the first twelve steps, wherever the focus is in the window.
    for (int n = 0; n < 12; ++n) {
        auto *key = new QShortcut(QKeySequence(Qt::Key_F1 + n), this);
        key->setContext(Qt::WindowShortcut);
        stepKeys << key;
        connect(key, &QShortcut::activated, this, [this, n] {
            if (const int row = actingRow(n); row >= 0)
                start(row, 1);
        });
    }

    connect(&run, &CommandRun::stepStarted, this, [this](int row) {
        const QScopedValueRollback<bool> marking(filling, true);
        if (QListWidgetItem *item = rows->item(row)) {
            item->setBackground(palette().color(QPalette::Highlight).lighter(170));
            rows->scrollToItem(item);
        }
    });
    connect(&run, &CommandRun::stepEnded, this, &CommandPanel::stepEnded);
    connect(&run, &CommandRun::finished, this, &CommandPanel::finished);
    retranslate();
    updateButtons();
}

void CommandPanel::retranslate()
{
    setTitle(tr("命令列表"));
    runButton->setText(tr("运行"));
    stepButton->setText(tr("单步"));
    stopButton->setText(tr("停止"));
    loadButton->setText(tr("打开…"));
    saveButton->setText(tr("保存…"));
    addButton->setText(QStringLiteral("+"));
    removeButton->setText(QStringLiteral("−"));
    upButton->setText(QStringLiteral("↑"));
    downButton->setText(QStringLiteral("↓"));
    addButton->setToolTip(tr("添加"));
    removeButton->setToolTip(tr("删除"));
    upButton->setToolTip(tr("上移"));
    downButton->setToolTip(tr("下移"));
    rows->setToolTip(tr("双击或按 F1–F12 发送一步；F2 编辑"));
    updateTitle();
}

void CommandPanel::setStepKeyEnabled(int n, bool on)
{
    if (QShortcut *key = stepKeys.value(n))
        key->setEnabled(on);
}

void CommandPanel::loadSettings(const QSettings &settings)
{
    const QString remembered = appsettings::text(settings, appsettings::Key::CommandList);
    if (!remembered.isEmpty())
        load(remembered);
}

void CommandPanel::saveSettings(QSettings &settings) const
{
    appsettings::setValue(settings, appsettings::Key::CommandList, path);
}

bool CommandPanel::load(const QString &file)
{
    QString why;
    const std::optional<CommandList> loaded = CommandList::load(file, &why);
    if (!loaded) {
        say(why, 10000);
        return false;
    }
    path = file;
    showRows(*loaded);
    changed = false;
    updateTitle();
    return true;
}

bool CommandPanel::save(const QString &file)
{
    QString why;
    const std::optional<CommandList> rowsNow = list(&why);
    // A file that would not load again would lose the whole list.
    if (!rowsNow) {
        say(tr("%1，命令列表没有保存").arg(why), 10000);
        return false;
    }
    if (!rowsNow->save(file, &why)) {
        say(why, 10000);
        return false;
    }
    path = file;
    changed = false;
    updateTitle();
    say(tr("命令列表已保存到 %1").arg(file), 5000);
    return true;
}

std::optional<CommandList> CommandPanel::list(QString *why) const
{
    // The rows as the file they save to: parsed, and refused, as that file would be.
    QString text;
    for (int row = 0; row < rows->count(); ++row)
        text += rows->item(row)->text() + u'\n';
    return CommandList::parse(text, why);
}

void CommandPanel::showRows(const CommandList &list)
{
    filling = true;
    rows->clear();
    for (const CommandList::Step &step : list.steps) {
        QListWidgetItem *item = newRow(step.source);
        if (!step.acts())
            item->setForeground(palette().color(QPalette::PlaceholderText));
        rows->addItem(item);
    }
    filling = false;
    stepRow = -1;
    updateButtons();
}

void CommandPanel::start(int first, int count)
{
    // A comment or a blank row alone sends nothing and says nothing.
    if (run.running() || !rows->item(first) || (count == 1 && !actsOrBad(rows->item(first)->text())))
        return;
    single = count == 1;
    QString why = mayRun();
    std::optional<CommandList> steps = why.isEmpty() ? list(&why) : std::nullopt;
    if (!steps) {
        say(why, 10000);
        return;
    }
    if (count < 0) {
        clearMarks();
    } else if (QListWidgetItem *item = rows->item(first)) {
        const QScopedValueRollback<bool> marking(filling, true);
        item->setData(outcomeRole, QVariant());
    }
    link.hold();   // every answer until the end is the list's; finished() releases it
    run.start(*steps, first, count);
    if (run.running()) {   // a list of sends alone has ended already
        emit runningChanged(true);
        updateButtons();
    }
}

void CommandPanel::stepNext()
{
    int row = stepRow >= 0 && stepRow < rows->count() ? stepRow : 0;
    while (row < rows->count() && !actsOrBad(rows->item(row)->text()))
        ++row;
    if (row >= rows->count())
        row = actingRow(0);
    if (row < 0)
        return;
    start(row, 1);
    rows->setCurrentRow(qMin(row + 1, rows->count() - 1));
}

int CommandPanel::actingRow(int nth) const
{
    for (int row = 0; row < rows->count(); ++row) {
        if (actsOrBad(rows->item(row)->text()) && nth-- == 0)
            return row;
    }
    return -1;
}

void CommandPanel::stepEnded(int row, bool passed, const QString &detail)
{
    QListWidgetItem *item = rows->item(row);
    if (!item)
        return;
    const QScopedValueRollback<bool> marking(filling, true);
    item->setData(Qt::BackgroundRole, QVariant());
    item->setData(outcomeRole, (passed ? QStringLiteral("✓ ") : QStringLiteral("✗ ")) + detail);
    item->setToolTip(detail.isEmpty() ? item->text() : item->text() + u'\n' + detail);
}

void CommandPanel::finished(const CommandRun::Outcome &outcome)
{
    if (QListWidgetItem *item = rows->item(outcome.row)) {
        const QScopedValueRollback<bool> marking(filling, true);
        item->setData(Qt::BackgroundRole, QVariant());
        if (outcome.end == CommandRun::Outcome::End::Stopped)
            item->setData(outcomeRole, QStringLiteral("■"));
    }
    link.release();   // every run finishes, once, after start() held the link
    emit runningChanged(false);
    updateButtons();
    switch (outcome.end) {
    case CommandRun::Outcome::End::Passed:
        if (!single)   // one step's ✓ is on its row
            say(tr("命令列表全部通过"), 10000);
        break;
    case CommandRun::Outcome::End::Failed:
        say(tr("命令列表未通过：%1").arg(outcome.why), 10000);
        break;
    case CommandRun::Outcome::End::Stopped:
        say(outcome.why, 10000);
        break;
    }
}

void CommandPanel::rowEdited(QListWidgetItem *item)
{
    if (filling)
        return;
    QString why;
    const std::optional<CommandList::Step> step = CommandList::parseLine(item->text(), &why);
    const QScopedValueRollback<bool> marking(filling, true);
    item->setToolTip(step ? item->text() : item->text() + u'\n' + why);
    item->setData(problemRole, step ? QVariant() : QVariant(why));
    item->setData(outcomeRole, step ? QVariant() : QVariant(QStringLiteral("✗ ") + why));
    item->setForeground(!step ? QBrush(Qt::red)
                              : step->acts() ? QBrush() : QBrush(palette().color(QPalette::PlaceholderText)));
    changed = true;
    updateTitle();
    updateButtons();
}

void CommandPanel::addRow()
{
    const int at = rows->currentRow() < 0 ? rows->count() : rows->currentRow() + 1;
    QListWidgetItem *item = newRow(QStringLiteral("send AT"));
    rows->insertItem(at, item);
    rows->setCurrentItem(item);
    rowEdited(item);
    rows->editItem(item);
}

void CommandPanel::removeRow()
{
    const int row = rows->currentRow();
    if (row < 0)
        return;
    delete rows->takeItem(row);
    changed = true;
    updateTitle();
    updateButtons();
}

void CommandPanel::moveRow(int by)
{
    const int row = rows->currentRow();
    const int to = row + by;
    if (row < 0 || to < 0 || to >= rows->count())
        return;
    filling = true;
    QListWidgetItem *item = rows->takeItem(row);
    rows->insertItem(to, item);
    rows->setCurrentItem(item);
    filling = false;
    changed = true;
    updateTitle();
}

void CommandPanel::clearMarks()
{
    const QScopedValueRollback<bool> marking(filling, true);
    for (int row = 0; row < rows->count(); ++row) {
        QListWidgetItem *item = rows->item(row);
        if (item->data(problemRole).isNull())
            item->setData(outcomeRole, QVariant());
    }
}

void CommandPanel::updateButtons()
{
    const bool idle = !run.running();
    const bool any = rows->count() > 0;
    runButton->setEnabled(idle && any);
    stepButton->setEnabled(idle && any);
    stopButton->setEnabled(!idle);
    for (QToolButton *b : {addButton, removeButton, upButton, downButton, loadButton, saveButton})
        b->setEnabled(idle);
    rows->setEditTriggers(idle ? QAbstractItemView::EditKeyPressed : QAbstractItemView::NoEditTriggers);
}

void CommandPanel::updateTitle()
{
    QString name;   // the first comment's, as the list's file names it
    for (int row = 0; row < rows->count() && name.isEmpty(); ++row) {
        const QString text = rows->item(row)->text().trimmed();
        if (text.startsWith(u'#'))
            name = text.mid(1).trimmed();
    }
    if (name.isEmpty())
        name = path.isEmpty() ? tr("（未保存）") : QFileInfo(path).fileName();
    nameLabel->setText(changed ? name + QStringLiteral(" *") : name);
    nameLabel->setToolTip(path);
}
