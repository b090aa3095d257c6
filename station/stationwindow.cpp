// The station window: the form (profile, firmware, report, fixtures), Start
// and Stop, one child process per fixture and module, and the tiles.
#include "station/stationwindow.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QEvent>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QFormLayout>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QResizeEvent>
#include <QSaveFile>
#include <QScrollArea>
#include <QSettings>
#include <QStandardPaths>
#include <QTableWidget>
#include <QTimer>
#include <QUuid>
#include <QVBoxLayout>

#include <algorithm>

#include "cfgfile/profilefile.h"
#include "console/commandlist.h"
#include "serial/portlist.h"
#include "serial/portsettings.h"
#include "settings/appsettings.h"
#include "report/pgreport.h"
#include "report/report.h"

using station::FixtureState;

namespace {

// The wire encoding the settings file names: the one the runs use.
wiretext::Encoding runEncoding()
{
    const QSettings settings(appsettings::filePath(), QSettings::IniFormat);
    return wiretext::fromName(appsettings::text(settings, appsettings::Key::Encoding));
}

// The tile's big state word on one line: its font shrinks from the largest
// size until the word fits the label's width ("Verifying" in a narrow tile).
// Its size hint is that of the largest size, so a smaller font never changes
// the tile's layout.
class FitLabel : public QLabel
{
public:
    explicit FitLabel(int largestPointSize) : m_largest(largestPointSize)
    {
        QFont f = font();
        f.setPointSize(m_largest);
        f.setBold(true);
        setFont(f);
    }
    void setFittedText(const QString &text)
    {
        setText(text);
        fit();
    }
    QSize sizeHint() const override { return {0, largestMetrics().height()}; }
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void resizeEvent(QResizeEvent *event) override
    {
        QLabel::resizeEvent(event);
        fit();
    }

private:
    QFontMetrics largestMetrics() const
    {
        QFont f = font();
        f.setPointSize(m_largest);
        return QFontMetrics(f);
    }
    void fit()
    {
        QFont f = font();
        int size = m_largest;
        f.setPointSize(size);
        while (size > 6 && QFontMetrics(f).horizontalAdvance(text()) > contentsRect().width())
            f.setPointSize(--size);
        if (f.pointSize() != font().pointSize())
            setFont(f);
    }
    const int m_largest;
};

// Text for a word-wrapped label of a tile. A line breaks at spaces and
// between Chinese characters; a longer run of other characters (a path, a
// MAC, an answer) may also break after the characters that join its parts,
// and at least every 16 characters, so that nothing runs past the tile's
// edge. Shorter words are left whole.
QString breakable(const QString &text)
{
    static const QString joints = QStringLiteral("/\\_:,.=-");
    constexpr qsizetype longest = 16;
    const auto inRun = [](QChar c) { return !c.isSpace() && c.unicode() < 0x2E80; };   // surrogates are above
    QString out;
    out.reserve(text.size() + text.size() / 4);
    for (qsizetype i = 0; i < text.size();) {
        qsizetype end = i;
        while (end < text.size() && inRun(text.at(end)))
            ++end;
        if (end == i) {
            out += text.at(i++);
            continue;
        }
        if (end - i <= longest) {
            out += QStringView(text).mid(i, end - i);
        } else {
            qsizetype sinceBreak = 0;
            for (qsizetype k = i; k < end; ++k) {
                out += text.at(k);
                if (joints.contains(text.at(k)) || ++sinceBreak >= longest) {
                    out += QChar(0x200B);   // zero-width space: a break opportunity, nothing drawn
                    sinceBreak = 0;
                }
            }
        }
        i = end;
    }
    return out;
}

} // namespace

StationWindow::StationWindow(const QString &program, QWidget *parent)
    : QWidget(parent, Qt::Window), m_program(program), m_rowWriter(new QObject)
{
    setObjectName(QStringLiteral("StationWindow"));
    m_clock.start();
    // Rows are written one after another in the thread's own event loop; the
    // writer goes with the thread.
    m_rowWriter->moveToThread(&m_rowThread);
    connect(&m_rowThread, &QThread::finished, m_rowWriter, &QObject::deleteLater);
    m_rowThread.start();
    buildForm();
    m_reportEdit->setText(defaultReportFile());
    retranslate();
    resize(900, 640);
}

StationWindow::~StationWindow()
{
    // ~QWidget hides the window, which moves the focus: the scan field's
    // keeper must not run on a window that is no longer one.
    disconnect(qApp, &QApplication::focusChanged, this, nullptr);
    for (auto &f : m_fixtures) {
        if (f->process) {
            f->process->disconnect(this);
            f->process->kill();
            f->process->waitForFinished(2000);
        }
    }
    // The rows asked for are written before the thread ends: its quit is queued behind them.
    QMetaObject::invokeMethod(m_rowWriter, [this] { m_rowThread.quit(); }, Qt::QueuedConnection);
    m_rowThread.wait();
}

QString StationWindow::defaultReportFile()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation)
        + QStringLiteral("/quorvel/reports/%1.csv").arg(QDate::currentDate().toString(QStringLiteral("yyyy-MM-dd")));
}

