// The window's consoles as tabs; see consoletabs.h.
#include "app/consoletabs.h"

#include <QCoreApplication>
#include <QEvent>
#include <QGridLayout>
#include <QLabel>
#include <QGroupBox>
#include <QPushButton>
#include <QSettings>
#include <QSignalBlocker>
#include <QTabBar>
#include <QTabWidget>
#include <QVBoxLayout>

#include "app/consoletab.h"
#include "app/logview.h"
#include "app/timelinetab.h"
#include "serial/portcombobox.h"
#include "serial/seriallink.h"

ConsoleTabs::ConsoleTabs(const First &first, QSettings &settings, std::function<void(const QString &, int)> status,
                         QWidget *window)
    : QObject(window)
    , settings(settings)
    , status(std::move(status))
    , m_firstPortBox(first.portBox)
    , m_firstLink(first.link)
    , m_cfgLabel(first.cfgLabel)
    , m_cfgSelector(first.cfgSelector)
    , m_cfgBusy(first.cfgBusy)
    , m_bindTo(first.bindTo)
    , m_logMaxRows(first.logMaxRows)
{
    setObjectName(QStringLiteral("consoleTabs"));
    m_set.timeline().setMaxRows(m_logMaxRows);
    wrapFirst(first.box, first.log);
    m_add = new QPushButton(first.box);
    m_add->setObjectName(QStringLiteral("pushButton_addConsole"));
    first.portGrid->addWidget(m_add, 0, 4);
    connect(m_add, &QPushButton::clicked, this, [this] {
        ConsoleTab *tab = addConsole();
        m_tabs->setCurrentWidget(tab);
    });
    m_firstPort = m_set.add(first.link, ConsoleSet::shortName(first.portBox->currentText()));
    connect(first.portBox, &QComboBox::currentTextChanged, this, &ConsoleTabs::titleFirst);
    connect(first.link, &SerialLink::opened, this, &ConsoleTabs::titleFirst);
    connect(m_tabs, &QTabWidget::tabCloseRequested, this, [this](int index) {
        if (auto *tab = qobject_cast<ConsoleTab *>(m_tabs->widget(index)))
            closeConsole(tab);
    });
    m_cfgSelector->setSizeAdjustPolicy(QComboBox::AdjustToContents);   // port names come and change
    connect(m_cfgSelector, &QComboBox::currentIndexChanged, this, [this](int index) {
        const QList<ConsoleTab *> tabs = consoles();
        bind(index >= 1 && index <= tabs.size() ? tabs.at(index - 1) : nullptr);
    });
    window->installEventFilter(this);
    titleFirst();
    retranslate();
    restore();
}

// The window's console, its widgets and layouts as they are, moves into the first tab.
void ConsoleTabs::wrapFirst(QGroupBox *box, LogView *firstLog)
{
    auto *boxLayout = qobject_cast<QVBoxLayout *>(box->layout());
    auto *page = new QWidget;
    page->setObjectName(QStringLiteral("tab_console"));
    auto *pageLayout = new QVBoxLayout(page);
    pageLayout->setContentsMargins(0, 0, 0, 0);
    pageLayout->setSpacing(boxLayout->spacing());
    while (boxLayout->count() > 0) {
        const int stretch = boxLayout->stretch(0);
        QLayoutItem *item = boxLayout->takeAt(0);
        if (QWidget *w = item->widget()) {
            pageLayout->addWidget(w, stretch);
            delete item;
        } else if (QLayout *l = item->layout()) {
            l->setParent(nullptr);
            pageLayout->addLayout(l, stretch);
        } else {
            pageLayout->addItem(item);
        }
    }
    m_tabs = new QTabWidget(box);
    m_tabs->setObjectName(QStringLiteral("tabWidget_consoles"));
    m_tabs->setDocumentMode(true);
    m_tabs->setTabBarAutoHide(true);
    m_tabs->setTabsClosable(true);
    // The first console's find keys act while the focus is in its tab: as
    // keys of the whole window they would clash with another console's.
    firstLog->setKeyScope(page);
    m_tabs->addTab(page, QString());
    m_tabs->tabBar()->setTabButton(0, QTabBar::RightSide, nullptr);   // the window's own console stays
    boxLayout->addWidget(m_tabs);
}

QList<ConsoleTab *> ConsoleTabs::consoles() const
{
    QList<ConsoleTab *> list;
    for (int i = 0; i < m_tabs->count(); ++i) {
        if (auto *tab = qobject_cast<ConsoleTab *>(m_tabs->widget(i)))
            list.append(tab);
    }
    return list;
}

ConsoleTab *ConsoleTabs::addConsole()
{
    auto *tab = new ConsoleTab;
    tab->model().setMaxRows(m_logMaxRows);
    const int port = m_set.add(&tab->link(), ConsoleSet::shortName(tab->portText()));
    const int at = m_timeline ? m_tabs->indexOf(m_timeline) : m_tabs->count();
    m_tabs->insertTab(at, tab, ConsoleSet::shortName(tab->portText()));
    connect(tab, &ConsoleTab::statusMessage, this, [this, tab](const QString &text, int ms) {
        status(ConsoleSet::shortName(tab->portText()) + QStringLiteral(": ") + text, ms);
    });
    connect(tab, &ConsoleTab::portChanged, this, [this, tab, port](const QString &portText) {
        const QString name = ConsoleSet::shortName(portText);
        m_set.rename(port, name);
        m_tabs->setTabText(m_tabs->indexOf(tab), name.isEmpty() ? QCoreApplication::translate("Quorvel", "控制台") : name);
        fillSelector();
    });
    showTimeline();
    fillSelector();
    return tab;
}

