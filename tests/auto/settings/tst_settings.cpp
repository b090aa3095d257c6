// The settings file "./Quorvel.ini": the defaults without a file, a full
// round trip through closing and a new window, the stored language button
// text, maximized windows, damaged values (indices out of range, a position
// on no screen, a hand-edited list) and ports that are gone or typed paths.
#include <QComboBox>
#include <QDir>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

#include "tests/common/testsupport.h"
#include "tools/modsim/modsim.h"

using Access = QuorvelTestAccess;

namespace {

// The window as the process entry sets it up: catalogue installed, texts refreshed.
void startLikeTheProgram(Quorvel &w)
{
    w.installTranslator();
    w.retranslate();
}

bool chineseOnScreen(Quorvel &w)
{
    return Access::ui(w).groupBox_console->title() == QStringLiteral("COM控制台");
}

} // namespace

class tst_Settings : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void noFile();
    void roundTrip();
    void language_data();
    void language();
    void maximized();
    void damagedValues_data();
    void damagedValues();
    void position_data();
    void position();
    void portThatIsGone();
    void typedDevicePathSurvives();

private:
    void writeIni(const QByteArray &text);
    QVariant stored(const QString &key) const;

    std::unique_ptr<QTemporaryDir> m_dir;
};

void tst_Settings::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    QVERIFY(QDir::setCurrent(m_dir->path()));
}

void tst_Settings::writeIni(const QByteArray &text)
{
    QFile f(QStringLiteral("Quorvel.ini"));
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(f.write(text), text.size());
}

QVariant tst_Settings::stored(const QString &key) const
{
    return QSettings(m_dir->filePath(QStringLiteral("Quorvel.ini")), QSettings::IniFormat).value(key);
}

void tst_Settings::noFile()
{
    Quorvel w;
    startLikeTheProgram(w);
    Ui::QuorvelClass &ui = Access::ui(w);
    QCOMPARE(Access::langButton(w)->text(), QStringLiteral("English"));
    QVERIFY(chineseOnScreen(w));
    QCOMPARE(w.pos(), QPoint(100, 50));
    QCOMPARE(w.size(), QSize(1200, 550));
    QVERIFY(!w.isMaximized());
    QCOMPARE(ui.comboBox_bps->currentText(), QStringLiteral("115200"));
    QCOMPARE(ui.comboBox_dataBit->currentText(), QStringLiteral("8"));
    QCOMPARE(ui.comboBox_parBit->currentText(), QStringLiteral("None"));
    QCOMPARE(ui.comboBox_stopBit->currentText(), QStringLiteral("1"));
    QCOMPARE(ui.lineEdit_cmd->text(), QStringLiteral("AT"));
    QCOMPARE(ui.lineEdit_regular_time->text(), QString());
    QVERIFY(!QFile::exists(QStringLiteral("Quorvel.ini")));   // written at close only
}

void tst_Settings::roundTrip()
{
    // Commas, semicolons, quotes, a leading "@" and Chinese all need the
    // ini file's quoting.
    const QString cmd = QStringLiteral("@AT+APMOD=Lab,AP;1 \"q\" 中文 ");
    {
        Quorvel w;
        startLikeTheProgram(w);
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        Access::langButton(w)->click();
        w.move(130, 90);
        w.resize(1000, 720);
        Ui::QuorvelClass &ui = Access::ui(w);
        ui.comboBox_bps->setCurrentIndex(2);
        ui.comboBox_dataBit->setCurrentIndex(1);
        ui.comboBox_parBit->setCurrentIndex(2);
        ui.comboBox_stopBit->setCurrentIndex(1);
        ui.lineEdit_cmd->setText(cmd);
        ui.lineEdit_regular_time->setText(QStringLiteral("250"));
        QVERIFY(w.close());
    }
    QFile file(QStringLiteral("Quorvel.ini"));
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray text = file.readAll();
    QVERIFY2(text.contains("[pos%26size]") && text.contains("lang=中文"), text.constData());

    Quorvel w;
    startLikeTheProgram(w);
    Ui::QuorvelClass &ui = Access::ui(w);
    QCOMPARE(Access::langButton(w)->text(), QStringLiteral("中文"));
    QCOMPARE(ui.groupBox_console->title(), QStringLiteral("COM Cosole"));
    QCOMPARE(w.pos(), QPoint(130, 90));
    QCOMPARE(w.size(), QSize(1000, 720));
    QCOMPARE(ui.comboBox_bps->currentText(), QStringLiteral("19200"));
    QCOMPARE(ui.comboBox_dataBit->currentText(), QStringLiteral("6"));
    QCOMPARE(ui.comboBox_parBit->currentText(), QStringLiteral("Odd"));
    QCOMPARE(ui.comboBox_stopBit->currentText(), QStringLiteral("2"));
    QCOMPARE(ui.lineEdit_cmd->text(), cmd);
    QCOMPARE(ui.lineEdit_regular_time->text(), QStringLiteral("250"));
}

void tst_Settings::language_data()
{
    QTest::addColumn<QString>("lang");
    QTest::addColumn<bool>("chineseAtStart");
    QTest::addColumn<QString>("buttonAfterClick");
    QTest::newRow("English: Chinese on screen") << "English" << true << "中文";
    QTest::newRow("中文: English on screen") << "中文" << false << "English";
    QTest::newRow("other text: English on screen") << "Deutsch" << false << "English";
}

