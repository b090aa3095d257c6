// The window's texts: both languages, checked right after each click (every text switches, no value does, and
// back again), the built-in Chinese face, a window built without a Qt warning, its module information copyable.
#include <QClipboard>
#include <QRawFont>
#include <QStyleOptionComboBox>

#include "app/interfacefont.h"
#include "tests/common/testsupport.h"

using Access = QuorvelTestAccess;

class tst_Language : public QObject
{
    Q_OBJECT
    std::unique_ptr<testsupport::ModuleWindow> m_f;

    // Every text shown, by widget, item and tab; after "=" what a switch keeps (values, ticks, tab, log rows).
    static QStringList shown(Quorvel &w)
    {
        QStringList all{w.windowTitle(), u'=' + QString::number(Access::logModel(w).rowCount())};
        for (QWidget *widget : w.findChildren<QWidget *>()) {
            const QString name = widget->objectName() + u':';
            const auto *tabs = qobject_cast<QTabWidget *>(widget);
            const auto *box = qobject_cast<QComboBox *>(widget);
            for (int i = 0; i < (tabs ? tabs->count() : box ? box->count() : 0); ++i)
                all << name + (tabs ? tabs->tabText(i) : box->itemText(i));
            const QVariant index = widget->property("currentIndex");
            all << u'=' + name
                       + (index.isValid() ? index : widget->metaObject()->userProperty().read(widget)).toString();
            if (!qobject_cast<QLineEdit *>(widget) && widget != Access::langButton(w))
                all << name + widget->property(qobject_cast<QGroupBox *>(widget) ? "title" : "text").toString();
        }
        return all;
    }

private slots:
    void switchAfterReadKeepsEverything()
    {
        // The built-in Chinese face follows the desktop's face, whose height every line keeps.
        const QFont desktop = QApplication::font();
        interfacefont::install();   // as the process entry does, before the window
        QCOMPARE(QApplication::font().families(), (QStringList{QFontInfo(desktop).family(), "Quorvel CJK"}));
        QCOMPARE(QFontMetrics(QApplication::font()).height(), QFontMetrics(desktop).height());
        QUORVEL_START(m_f);
        Quorvel &w = *m_f->w;
        w.installTranslator();   // as the process entry does
        m_f->sim.setFields(QStringLiteral("APMOD"), {"Lab,AP", "5", "13"});   // far from the defaults
        m_f->ui().tabWidget->setCurrentIndex(2);
        m_f->ui().pushButton_readConfiguration->click();
        QTRY_COMPARE_WITH_TIMEOUT(m_f->status(), QStringLiteral("读取配置完成"), 15000);
        const QStringList chinese = shown(w);
        const QRawFont face = QRawFont::fromFont(QFont(QStringLiteral("Quorvel CJK")));
        for (const QChar c : chinese.join(QString()))   // every Chinese character shown comes from the face
            QVERIFY2(c.script() != QChar::Script_Han || face.supportsCharacter(c), qPrintable(QString(c)));

        Access::langButton(w)->click();
        QCOMPARE(Access::langButton(w)->text() + u' ' + m_f->ui().pushButton_openCom->text() + u' ' + m_f->status(),
                 "中文 Close Configuration Read Successfully");
        const QStringList english = shown(w);
        QCOMPARE(english.filter(QRegularExpression("^=")), chinese.filter(QRegularExpression("^=")));
        for (const QString &text : english)
            QVERIFY2(text.startsWith(u'=') || !text.contains(QRegularExpression("\\p{Han}")), qPrintable(text));
        QVERIFY(english.contains(QStringLiteral("pushButton_writeConfiguartion:Write")));
        QCOMPARE(ProfileFile::tr("不是%1格式的XML配置文件,导入失败"), QStringLiteral("Not %1 format, Import error"));
        Access::langButton(w)->click();
        QCOMPARE(Access::langButton(w)->text() + u' ' + m_f->ui().pushButton_openCom->text(), "English 关闭");
        QCOMPARE(shown(w), chinese);

        // A failure's message switches whole; Qt's own button texts and a selector's width follow the language.
        Access::langButton(w)->click();   // shown first in English
        QFont large = w.font();
        large.setPixelSize(24);   // the items' width, not the layout's minimum, decides
        w.setFont(large);
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        Access::langButton(w)->click();   // to Chinese
        QComboBox *mode = m_f->ui().comboBox_wifi_mode;
        QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
        QStyleOptionComboBox option;
        option.initFrom(mode);
        const QSize text(mode->fontMetrics().horizontalAdvance(QStringLiteral("STA模式")), mode->fontMetrics().height());
        const int needed = mode->style()->sizeFromContents(QStyle::CT_ComboBox, &option, text, mode).width();
        QTRY_VERIFY2(mode->width() + 3 >= needed, qPrintable(QString::number(needed)));   // 3: the style's rounding

        m_f->sim.setError(QStringLiteral("AT+STAMOD="), 3);
        m_f->ui().checkBox_verifyWrite->setChecked(false);
        m_f->ui().lineEdit_AP_SSID->setText(QStringLiteral("Lab AP"));   // a comma would stop the write
        m_f->dismissNextBox(QMessageBox::Yes);
        m_f->ui().pushButton_writeConfiguartion->click();
        QVERIFY2(m_f->boxText.contains(QStringLiteral("写入")), qPrintable(m_f->boxText));
        QTRY_COMPARE_WITH_TIMEOUT(m_f->status(), QStringLiteral("写入配置遇到错误：AT+STAMOD= 回答 ERR=3（未知错误）"), 10000);
        Access::langButton(w)->click();   // to English
        QCOMPARE(m_f->status(), QStringLiteral("Configuration Write Failed: AT+STAMOD= answered ERR=3 (Unkown Error)"));

        for (const QString &yes : {QStringLiteral("&Yes"), QStringLiteral("是")}) {   // the question's Yes button
            m_f->boxYes.clear();
            m_f->dismissNextBox(QMessageBox::No);
            m_f->ui().pushButton_writeConfiguartion->click();
            QVERIFY2(yes.startsWith(u'&') ? m_f->boxYes == yes : m_f->boxYes.contains(yes), qPrintable(m_f->boxYes));
            Access::langButton(w)->click();   // to Chinese
        }
    }

    // No warning (a misspelt slot warns and is lost); the module's information copyable, not editable nor grey.
    void informationCopyable()
    {
        QTest::failOnWarning(QRegularExpression(QStringLiteral("^(?!This plugin does not support)")));
        QUORVEL_START(m_f);
        Quorvel &w = *m_f->w;
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        for (QLineEdit *edit : {m_f->ui().lineEdit_deviceSoftwareVer, m_f->ui().lineEdit_device_mac,
                                m_f->ui().lineEdit_wifi_mode, m_f->ui().lineEdit_net_state, m_f->ui().lineEdit_ip,
                                m_f->ui().lineEdit_ip_gatway, m_f->ui().lineEdit_ip_mask}) {
            const QString value = edit->objectName() + QStringLiteral(" AC:CF:23:5A:10:7E");
            edit->setText(value);
            QVERIFY2(edit->isEnabled(), qPrintable(edit->objectName()));
            edit->setFocus();
            QTest::keyClicks(edit, QStringLiteral("x"));
            QTest::keySequence(edit, QKeySequence::SelectAll);
            QTest::keySequence(edit, QKeySequence::Copy);
            QCOMPARE(edit->text(), value);
            QCOMPARE(QGuiApplication::clipboard()->text(), value);
        }
    }
};

QTEST_MAIN(tst_Language)
#include "tst_language.moc"