void StationWindow::buildForm()
{
    auto *form = new QFormLayout;
    m_profileLabel = new QLabel;
    m_profileEdit = new QLineEdit;
    m_profileEdit->setReadOnly(true);
    m_profileButton = new QPushButton;
    m_profileInfo = new QLabel;
    m_profileInfo->setWordWrap(true);
    auto *profileRow = new QHBoxLayout;
    profileRow->addWidget(m_profileEdit, 1);
    profileRow->addWidget(m_profileButton);
    form->addRow(m_profileLabel, profileRow);
    form->addRow(QString(), m_profileInfo);

    // An optional command list, run on every module after its apply.
    m_commandsLabel = new QLabel;
    m_commandsEdit = new QLineEdit;
    m_commandsEdit->setObjectName(QStringLiteral("lineEdit_commands"));
    m_commandsEdit->setReadOnly(true);
    m_commandsEdit->setClearButtonEnabled(true);
    m_commandsButton = new QPushButton;
    auto *commandsRow = new QHBoxLayout;
    commandsRow->addWidget(m_commandsEdit, 1);
    commandsRow->addWidget(m_commandsButton);
    form->addRow(m_commandsLabel, commandsRow);

    m_versionLabel = new QLabel;
    m_versionEdit = new QLineEdit;
    m_verify = new QCheckBox;
    m_verify->setChecked(true);
    m_verify->setEnabled(false);   // a station always reads back what it wrote
    auto *versionRow = new QHBoxLayout;
    versionRow->addWidget(m_versionEdit, 1);
    versionRow->addWidget(m_verify);
    form->addRow(m_versionLabel, versionRow);

    m_reportLabel = new QLabel;
    m_reportEdit = new QLineEdit;
    m_reportButton = new QPushButton;
    auto *reportRow = new QHBoxLayout;
    reportRow->addWidget(m_reportEdit, 1);
    reportRow->addWidget(m_reportButton);
    form->addRow(m_reportLabel, reportRow);

    m_fixturesLabel = new QLabel;
    m_portBox = new QComboBox;
    m_portBox->setEditable(true);
    m_portBox->setMinimumContentsLength(16);
    // An adapter's stable /dev/serial/by-id/… name is offered where it has
    // one: a fixture added by it keeps working when the adapter is plugged
    // in again and comes back as another ttyUSBn.
    for (const PortEntry &p : systemPortEntries())
        m_portBox->addItem(station::fixturePort(p));
    m_baudBox = new QComboBox;
    qint32 rate = 0;
    for (int i = 0; baudRateForIndex(i, &rate); ++i)
        m_baudBox->addItem(QString::number(rate));
    m_baudBox->setCurrentText(QStringLiteral("115200"));
    m_addButton = new QPushButton;
    m_removeButton = new QPushButton;
    auto *fixtureRow = new QHBoxLayout;
    fixtureRow->addWidget(m_portBox, 1);
    fixtureRow->addWidget(m_baudBox);
    fixtureRow->addWidget(m_addButton);
    fixtureRow->addWidget(m_removeButton);
    form->addRow(m_fixturesLabel, fixtureRow);
    m_fixtureTable = new QTableWidget(0, 2);
    m_fixtureTable->verticalHeader()->hide();
    m_fixtureTable->horizontalHeader()->setStretchLastSection(true);
    m_fixtureTable->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_fixtureTable->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_fixtureTable->setMaximumHeight(120);
    form->addRow(QString(), m_fixtureTable);

    m_startButton = new QPushButton;
    m_stopButton = new QPushButton;
    m_stopButton->setEnabled(false);
    m_totals = new QLabel;
    m_totals->setObjectName(QStringLiteral("label_totals"));
    QFont big = m_totals->font();
    big.setPointSizeF(big.pointSizeF() * 1.4);
    big.setBold(true);
    m_totals->setFont(big);
    m_saveSetupButton = new QPushButton;
    m_saveSetupButton->setObjectName(QStringLiteral("pushButton_saveSetup"));
    auto *controls = new QHBoxLayout;
    controls->addWidget(m_startButton);
    controls->addWidget(m_stopButton);
    controls->addWidget(m_totals, 1);

    // The scanner types into this field and ends with Enter.
    m_scanFirst = new QCheckBox;
    m_scanFirst->setObjectName(QStringLiteral("checkBox_scanFirst"));
    m_scanEdit = new QLineEdit;
    m_scanEdit->setObjectName(QStringLiteral("lineEdit_scan"));
    m_scanEdit->setEnabled(false);
    auto *scanRow = new QHBoxLayout;
    scanRow->addWidget(m_scanFirst);
    scanRow->addWidget(m_scanEdit, 1);
    controls->addWidget(m_saveSetupButton);

    // Yield at a glance, above the tiles.
    m_yieldLabel = new QLabel;
    m_yieldLabel->setObjectName(QStringLiteral("label_yield"));
    m_yieldLabel->setWordWrap(true);
    m_shiftReportButton = new QPushButton;
    m_shiftReportButton->setObjectName(QStringLiteral("pushButton_shiftReport"));
    auto *yieldRow = new QHBoxLayout;
    yieldRow->addWidget(m_yieldLabel, 1);
    yieldRow->addWidget(m_shiftReportButton);

    auto *tileHost = new QWidget;
    m_tiles = new QGridLayout(tileHost);
    auto *scroll = new QScrollArea;
    scroll->setWidgetResizable(true);
    scroll->setWidget(tileHost);

    auto *layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addLayout(controls);
    layout->addLayout(scanRow);
    layout->addLayout(yieldRow);
    layout->addWidget(scroll, 1);

    // Named for the scripts and tests that drive the station, and the setup's locks.
    m_profileButton->setObjectName(QStringLiteral("pushButton_chooseProfile"));
    m_versionEdit->setObjectName(QStringLiteral("lineEdit_firmware"));
    m_reportEdit->setObjectName(QStringLiteral("lineEdit_report"));
    m_addButton->setObjectName(QStringLiteral("pushButton_addFixture"));
    connect(m_profileButton, &QPushButton::clicked, this, &StationWindow::chooseProfile);
    connect(m_commandsButton, &QPushButton::clicked, this, &StationWindow::chooseCommandList);
    // The clear button empties the field: no list.
    connect(m_commandsEdit, &QLineEdit::textChanged, this, [this](const QString &text) {
        if (text.isEmpty())
            m_commands.clear();
    });
    connect(m_reportButton, &QPushButton::clicked, this, &StationWindow::chooseReport);
    connect(m_addButton, &QPushButton::clicked, this, &StationWindow::addChosenFixture);
    connect(m_removeButton, &QPushButton::clicked, this, &StationWindow::removeChosenFixture);
    connect(m_startButton, &QPushButton::clicked, this, &StationWindow::start);
    connect(m_scanFirst, &QCheckBox::toggled, this, &StationWindow::setScanFirst);
    connect(m_shiftReportButton, &QPushButton::clicked, this, [this] {
        const QString path = QFileDialog::getSaveFileName(
            this, tr("保存班次汇总"),
            QStringLiteral("shift-%1.csv").arg(QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd-HHmm"))),
            QStringLiteral("CSV (*.csv)"));
        if (path.isEmpty())
            return;
        QSaveFile file(path);
        const QByteArray csv = m_yield.summaryCsv();
        const bool written = file.open(QIODevice::WriteOnly) && file.write(csv) == csv.size() && file.commit();
        m_totals->setText(written ? tr("班次汇总已保存到 %1").arg(path)
                                  : tr("不能保存班次汇总 %1：%2").arg(path, file.errorString()));
    });
    connect(m_saveSetupButton, &QPushButton::clicked, this, [this] {
        const QString path = QFileDialog::getSaveFileName(this, tr("保存站点设置"), QStringLiteral("station.ini"),
                                                          QStringLiteral("INI (*.ini)"));
        QString why;
        if (!path.isEmpty() && !saveSetup(path, &why))
            m_totals->setText(why);
    });
    // While labels are scanned, the scan field keeps the focus: a scanner's
    // Enter must never reach a button a click left focused (Stop, Shift report).
    connect(qApp, &QApplication::focusChanged, this, [this](QWidget *, QWidget *now) {
        if (m_running && m_scanFirst->isChecked() && now && now != m_scanEdit && now->window() == this)
            QTimer::singleShot(0, m_scanEdit, qOverload<>(&QWidget::setFocus));
    });
    connect(m_scanEdit, &QLineEdit::returnPressed, this, [this] {
        const QString code = m_scanEdit->text();
        m_scanEdit->clear();
        takeScan(code);
    });
    connect(m_stopButton, &QPushButton::clicked, this, &StationWindow::stop);
    // Modules per hour drift while no module ends: refreshed now and then.
    auto *totalsTimer = new QTimer(this);
    connect(totalsTimer, &QTimer::timeout, this, [this] {
        if (m_running)
            showTotals();
    });
    totalsTimer->start(5000);
}

void StationWindow::retranslate()
{
    setWindowTitle(tr("Quorvel 量产"));
    m_profileLabel->setText(tr("配置文件"));
    m_profileButton->setText(tr("选择…"));
    m_commandsLabel->setText(tr("命令列表"));
    m_commandsButton->setText(tr("选择…"));
    m_commandsEdit->setPlaceholderText(tr("无（只写入并校验）"));
    m_versionLabel->setText(tr("固件版本"));
    m_versionEdit->setPlaceholderText(tr("任意版本"));
    m_verify->setText(tr("写入后校验"));
    m_scanFirst->setText(tr("每个模块先扫描标签"));
    m_saveSetupButton->setText(tr("保存站点设置…"));
    m_shiftReportButton->setText(tr("班次汇总…"));
    m_scanEdit->setPlaceholderText(tr("扫描标签（FIXTURE:工位号:标签 指定工位）"));
    m_reportLabel->setText(tr("报告文件"));
    m_reportButton->setText(tr("选择…"));
    m_fixturesLabel->setText(tr("工位"));
    m_addButton->setText(tr("添加工位"));
    m_removeButton->setText(tr("移除工位"));
    m_fixtureTable->setHorizontalHeaderLabels({tr("串口"), tr("波特率")});
    m_startButton->setText(tr("开始"));
    m_stopButton->setText(tr("停止"));
    if (!m_profileRefusal.isEmpty())
        m_profileInfo->setText(tr("不能使用该配置文件：%1").arg(m_profileRefusal));
    else if (!m_profile.isEmpty())
        m_profileInfo->setText(tr("%1，SHA-256 %2").arg(QFileInfo(m_profile).fileName(), m_profileSha.left(12)));
    else
        m_profileInfo->setText(tr("请选择一个完整的配置文件"));
    for (const auto &f : m_fixtures)
        showTile(*f);
    showTotals();
}

void StationWindow::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::LanguageChange)
        retranslate();
    QWidget::changeEvent(event);
}