void tst_Settings::language()
{
    QFETCH(QString, lang);
    QFETCH(bool, chineseAtStart);
    QFETCH(QString, buttonAfterClick);
    writeIni("[LANG]\nlang=\"" + lang.toUtf8() + "\"\n");
    {
        Quorvel w;
        startLikeTheProgram(w);
        QCOMPARE(Access::langButton(w)->text(), lang);
        QCOMPARE(chineseOnScreen(w), chineseAtStart);
        Access::langButton(w)->click();
        QCOMPARE(Access::langButton(w)->text(), buttonAfterClick);
        QCOMPARE(chineseOnScreen(w), !chineseAtStart);
        w.close();
    }
    QCOMPARE(stored(QStringLiteral("LANG/lang")).toString(), buttonAfterClick);
}

void tst_Settings::maximized()
{
    writeIni("[pos%26size]\npos=@Point(300 200)\nsize=@Size(640 480)\nisMax=true\n");
    {
        Quorvel w;
        QVERIFY(w.isMaximized());
        QVERIFY(w.isVisible());
        QVERIFY(w.size() != QSize(640, 480));
        w.close();
    }
    QCOMPARE(stored(QStringLiteral("pos&size/isMax")).toBool(), true);
    Quorvel again;
    QVERIFY(again.isMaximized());
}

// A hand-edited or damaged file: indices outside their lists give the
// setting's default, an unquoted text with commas (read as a list) its text.
void tst_Settings::damagedValues_data()
{
    QTest::addColumn<QByteArray>("ini");
    QTest::addColumn<QString>("widget");
    QTest::addColumn<QString>("shown");
    QTest::newRow("bps past the end") << QByteArray("[comSettings]\nbps=8") << "comboBox_bps" << "115200";
    QTest::newRow("bps negative") << QByteArray("[comSettings]\nbps=-1") << "comboBox_bps" << "115200";
    QTest::newRow("bps not a number") << QByteArray("[comSettings]\nbps=fast") << "comboBox_bps" << "115200";
    QTest::newRow("dataBit past the end") << QByteArray("[comSettings]\ndataBit=4") << "comboBox_dataBit" << "8";
    QTest::newRow("parBit past the end") << QByteArray("[comSettings]\nparBit=3") << "comboBox_parBit" << "None";
    QTest::newRow("stopBit past the end") << QByteArray("[comSettings]\nstopBit=2") << "comboBox_stopBit" << "1";
    QTest::newRow("unquoted commas") << QByteArray("[consoleSettings]\ncmd_line=AT+UART=5,8,0,1,0") << "lineEdit_cmd"
                                     << "AT+UART=5,8,0,1,0";
}

void tst_Settings::damagedValues()
{
    QFETCH(QByteArray, ini);
    QFETCH(QString, widget);
    QFETCH(QString, shown);
    writeIni(ini + "\n");
    Quorvel w;
    QObject *o = w.findChild<QObject *>(widget);
    if (auto *box = qobject_cast<QComboBox *>(o))
        QCOMPARE(box->currentText(), shown);
    else if (auto *edit = qobject_cast<QLineEdit *>(o))
        QCOMPARE(edit->text(), shown);
    else
        QFAIL("no such widget");
}

void tst_Settings::position_data()
{
    QTest::addColumn<QByteArray>("pos");
    QTest::addColumn<QPoint>("shown");
    QTest::newRow("on the screen") << QByteArray("@Point(40 30)") << QPoint(40, 30);
    QTest::newRow("partly off the left edge") << QByteArray("@Point(-300 30)") << QPoint(-300, 30);
    QTest::newRow("on a monitor that is gone") << QByteArray("@Point(-20000 -20000)") << QPoint(100, 50);
}

void tst_Settings::position()
{
    QFETCH(QByteArray, pos);
    QFETCH(QPoint, shown);
    writeIni("[pos%26size]\npos=" + pos + "\nsize=@Size(600 400)\n");
    Quorvel w;
    QCOMPARE(w.pos(), shown);
}

void tst_Settings::portThatIsGone()
{
    QString fresh;
    {
        Quorvel w;
        fresh = Access::ui(w).comboBox_comPort->currentText();
    }
    writeIni("[comSettings]\ncomPort=ttyGONE7\n");
    Quorvel w;
    QCOMPARE(Access::ui(w).comboBox_comPort->currentText(), fresh);
}

// A pseudo-terminal is in no port list: its path comes back as typed text
// and opens.
void tst_Settings::typedDevicePathSurvives()
{
    ModSim sim;
    QString why;
    QVERIFY2(sim.start(&why), qPrintable(why));
    {
        Quorvel w;
        QVERIFY(testsupport::openPort(w, sim.slavePath()));
        w.close();
    }
    QCOMPARE(stored(QStringLiteral("comSettings/comPort")).toString(), sim.slavePath());
    Quorvel w;
    QCOMPARE(Access::ui(w).comboBox_comPort->currentText(), sim.slavePath());
    Access::ui(w).pushButton_openCom->click();
    QVERIFY(Access::comIsOpen(w));
}

QTEST_MAIN(tst_Settings)
#include "tst_settings.moc"