void ConsoleTabs::closeConsole(ConsoleTab *tab)
{
    if (tab == m_bound) {
        // A read or a write would lose its port half-way.
        if (m_cfgBusy && m_cfgBusy()) {
            status(QCoreApplication::translate("Quorvel", "正在读写模块的配置，这个控制台暂不能关闭"), 10000);
            return;
        }
        bind(nullptr);
    }
    m_tabs->removeTab(m_tabs->indexOf(tab));
    delete tab;   // its port closes, and it leaves the timeline
    showTimeline();
    fillSelector();
}

ConsoleTab *ConsoleTabs::bound() const
{
    return m_bound;
}

void ConsoleTabs::bind(ConsoleTab *tab)
{
    if (tab == m_bound)
        return;
    m_bound = tab;
    fillSelector();
    m_bindTo(tab ? &tab->link() : m_firstLink);
}

// The selector names every console by its port, in tab order, and shows
// only while there is a choice.
void ConsoleTabs::fillSelector()
{
    const QSignalBlocker quiet(m_cfgSelector);
    const QList<ConsoleTab *> tabs = consoles();
    m_cfgSelector->clear();
    for (int i = 0; i <= tabs.size(); ++i)
        m_cfgSelector->addItem(m_tabs->tabText(i == 0 ? 0 : m_tabs->indexOf(tabs.at(i - 1))));
    m_cfgSelector->setCurrentIndex(m_bound ? int(tabs.indexOf(m_bound)) + 1 : 0);
    m_cfgSelector->setVisible(!tabs.isEmpty());
    m_cfgLabel->setVisible(!tabs.isEmpty());
}

// "All ports" while there is more than one console.
void ConsoleTabs::showTimeline()
{
    const bool several = !consoles().isEmpty();
    if (several && !m_timeline) {
        m_timeline = new TimelineTab(m_set);
        m_timeline->setObjectName(QStringLiteral("tab_allPorts"));
        connect(m_timeline, &TimelineTab::statusMessage, this, [this](const QString &text, int ms) { status(text, ms); });
        m_tabs->addTab(m_timeline, QCoreApplication::translate("Quorvel", "全部端口"));
        m_tabs->tabBar()->setTabButton(m_tabs->count() - 1, QTabBar::RightSide, nullptr);
    } else if (!several && m_timeline) {
        m_tabs->removeTab(m_tabs->indexOf(m_timeline));
        delete m_timeline;
    }
}

void ConsoleTabs::titleFirst()
{
    const QString name = ConsoleSet::shortName(m_firstPortBox->currentText());
    m_set.rename(m_firstPort, name);
    m_tabs->setTabText(0, name.isEmpty() ? QCoreApplication::translate("Quorvel", "控制台") : name);
    fillSelector();
}

void ConsoleTabs::retranslate()
{
    m_add->setText(QStringLiteral("+"));
    m_add->setToolTip(QCoreApplication::translate("Quorvel", "添加控制台：另一个串口的控制台，在新的标签页"));
    m_add->setFixedWidth(m_add->fontMetrics().horizontalAdvance(QStringLiteral("+")) + 24);
    titleFirst();
    for (ConsoleTab *tab : consoles())
        tab->retranslate();
    if (m_timeline) {
        m_timeline->retranslate();
        m_tabs->setTabText(m_tabs->indexOf(m_timeline), QCoreApplication::translate("Quorvel", "全部端口"));
    }
}

void ConsoleTabs::saveSettings()
{
    const QList<ConsoleTab *> tabs = consoles();
    settings.remove(QStringLiteral("consoles"));
    settings.beginWriteArray(QStringLiteral("consoles"), int(tabs.size()));
    for (int i = 0; i < tabs.size(); ++i) {
        settings.setArrayIndex(i);
        tabs.at(i)->saveSettings(settings);
    }
    settings.endArray();
    settings.setValue(QStringLiteral("consoles/configuration"), m_bound ? int(tabs.indexOf(m_bound)) + 1 : 0);
}

void ConsoleTabs::restore()
{
    const int count = qBound(0, settings.beginReadArray(QStringLiteral("consoles")), 16);
    for (int i = 0; i < count; ++i) {
        settings.setArrayIndex(i);
        ConsoleTab *tab = addConsole();
        tab->loadSettings(settings);
    }
    settings.endArray();
    const int bound = settings.value(QStringLiteral("consoles/configuration")).toInt();
    if (bound >= 1 && bound <= count)
        bind(consoles().at(bound - 1));
}

// The consoles are kept as the window closes, while its settings still exist.
bool ConsoleTabs::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::Close && watched == parent())
        saveSettings();
    return QObject::eventFilter(watched, event);
}