void StationWindow::chooseProfile()
{
    const QString path = QFileDialog::getOpenFileName(this, tr("选择配置文件"), QString(), QStringLiteral("XML (*.xml)"));
    if (!path.isEmpty())
        setProfile(path);
}

void StationWindow::chooseCommandList()
{
    const QString path = QFileDialog::getOpenFileName(this, tr("选择命令列表"), QString(),
                                                      tr("命令列表 (*.txt);;所有文件 (*)"));
    if (!path.isEmpty())
        setCommandList(path);
}

// A list that does not parse is refused here, its line named, as the runs
// would refuse it for every module.
bool StationWindow::setCommandList(const QString &path, QString *why)
{
    QString refusal;
    if (!path.isEmpty() && !CommandList::load(path, &refusal)) {
        m_totals->setText(refusal);
        if (why)
            *why = refusal;
        return false;
    }
    m_commands = path.isEmpty() ? QString() : QFileInfo(path).absoluteFilePath();
    m_commandsEdit->setText(m_commands);
    m_totals->clear();
    return true;
}

void StationWindow::chooseReport()
{
    const QString path = QFileDialog::getSaveFileName(this, tr("选择报告文件"), m_reportEdit->text(),
                                                      QStringLiteral("CSV (*.csv)"), nullptr,
                                                      QFileDialog::DontConfirmOverwrite);
    if (!path.isEmpty())
        m_reportEdit->setText(path);
}

