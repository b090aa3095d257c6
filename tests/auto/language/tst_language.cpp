// The two languages: both catalogues load from the library's resources and
// translate what they should; in English no Chinese form text is left; a
// switch right after a configuration read changes no value, selection,
// counter or log line; the open button names the port's state in both.
#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStatusBar>
#include <QTabWidget>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTranslator>

#include "tests/common/testsupport.h"
#include "tools/modsim/modsim.h"

using Access = QuorvelTestAccess;

namespace {

bool hasChineseIdeograph(const QString &text)
{
    return std::any_of(text.cbegin(), text.cend(), [](QChar c) { return c.unicode() >= 0x4E00 && c.unicode() <= 0x9FFF; });
}

// Every text the form shows, by widget, item and tab.
QStringList formTexts(Quorvel &w)
{
    QStringList texts{w.windowTitle()};
    const auto widgets = w.findChildren<QWidget *>();
    for (QWidget *widget : widgets) {
        if (widget == Access::langButton(w))
            continue;
        const QString name = widget->objectName() + QLatin1Char(':');
        if (auto *label = qobject_cast<QLabel *>(widget))
            texts << name + label->text();
        else if (auto *button = qobject_cast<QAbstractButton *>(widget))
            texts << name + button->text();
        else if (auto *group = qobject_cast<QGroupBox *>(widget))
            texts << name + group->title();
        else if (auto *tabs = qobject_cast<QTabWidget *>(widget))
            for (int i = 0; i < tabs->count(); ++i)
                texts << name + tabs->tabText(i);
        else if (auto *box = qobject_cast<QComboBox *>(widget))
            for (int i = 0; i < box->count(); ++i)
                texts << name + box->itemText(i);
    }
    return texts;
}

// Everything a language switch must leave alone.
QVariantMap formState(Quorvel &w)
{
    QVariantMap state;
    for (QComboBox *box : w.findChildren<QComboBox *>())
        state.insert(box->objectName(), box->currentIndex());
    for (QLineEdit *edit : w.findChildren<QLineEdit *>()) {
        if (!edit->objectName().startsWith(QLatin1String("qt_")))   // a combo box's own editor
            state.insert(edit->objectName(), edit->text());
    }
    for (QCheckBox *check : w.findChildren<QCheckBox *>())
        state.insert(check->objectName(), check->isChecked());
    Ui::QuorvelClass &ui = Access::ui(w);
    state.insert(QStringLiteral("sent"), ui.label_sendCnt->text());
    state.insert(QStringLiteral("received"), ui.label_recvCnt->text());
    state.insert(QStringLiteral("logRows"), ui.tableWidget_log->rowCount());
    state.insert(QStringLiteral("tab"), ui.tabWidget->currentIndex());
    return state;
}

} // namespace

class tst_Language : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void catalogues_data();
    void catalogues();
    void noChineseLeftInEnglish();
    void switchAfterReadKeepsEverything();
    void openButtonNamesThePortState_data();
    void openButtonNamesThePortState();

private:
    QTemporaryDir m_dir;
};

void tst_Language::initTestCase()
{
    QVERIFY(m_dir.isValid());
    QVERIFY(QDir::setCurrent(m_dir.path()));
}

void tst_Language::catalogues_data()
{
    QTest::addColumn<QString>("catalogue");
    QTest::addColumn<QString>("context");
    QTest::addColumn<QString>("source");
    QTest::addColumn<QString>("translation");   // empty: the source text shows
    const QString en = QStringLiteral(":/Quorvel/en_lang");
    const QString cn = QStringLiteral(":/Quorvel/cn_lang");
    QTest::newRow("en: export done") << en << "Quorvel" << "导出完成" << "Export Done";
    QTest::newRow("en: not our format")
        << en << "Quorvel" << "不是%1格式的XML配置文件,导入失败" << "Not %1 format, Import error";
    QTest::newRow("en: write done") << en << "Quorvel" << "写入配置完成" << "configuration Write Successfully";
    QTest::newRow("en: console title") << en << "QuorvelClass" << "COM控制台" << "COM Cosole";
    QTest::newRow("en: wifi mode item") << en << "QuorvelClass" << "STA模式" << "STA";
    QTest::newRow("en: Ready stays") << en << "Quorvel" << "Ready" << "";
    QTest::newRow("en: button text stays") << en << "Quorvel" << "English" << "";
    QTest::newRow("en: filter stays") << en << "Quorvel" << "XML (*.xml)" << "";
    QTest::newRow("cn: export done") << cn << "Quorvel" << "导出完成" << "";
    QTest::newRow("cn: console title") << cn << "QuorvelClass" << "COM控制台" << "";
}

