// The two languages: both catalogues load; after a configuration read,
// switching leaves no Chinese form text in English, changes no value,
// selection, counter or log line, and the open button names the port's state.
#include <QTemporaryDir>
#include <QTranslator>

#include "tests/common/testsupport.h"
#include "tools/modsim/modsim.h"

using Access = QuorvelTestAccess;

namespace {

// Every text the form shows, by widget, item and tab.
QStringList formTexts(Quorvel &w)
{
    QStringList texts{w.windowTitle()};
    const auto widgets = w.findChildren<QWidget *>();
    for (QWidget *widget : widgets) {
        const QString name = widget->objectName() + QLatin1Char(':');
        if (auto *label = qobject_cast<QLabel *>(widget))
            texts << name + label->text();
        else if (auto *button = qobject_cast<QAbstractButton *>(widget); button && widget != Access::langButton(w))
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
    QTemporaryDir m_dir;

private slots:
    void initTestCase() { QVERIFY(m_dir.isValid() && QDir::setCurrent(m_dir.path())); }

    // Both load; English keeps a message's place holder and leaves the fixed texts alone.
    void catalogues()
    {
        QTranslator en, cn;
        QVERIFY(en.load(QStringLiteral(":/Quorvel/en_lang")) && cn.load(QStringLiteral(":/Quorvel/cn_lang")));
        QCOMPARE(en.translate("Quorvel", "不是%1格式的XML配置文件,导入失败"), QStringLiteral("Not %1 format, Import error"));
        for (const char *fixed : {"Ready", "English", "XML (*.xml)"})
            QCOMPARE(en.translate("Quorvel", fixed), QString());
    }

    // Checked right after each click: a switch refreshes the texts without the language-change event.
    void switchAfterReadKeepsEverything()
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
        Ui::QuorvelClass &ui = Access::ui(w);
        QVERIFY(testsupport::openPort(w, sim.slavePath()));
        ui.tabWidget->setCurrentIndex(2);
        ui.pushButton_readConfiguration->click();
        QTRY_COMPARE_WITH_TIMEOUT(w.statusBar()->currentMessage(), QStringLiteral("读取配置完成"), 15000);
        QCOMPARE(ui.lineEdit_AP_SSID->text(), QStringLiteral("Lab,AP"));
        const QVariantMap before = formState(w);
        const QStringList chinese = formTexts(w);
        QVERIFY(chinese.contains(QStringLiteral("pushButton_Import:从文件导入")));

        Access::langButton(w)->click();
        QCOMPARE(Access::langButton(w)->text(), QStringLiteral("中文"));
        QCOMPARE(formState(w), before);
        const QStringList english = formTexts(w);
        for (const QString &text : english) {
            QVERIFY2(std::none_of(text.cbegin(), text.cend(), [](QChar c) { return c >= u'\x4E00' && c <= u'\x9FFF'; }),
                     qPrintable(text));
        }
        QVERIFY(english.contains(QStringLiteral("pushButton_writeConfiguartion:Write")));
        QCOMPARE(ui.pushButton_openCom->text(), QStringLiteral("Close"));

        Access::langButton(w)->click();
        QCOMPARE(Access::langButton(w)->text(), QStringLiteral("English"));
        QCOMPARE(formState(w), before);
        QCOMPARE(formTexts(w), chinese);
        QCOMPARE(ui.pushButton_openCom->text(), QStringLiteral("关闭"));

        // The caption follows the port in either language, and each switch refreshes it.
        ui.pushButton_openCom->click();
        QVERIFY(!Access::comIsOpen(w));
        QCOMPARE(ui.pushButton_openCom->text(), QStringLiteral("打开"));
        Access::langButton(w)->click();
        QCOMPARE(ui.pushButton_openCom->text(), QStringLiteral("Open"));
        QVERIFY(testsupport::openPort(w, sim.slavePath()));
        QCOMPARE(ui.pushButton_openCom->text(), QStringLiteral("Close"));
        ui.pushButton_openCom->click();
        QCOMPARE(ui.pushButton_openCom->text(), QStringLiteral("Open"));
    }
};

QTEST_MAIN(tst_Language)
#include "tst_language.moc"