// The profile is checked as --apply checks it, once, here: a profile the
// runs would refuse never starts them.
bool StationWindow::setProfile(const QString &path)
{
    if (m_running)
        return false;
    m_profileRefusal = ProfileFile::refusal(path, tr("合格") != QStringLiteral("合格"), runEncoding());
    QFile file(path);
    if (m_profileRefusal.isEmpty() && !file.open(QIODevice::ReadOnly))
        m_profileRefusal = file.errorString();
    if (m_profileRefusal.isEmpty()) {
        m_profile = QFileInfo(path).absoluteFilePath();
        m_profileSha = QString::fromLatin1(QCryptographicHash::hash(file.readAll(), QCryptographicHash::Sha256).toHex());
    } else {
        m_profile.clear();
        m_profileSha.clear();
    }
    m_profileEdit->setText(path);
    retranslate();
    return m_profileRefusal.isEmpty();
}

void StationWindow::setExpectedVersion(const QString &version)
{
    m_versionEdit->setText(version);
}

void StationWindow::setReportFile(const QString &path)
{
    m_reportEdit->setText(path);
}

QString StationWindow::reportFile() const
{
    const QString path = m_reportEdit->text().trimmed();
    return path.isEmpty() || pgreport::isUri(path) ? path : QFileInfo(path).absoluteFilePath();
}

void StationWindow::addChosenFixture()
{
    addFixture(m_portBox->currentText().trimmed(), m_baudBox->currentText());
}

void StationWindow::addFixture(const QString &port, const QString &baud)
{
    if (m_running || port.isEmpty())
        return;
    for (const auto &f : m_fixtures) {
        if (f->port == port)
            return;   // one run per port
    }
    auto f = std::make_unique<Fixture>();
    f->port = port;
    f->baud = baud;
    f->limit = new QTimer(this);
    f->limit->setSingleShot(true);
    Fixture *raw = f.get();
    connect(f->limit, &QTimer::timeout, this, [this, raw] {
        killChild(*raw, tr("超过 %1 秒没有结束，已终止").arg(station::childRunLimitMs / 1000));
    });

    f->tile = new QFrame;
    f->tile->setObjectName(QStringLiteral("tile_%1").arg(m_fixtures.size()));
    f->tile->setFrameShape(QFrame::StyledPanel);
    f->tile->setAutoFillBackground(true);
    f->tile->setMinimumSize(260, 200);
    auto *box = new QVBoxLayout(f->tile);
    f->portLabel = new QLabel;
    f->phaseLabel = new FitLabel(40);
    f->phaseLabel->setAlignment(Qt::AlignCenter);
    f->macLabel = new QLabel;
    f->reasonLabel = new QLabel;
    f->noticeLabel = new QLabel;
    f->countLabel = new QLabel;
    f->portLabel->setObjectName(QStringLiteral("port"));
    f->phaseLabel->setObjectName(QStringLiteral("phase"));
    f->macLabel->setObjectName(QStringLiteral("mac"));
    f->reasonLabel->setObjectName(QStringLiteral("reason"));
    f->noticeLabel->setObjectName(QStringLiteral("notice"));
    f->countLabel->setObjectName(QStringLiteral("counts"));
    QFont large = f->portLabel->font();
    large.setPointSizeF(large.pointSizeF() * 1.3);
    large.setBold(true);
    // Every line but the state word wraps: the tile grows downwards rather than cutting text off.
    for (QLabel *label : {f->portLabel, f->macLabel, f->countLabel, f->reasonLabel, f->noticeLabel}) {
        label->setFont(large);
        label->setWordWrap(true);
    }
    QFont italic = large;
    italic.setItalic(true);
    f->noticeLabel->setFont(italic);
    box->addWidget(f->portLabel);
    box->addWidget(f->phaseLabel, 1);
    box->addWidget(f->macLabel);
    box->addWidget(f->reasonLabel);
    box->addWidget(f->noticeLabel);
    box->addWidget(f->countLabel);
    const int index = int(m_fixtures.size());
    m_tiles->addWidget(f->tile, index / 4, index % 4);

    const int row = m_fixtureTable->rowCount();
    m_fixtureTable->insertRow(row);
    m_fixtureTable->setItem(row, 0, new QTableWidgetItem(port));
    m_fixtureTable->setItem(row, 1, new QTableWidgetItem(baud));
    m_fixtures.push_back(std::move(f));
    showTile(*raw);
}

void StationWindow::removeChosenFixture()
{
    const int row = m_fixtureTable->currentRow();
    if (m_running || row < 0 || row >= fixtureCount())
        return;
    m_fixtureTable->removeRow(row);
    delete m_fixtures.at(row)->tile;
    delete m_fixtures.at(row)->limit;
    m_fixtures.erase(m_fixtures.begin() + row);
    for (int i = 0; i < fixtureCount(); ++i)   // close the gap
        m_tiles->addWidget(m_fixtures.at(i)->tile, i / 4, i % 4);
}