void tst_Language::catalogues()
{
    QFETCH(QString, catalogue);
    QFETCH(QString, context);
    QFETCH(QString, source);
    QFETCH(QString, translation);
    QTranslator translator;
    QVERIFY(translator.load(catalogue));
    QCOMPARE(translator.translate(context.toUtf8(), source.toUtf8()), translation);
}

// Checked right after the click, before any event: the switch refreshes the
// texts itself instead of waiting for the language-change event.
void tst_Language::noChineseLeftInEnglish()
{
    Quorvel w;
    w.installTranslator();
    w.retranslate();
    const QStringList chinese = formTexts(w);
    Access::langButton(w)->click();
    QCOMPARE(Access::langButton(w)->text(), QStringLiteral("中文"));
    const QStringList english = formTexts(w);
    for (const QString &text : english)
        QVERIFY2(!hasChineseIdeograph(text), qPrintable(text));
    QVERIFY(english.contains(QStringLiteral("pushButton_writeConfiguartion:Write")));

    Access::langButton(w)->click();
    QCOMPARE(Access::langButton(w)->text(), QStringLiteral("English"));
    QCOMPARE(formTexts(w), chinese);
    QVERIFY(chinese.contains(QStringLiteral("pushButton_Import:从文件导入")));
}

void tst_Language::switchAfterReadKeepsEverything()
{
    ModSim sim;
    QString why;
    QVERIFY2(sim.start(&why), qPrintable(why));
    // A module far from every default, so that a reset would show.
    sim.setFields(QStringLiteral("APSTA"), {"1"});
    sim.setFields(QStringLiteral("UART"), {"3", "7", "2", "2", "1"});
    sim.setFields(QStringLiteral("APMOD"), {"Lab,AP", "5", "13"});
    sim.setFields(QStringLiteral("APKEY"), {"7", "5", "pass word"});
    sim.setFields(QStringLiteral("IPCFG"), {"1", "10.1.2.3", "10.1.2.254", "255.255.255.0"});
    sim.setFields(QStringLiteral("TPSOCK"), {"1", "1", "10.9.8.7", "5000"});
    Quorvel w;
    w.installTranslator();
    w.retranslate();
    QVERIFY(testsupport::openPort(w, sim.slavePath()));
    Access::ui(w).tabWidget->setCurrentIndex(2);
    Access::ui(w).pushButton_readConfiguration->click();
    QTRY_COMPARE_WITH_TIMEOUT(w.statusBar()->currentMessage(), QStringLiteral("读取配置完成"), 15000);
    QCOMPARE(Access::ui(w).lineEdit_AP_SSID->text(), QStringLiteral("Lab,AP"));

    const QVariantMap before = formState(w);
    Access::langButton(w)->click();
    QCOMPARE(formState(w), before);
    QCOMPARE(Access::ui(w).comboBox_wifi_mode->currentText(), QStringLiteral("STA"));
    Access::langButton(w)->click();
    QCOMPARE(formState(w), before);
    QCOMPARE(Access::ui(w).comboBox_wifi_mode->currentText(), QStringLiteral("STA模式"));
}

void tst_Language::openButtonNamesThePortState_data()
{
    QTest::addColumn<bool>("english");
    QTest::addColumn<QString>("open");
    QTest::addColumn<QString>("closed");
    QTest::newRow("chinese") << false << "关闭" << "打开";
    QTest::newRow("english") << true << "Close" << "Open";
}

void tst_Language::openButtonNamesThePortState()
{
    QFETCH(bool, english);
    QFETCH(QString, open);
    QFETCH(QString, closed);
    ModSim sim;
    QString why;
    QVERIFY2(sim.start(&why), qPrintable(why));
    Quorvel w;
    w.installTranslator();
    w.retranslate();
    QVERIFY(testsupport::openPort(w, sim.slavePath()));
    // To English and back for the Chinese row: each switch refreshes the caption.
    Access::langButton(w)->click();
    if (!english)
        Access::langButton(w)->click();
    QCOMPARE(Access::ui(w).pushButton_openCom->text(), open);
    Access::ui(w).pushButton_openCom->click();
    QVERIFY(!Access::comIsOpen(w));
    QCOMPARE(Access::ui(w).pushButton_openCom->text(), closed);
}

QTEST_MAIN(tst_Language)
#include "tst_language.moc"