void StationWindow::start()
{
    if (m_running)
        return;
    QString refusal;
    if (m_profile.isEmpty())
        refusal = tr("请选择一个完整的配置文件");
    else if (m_fixtures.empty())
        refusal = tr("请添加至少一个工位");
    else if (reportFile().isEmpty())
        refusal = tr("请指定报告文件");
    else if (!pgreport::isUri(reportFile()) && !QDir().mkpath(QFileInfo(reportFile()).absolutePath()))
        refusal = tr("不能创建报告文件夹 %1").arg(QFileInfo(reportFile()).absolutePath());
    // A setup names the profile by its contents too: another file in its place is not the supervisor's.
    if (refusal.isEmpty() && !m_lockedSha.isEmpty() && m_profileSha != m_lockedSha)
        refusal = tr("配置文件的 SHA-256 为 %1，站点设置要求 %2").arg(m_profileSha, m_lockedSha);
    if (refusal.isEmpty()) {
        m_runDir = std::make_unique<QTemporaryDir>();
        m_runProfile = m_runDir->filePath(QFileInfo(m_profile).fileName());
        QFile file(m_profile);
        QByteArray bytes;
        if (file.open(QIODevice::ReadOnly))
            bytes = file.readAll();
        QFile copy(m_runProfile);
        if (QString::fromLatin1(QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex()) != m_profileSha)
            refusal = tr("配置文件在选择之后已改变，请重新选择");
        else if (!m_runDir->isValid() || !copy.open(QIODevice::WriteOnly) || copy.write(bytes) != bytes.size())
            refusal = tr("不能复制配置文件：%1").arg(copy.errorString());
        else
            prepareRunSettings();
    }
    // The list too runs as it was at Start; one edited since into something that does not parse is refused.
    m_runCommands.clear();
    if (refusal.isEmpty() && !m_commands.isEmpty()) {
        QString why;
        const std::optional<CommandList> list = CommandList::load(m_commands, &why);
        m_runCommands = m_runDir->filePath(QStringLiteral("commands-") + QFileInfo(m_commands).fileName());
        if (!list)
            refusal = why;
        else if (!list->save(m_runCommands, &why))
            refusal = why;
    }
    if (!refusal.isEmpty()) {
        m_totals->setText(refusal);
        return;
    }
    m_stopPresses = 0;
    if (m_shiftStartMs < 0)
        m_shiftStartMs = m_clock.elapsed();
    m_runClock.start(m_clock.elapsed());
    setRunning(true);
    for (auto &f : m_fixtures) {
        f->state.stationStarted();
        startChild(*f);
    }
}

// The runs start in the run folder and read its settings file: the
// station's own (line settings, encoding), in the language the station
// shows, so that a tile's reason reads like the tile.
void StationWindow::prepareRunSettings()
{
    const QString own = appsettings::filePath();
    const QString copy = m_runDir->filePath(QStringLiteral("Quorvel.ini"));
    QFile::copy(own, copy);
    QSettings settings(copy, QSettings::IniFormat);
    const bool english = tr("合格") != QStringLiteral("合格");
    appsettings::setLanguage(settings, english ? Language::English : Language::Chinese);
}

void StationWindow::stop()
{
    if (!m_running)
        return;
    ++m_stopPresses;
    for (auto &f : m_fixtures) {
        f->awaitingScan = false;
        if (!f->process) {
            showTile(*f);
            continue;
        }
        if (m_stopPresses > 1)
            killChild(*f, tr("已被停止"));
        else if (!f->state.moduleSeen())
            f->process->terminate();   // a run still waiting for its module ends with exit 3
    }
    showTotals();
    if (runningChildren() == 0)   // every fixture was waiting for a scan
        setRunning(false);
}

void StationWindow::setRunning(bool running)
{
    m_running = running;
    if (!running)
        m_runClock.stop(m_clock.elapsed());
    for (QWidget *w : std::initializer_list<QWidget *>{m_profileButton, m_commandsButton, m_commandsEdit, m_scanFirst,
                                                        m_versionEdit, m_reportEdit, m_reportButton,
                                                        m_addButton, m_removeButton, m_startButton, m_portBox,
                                                        m_baudBox})
        w->setEnabled(!running && !w->property("locked").toBool());
    m_stopButton->setEnabled(running);
    showTotals();
    emit runningChanged(running);
}

int StationWindow::indexOf(const Fixture &f) const
{
    for (int i = 0; i < fixtureCount(); ++i) {
        if (m_fixtures.at(i).get() == &f)
            return i;
    }
    return -1;
}

namespace {

// The keys of a setup file's [station] group as written. QSettings would
// take a ";" (the fixtures' separator) for the start of a comment and a ","
// for a list; a value in quotes (as QSettings writes one with those in it)
// has its quotes and backslash escapes taken off.
std::optional<QHash<QString, QString>> setupKeys(const QString &path)
{
    QFile file(path);
    if (!QFileInfo(path).isFile() || !file.open(QIODevice::ReadOnly))
        return std::nullopt;
    QHash<QString, QString> keys;
    bool inGroup = false;
    for (const QByteArray &raw : file.readAll().split('\n')) {
        const QString line = QString::fromUtf8(raw).trimmed();
        if (line.startsWith(u'[')) {
            inGroup = line == QLatin1String("[station]");
            continue;
        }
        const qsizetype eq = line.indexOf(u'=');
        if (!inGroup || eq <= 0 || line.startsWith(u';') || line.startsWith(u'#'))
            continue;
        QString value = line.mid(eq + 1).trimmed();
        if (value.size() >= 2 && value.startsWith(u'"') && value.endsWith(u'"')) {
            QString plain;
            for (qsizetype i = 1; i + 1 < value.size(); ++i)
                plain += value.at(i) == u'\\' && i + 2 < value.size() ? value.at(++i) : value.at(i);
            value = plain;
        }
        keys.insert(line.left(eq).trimmed(), value);
    }
    return keys;
}

} // namespace

bool StationWindow::loadSetup(const QString &path, QString *why)
{
    const std::optional<QHash<QString, QString>> keys = setupKeys(path);
    if (!keys) {
        *why = tr("不能读取站点设置 %1").arg(path);
        return false;
    }
    const auto given = [&keys](const char *key) { return keys->contains(QLatin1String(key)); };
    const auto text = [&keys](const char *key) { return keys->value(QLatin1String(key)).trimmed(); };
    // Paths in the setup are taken from the setup file's folder.
    const QDir here = QFileInfo(path).absoluteDir();
    const auto place = [&here](const QString &file) { return file.isEmpty() ? file : here.absoluteFilePath(file); };
    if (given("profile")) {
        if (!setProfile(place(text("profile")))) {
            *why = tr("站点设置的配置文件不能使用：%1").arg(m_profileRefusal);
            return false;
        }
        lockField(m_profileButton);
    }
    m_lockedSha = given("profileSha256") ? text("profileSha256").toLower() : QString();
    if (given("commands")) {
        if (!setCommandList(place(text("commands")), why))
            return false;
        lockField(m_commandsButton);
        lockField(m_commandsEdit);
    }
    if (given("firmware")) {
        setExpectedVersion(text("firmware"));
        lockField(m_versionEdit);
    }
    if (given("report")) {
        const QString report = text("report");
        setReportFile(pgreport::isUri(report) ? report : place(report));
        lockField(m_reportEdit);
        lockField(m_reportButton);
    }
    if (given("stationName"))
        m_stationName = text("stationName");
    if (given("fixtures")) {
        for (const QString &fixture : text("fixtures").split(u';', Qt::SkipEmptyParts)) {
            const QString port = fixture.section(u'@', 0, 0).trimmed();
            const QString baud = fixture.contains(u'@') ? fixture.section(u'@', 1).trimmed() : QString();
            if (!baud.isEmpty() && m_baudBox->findText(baud) < 0) {
                *why = tr("站点设置的工位 %1：%2 不是可用的波特率").arg(port, baud);
                return false;
            }
            addFixture(port, baud);
        }
        for (QWidget *w : std::initializer_list<QWidget *>{m_portBox, m_baudBox, m_addButton, m_removeButton})
            lockField(w);
    }
    return true;
}

// A field the setup gave stays as it gave it, running or not.
void StationWindow::lockField(QWidget *field)
{
    field->setProperty("locked", true);
    field->setEnabled(false);
}

bool StationWindow::saveSetup(const QString &path, QString *why) const
{
    QSettings setup(path, QSettings::IniFormat);
    setup.clear();
    setup.beginGroup(QStringLiteral("station"));
    const auto put = [&setup](const char *key, const QString &value) {
        if (!value.isEmpty())
            setup.setValue(QLatin1String(key), value);
    };
    put("profile", m_profile);
    put("profileSha256", m_profileSha);
    put("commands", m_commands);
    put("firmware", m_versionEdit->text().trimmed());
    put("report", reportFile());
    put("stationName", m_stationName);
    QStringList fixtures;
    for (const auto &f : m_fixtures)
        fixtures << (f->baud.isEmpty() ? f->port : f->port + u'@' + f->baud);
    put("fixtures", fixtures.join(u';'));
    setup.endGroup();
    setup.sync();
    if (setup.status() != QSettings::NoError) {
        *why = tr("不能写入站点设置 %1").arg(path);
        return false;
    }
    return true;
}

void StationWindow::setScanFirst(bool on)
{
    if (m_running)
        return;
    m_scanFirst->setChecked(on);
    m_scanEdit->setEnabled(on);
    m_scans.clear();
    for (auto &f : m_fixtures)
        f->scan.clear();
}

// A code from the scanner: the named fixture's, or the first waiting
// fixture's (in their order), or kept for the next fixture that waits.
void StationWindow::takeScan(const QString &scanned)
{
    const QString code = scanned.trimmed();
    if (code.isEmpty() || !m_scanFirst->isChecked())
        return;
    static const QRegularExpression named(QStringLiteral("^FIXTURE:(\\d+):(.+)$"),
                                          QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch m = named.match(code);
    if (m.hasMatch()) {
        const int index = m.captured(1).toInt() - 1;
        if (index < 0 || index >= fixtureCount()) {
            m_totals->setText(tr("没有工位 %1，扫描的标签“%2”没有使用").arg(m.captured(1), m.captured(2)));
            return;
        }
        m_fixtures.at(size_t(index))->scan = m.captured(2).trimmed();
    } else {
        m_scans.append(code);
    }
    for (auto &f : m_fixtures) {
        if (f->awaitingScan && m_running && m_stopPresses == 0 && (!f->scan.isEmpty() || !m_scans.isEmpty()))
            startChild(*f);
    }
    showTotals();
}

void StationWindow::startChild(Fixture &f)
{
    // A module waits for its label's scan: no child is started without one.
    if (m_scanFirst->isChecked()) {
        if (f.scan.isEmpty() && !m_scans.isEmpty())
            f.scan = m_scans.takeFirst();
        f.awaitingScan = f.scan.isEmpty();
        if (f.awaitingScan) {
            showTile(f);
            m_scanEdit->setFocus();
            return;
        }
    }
    f.label = f.scan;
    f.scan.clear();
    station::ChildRun run;
    run.label = f.label;
    run.port = f.port;
    run.baud = f.baud;
    run.lastMac = f.state.lastMac();
    run.profile = m_runProfile;
    run.report = reportFile();
    run.expectVersion = m_versionEdit->text().trimmed();
    run.commands = m_runCommands;
    run.stationName = m_stationName;
    f.runId = QUuid::createUuid().toString(QUuid::WithoutBraces);
    run.runId = f.runId;

    auto *process = new QProcess(this);
    process->setWorkingDirectory(m_runDir->path());
    // The run reads the run folder's settings file wherever the system would
    // otherwise keep them (the user's profile on Windows).
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("QUORVEL_SETTINGS"), m_runDir->filePath(QStringLiteral("Quorvel.ini")));
    process->setProcessEnvironment(environment);
    f.process = process;
    f.pendingOut.clear();
    f.killWhy.clear();
    Fixture *raw = &f;
    connect(process, &QProcess::readyReadStandardOutput, this, [this, raw] { childOutput(*raw); });
    connect(process, &QProcess::finished, this, [this, raw](int exitCode, QProcess::ExitStatus status) {
        childFinished(*raw, exitCode, status == QProcess::CrashExit);
    });
    connect(process, &QProcess::errorOccurred, this, [this, raw, process](QProcess::ProcessError error) {
        if (error == QProcess::FailedToStart && raw->process == process)
            childFinished(*raw, -1, true);
    });
    f.state.childStarted();
    showTile(f);
    process->start(m_program, station::childArguments(run));
}

void StationWindow::childOutput(Fixture &f)
{
    if (!f.process)
        return;
    f.pendingOut += f.process->readAllStandardOutput();
    qsizetype end;
    while ((end = f.pendingOut.indexOf('\n')) >= 0) {
        const progress::Parsed line = progress::parse(f.pendingOut.left(end));
        f.pendingOut.remove(0, end + 1);
        if (line.event == progress::Event::None)
            continue;
        if (line.event == progress::Event::Module) {
            f.moduleTime = QDateTime::currentDateTime();
            f.moduleClock.start();
            f.limit->start(station::childRunLimitMs);
        }
        f.state.progressLine(line);
    }
    showTile(f);
}

void StationWindow::killChild(Fixture &f, const QString &why)
{
    if (!f.process || f.process->state() == QProcess::NotRunning)
        return;
    f.killWhy = why;
    f.process->kill();
}

void StationWindow::childFinished(Fixture &f, int exitCode, bool crashed)
{
    QProcess *process = f.process;
    if (!process)
        return;
    childOutput(f);
    f.process = nullptr;
    f.limit->stop();
    const QByteArray err = process->readAllStandardError().trimmed();
    process->deleteLater();

    station::ChildEnd end;
    end.exitCode = exitCode;
    // A run that Stop ended while it waited for a module (by SIGTERM, or
    // before it could catch it) served nothing: the tile stays as it was.
    end.byStation = !f.killWhy.isEmpty() || m_stopPresses > 0;
    end.abnormal = !f.killWhy.isEmpty() ? f.killWhy : crashed ? tr("运行异常结束") : QString();
    end.lastError = QString::fromLocal8Bit(err.mid(err.lastIndexOf('\n') + 1));

    const bool module = f.state.moduleSeen();
    if (module && !f.state.reported())
        recordMissingRow(f, end.abnormal.isEmpty() ? end.lastError : end.abnormal,
                         end.abnormal.isEmpty() ? exitCode : -1);
    const int passesBefore = f.state.passes();
    const FixtureState::Next next = f.state.childFinished(end);
    if (module) {
        const bool pass = f.state.passes() > passesBefore;
        m_yield.record(f.state.mac(), f.port, pass, f.state.reason(), m_clock.elapsed());
        emit moduleFinished(indexOf(f), pass);
    }

    if (next == FixtureState::Next::Again && m_running && m_stopPresses == 0)
        startChild(f);
    else
        f.state.noChild();
    showTile(f);
    showTotals();
    if (m_running && runningChildren() == 0 && std::none_of(m_fixtures.cbegin(), m_fixtures.cend(), [](const auto &g) {
            return g->awaitingScan;
        }))
        setRunning(false);
}

// A run that ended without its row (killed, crashed, or its report failed)
// still gets one, so that the report lists every module the station served.
// It carries the run's id: in a database the run's own row, when it got in
// first (the run was killed between its insert and saying so), is kept and
// this one dropped. A CSV report has no ids; there the row is written only
// when the run did not say it wrote its own.
void StationWindow::recordMissingRow(Fixture &f, const QString &why, int exitCode)
{
    ReportRow row;
    row.time = f.moduleTime;
    row.port = f.port;
    row.mac = f.state.mac();
    row.firmware = f.state.firmware();
    row.action = m_runCommands.isEmpty() ? QStringLiteral("apply+verify") : QStringLiteral("apply+run");
    row.profile = QFileInfo(m_profile).fileName();
    row.profileSha256 = m_profileSha;
    row.pass = false;
    row.exitCode = exitCode;
    row.detail = why;
    row.ms = f.moduleClock.elapsed();
    row.runId = f.runId;
    writeRowInThread(reportFile(), row);
}

// The row is written in the row thread (a QSqlDatabase connection is made and
// used there only, within writeReportRow); the outcome comes back queued.
void StationWindow::writeRowInThread(const QString &target, const ReportRow &row)
{
    QMetaObject::invokeMethod(
        m_rowWriter,
        [this, target, row] {
            QString where;
            const bool ok = report::writeReportRow(target, row, &where);
            QMetaObject::invokeMethod(
                this,
                [this, ok, where] {
                    if (!ok)
                        m_totals->setText(tr("不能写入报告：%1").arg(where));
                    emit rowWritten(ok, where);
                },
                Qt::QueuedConnection);
        },
        Qt::QueuedConnection);
}

void StationWindow::showTile(const Fixture &f)
{
    const FixtureState &s = f.state;
    QString phase;
    QString colour;
    switch (s.phase()) {
    case FixtureState::Phase::Idle: phase = tr("空闲"); break;
    case FixtureState::Phase::Waiting: phase = tr("等待模块"); break;
    case FixtureState::Phase::Writing: phase = tr("写入中"); break;
    case FixtureState::Phase::Verifying: phase = tr("校验中"); break;
    case FixtureState::Phase::Pass:
        phase = tr("合格");
        colour = QStringLiteral("#1e7e34");
        break;
    case FixtureState::Phase::Fail:
        phase = tr("不合格");
        colour = QStringLiteral("#c62828");
        break;
    }
    // White on full green or red reads from across the bench; the rest
    // keeps the window's own colours.
    f.tile->setStyleSheet(colour.isEmpty() ? QString()
                                           : QStringLiteral("QFrame#%1 { background: %2; } QFrame#%1 QLabel { color: white; }")
                                                 .arg(f.tile->objectName(), colour));
    QString portLine = f.port;
    if (f.awaitingScan)
        portLine += tr(" · 等待扫描标签");
    else if (f.process && !s.moduleSeen() && (s.phase() == FixtureState::Phase::Pass || s.phase() == FixtureState::Phase::Fail))
        portLine += tr(" · 等待下一个模块");
    else if (s.halted())
        portLine += tr(" · 已停止");
    // Why the fixture stopped, or restarted its wait, is its own line: the
    // module on show keeps its result and its reason.
    QString notice;
    if (s.halted())
        notice = s.haltReason().isEmpty() ? tr("工位已停止") : tr("工位已停止：%1").arg(s.haltReason());
    else if (!s.restartedAfter().isEmpty())
        notice = tr("等待模块时运行意外结束（%1），已重新开始等待").arg(s.restartedAfter());
    f.portLabel->setText(breakable(portLine));
    static_cast<FitLabel *>(f.phaseLabel)->setFittedText(phase);
    QString identity = s.mac().isEmpty() ? QString() : tr("MAC %1").arg(s.mac());
    if (!f.label.isEmpty())
        identity += (identity.isEmpty() ? QString() : QStringLiteral(" · ")) + tr("标签 %1").arg(f.label);
    f.macLabel->setText(breakable(identity));
    f.reasonLabel->setText(breakable(s.reason()));
    f.reasonLabel->setVisible(!s.reason().isEmpty());
    f.noticeLabel->setText(breakable(notice));
    f.noticeLabel->setVisible(!notice.isEmpty());
    f.countLabel->setText(breakable(tr("合格 %1 · 不合格 %2").arg(s.passes()).arg(s.fails())));
}

void StationWindow::showTotals()
{
    QString text = tr("合计：合格 %1，不合格 %2，每小时 %3 个模块")
                       .arg(totalPasses())
                       .arg(totalFails())
                       .arg(qRound(modulesPerHour()));
    if (m_running && m_stopPresses == 1)
        text += tr("（正在停止：等待模块完成，再按一次停止则终止）");
    m_totals->setText(text);
    const double fpy = m_yield.firstPassYield();
    QString yield = tr("合格 %1 · 不合格 %2 · 一次通过率 %3 · 近 10 分钟每小时 %4 个")
                        .arg(m_yield.passed())
                        .arg(m_yield.failed())
                        .arg(fpy < 0 ? QStringLiteral("–") : QString::number(fpy, 'f', 1) + u'%')
                        // A rate over less than a minute says little: shown from the shift's first minute on.
                        .arg(m_shiftStartMs < 0 || m_clock.elapsed() - m_shiftStartMs < 60000
                                 ? QStringLiteral("–")
                                 : QString::number(qRound(m_yield.recentPerHour(m_clock.elapsed(), m_shiftStartMs))));
    QStringList reasons;
    for (const auto &r : m_yield.topReasons(3))
        reasons << tr("%1（%2）").arg(r.first).arg(r.second);
    if (!reasons.isEmpty())
        yield += u'\n' + tr("常见原因：%1").arg(reasons.join(tr("；")));
    m_yieldLabel->setText(yield);
}

const FixtureState &StationWindow::fixtureState(int index) const
{
    return m_fixtures.at(index)->state;
}

QFrame *StationWindow::tile(int index) const
{
    return m_fixtures.at(index)->tile;
}

int StationWindow::runningChildren() const
{
    return int(std::count_if(m_fixtures.cbegin(), m_fixtures.cend(), [](const auto &f) { return f->process != nullptr; }));
}

int StationWindow::totalPasses() const
{
    int n = 0;
    for (const auto &f : m_fixtures)
        n += f->state.passes();
    return n;
}

int StationWindow::totalFails() const
{
    int n = 0;
    for (const auto &f : m_fixtures)
        n += f->state.fails();
    return n;
}

double StationWindow::modulesPerHour() const
{
    return station::modulesPerHour(totalPasses() + totalFails(), m_runClock.runningMs(m_clock.elapsed()));
}

void StationWindow::closeEvent(QCloseEvent *event)
{
    if (m_running) {
        QMessageBox box(QMessageBox::Question, windowTitle(), tr("量产正在进行。终止所有工位并关闭窗口？"),
                        QMessageBox::Yes | QMessageBox::No, this);
        box.setDefaultButton(QMessageBox::No);
        if (box.exec() != QMessageBox::Yes) {
            event->ignore();
            return;
        }
        m_stopPresses = 2;
        for (auto &f : m_fixtures) {
            if (QProcess *process = f->process) {
                killChild(*f, tr("已被停止"));
                if (process->waitForFinished(2000) && f->process)
                    childFinished(*f, process->exitCode(), true);
            }
        }
    }
    event->accept();
}
