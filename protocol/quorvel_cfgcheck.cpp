// What keeps a form value from being lost, shown wrong or written by
// accident: the names of the configuration fields as the form labels them,
// the fields a read could not show (a code outside a selector's list, text
// that was not valid in the wire encoding), the checks and the question
// before a write, and the status-bar rules that keep the final message of a
// read, a write, an import or an export on screen for its full time.
#include "app/quorvel.h"

#include <QMessageBox>
#include <QStatusBar>

#include "protocol/atanswer.h"

namespace {

// A field's name: its group's title and its label, e.g. "AP设置/密码".
QString fieldName(const QGroupBox *group, const QLabel *label)
{
    QStringList parts;
    if (group)
        parts << group->title();
    if (label)
        parts << label->text();
    for (QString &part : parts) {
        part = part.trimmed();
        while (part.endsWith(u':') || part.endsWith(u'：'))
            part.chop(1);
    }
    return parts.join(u'/');
}

} // namespace

QString Quorvel::cfgFieldName(const QWidget *field) const
{
    struct Entry {
        const QWidget *field;
        const QGroupBox *group;
        const QLabel *label;
    };
    const Entry entries[] = {
        {ui.lineEdit_deviceSoftwareVer, ui.groupBox, ui.label_4},
        {ui.lineEdit_device_mac, ui.groupBox, ui.label_10},
        {ui.lineEdit_wifi_mode, ui.groupBox, ui.label_14},
        {ui.lineEdit_net_state, ui.groupBox, ui.label_11},
        {ui.lineEdit_ip, ui.groupBox, ui.label_18},
        {ui.lineEdit_ip_gatway, ui.groupBox, ui.label_19},
        {ui.lineEdit_ip_mask, ui.groupBox, ui.label_20},
        {ui.comboBox_deviceBps, ui.groupBox_2, ui.label_bps_2},
        {ui.comboBox_deviceDataBit, ui.groupBox_2, ui.label_dataBit_2},
        {ui.comboBox_deviceParBit, ui.groupBox_2, ui.label_94},
        {ui.comboBox_deviceStopBit, ui.groupBox_2, ui.label_stopBit_2},
        {ui.comboBox_deviceFlow, ui.groupBox_2, ui.label_stopBit_3},
        {ui.comboBox_wifi_mode, nullptr, ui.label_2},
        {ui.lineEdit_AP_SSID, ui.groupBox_10, ui.label_3},
        {ui.lineEdit_AP_KEY, ui.groupBox_10, ui.label_5},
        {ui.comboBox_AUTH, ui.groupBox_10, ui.label_6},
        {ui.comboBox_CRYPT, ui.groupBox_10, ui.label_7},
        {ui.comboBox_MODE, ui.groupBox_10, ui.label_8},
        {ui.comboBox_CH, ui.groupBox_10, ui.label_9},
        {ui.lineEdit_STA_SSID, ui.groupBox_11, ui.label_12},
        {ui.lineEdit_STA_KEY, ui.groupBox_11, ui.label_13},
        {ui.comboBox_ip_mode, ui.groupBox_3, nullptr},
        {ui.lineEdit_set_ip, ui.groupBox_3, ui.label_15},
        {ui.lineEdit_set_gatway, ui.groupBox_3, ui.label_21},
        {ui.lineEdit_set_mask, ui.groupBox_3, ui.label_30},
        {ui.lineEdit_dhcp_start_ip, ui.groupBox_3, ui.label_16},
        {ui.lineEdit_dhcp_end_ip, ui.groupBox_3, ui.label_23},
        {ui.comboBox_TP_TCP_UDP, ui.groupBox_4, ui.label_31},
        {ui.comboBox_TP_S_C, ui.groupBox_4, ui.label_32},
        {ui.lineEdit_TP_ADDR, ui.groupBox_4, ui.label_34},
        {ui.lineEdit_TP_PORT, ui.groupBox_4, ui.label_35},
        {ui.lineEdit_fframe_time, ui.groupBox_5, ui.label_36},
        {ui.lineEdit_aframe_len, ui.groupBox_5, ui.label_38},
        {ui.lineEdit_aframe_time, ui.groupBox_5, ui.label_37},
    };
    for (const Entry &e : entries) {
        if (e.field == field)
            return fieldName(e.group, e.label);
    }
    return field->objectName();
}

QString Quorvel::joinCfgFieldNames(const QStringList &names) const
{
    return names.join(tr("、"));
}

// The selectors the write turns into codes, in the form's order.
QList<QComboBox *> Quorvel::writtenSelectors() const
{
    return {ui.comboBox_deviceBps, ui.comboBox_deviceDataBit, ui.comboBox_deviceParBit,
            ui.comboBox_deviceStopBit, ui.comboBox_deviceFlow, ui.comboBox_wifi_mode,
            ui.comboBox_AUTH, ui.comboBox_CRYPT, ui.comboBox_MODE, ui.comboBox_CH,
            ui.comboBox_ip_mode, ui.comboBox_TP_TCP_UDP, ui.comboBox_TP_S_C};
}

// The line edits the write sends as they are, in the form's order; the
// static address only in static mode.
QList<QLineEdit *> Quorvel::writtenTexts() const
{
    QList<QLineEdit *> edits{ui.lineEdit_AP_SSID, ui.lineEdit_AP_KEY, ui.lineEdit_STA_SSID,
                             ui.lineEdit_STA_KEY};
    if (ui.comboBox_ip_mode->currentIndex() != 0)
        edits << ui.lineEdit_set_ip << ui.lineEdit_set_gatway << ui.lineEdit_set_mask;
    edits << ui.lineEdit_dhcp_start_ip << ui.lineEdit_dhcp_end_ip << ui.lineEdit_TP_ADDR
          << ui.lineEdit_TP_PORT << ui.lineEdit_fframe_time << ui.lineEdit_aframe_len
          << ui.lineEdit_aframe_time;
    return edits;
}

void Quorvel::initCfgFieldChecks()
{
    // A field the user edits holds the user's text, whatever the read left.
    const QList<QLineEdit *> edits = findChildren<QLineEdit *>();
    for (QLineEdit *edit : edits) {
        connect(edit, &QLineEdit::textEdited, this, [this, edit] { uncleanCfgFields.remove(edit); });
    }
}

// A field the read fills from its answer line; a line that was not valid in
// the wire encoding marks the fields that show a replacement character.
void Quorvel::setReadText(QLineEdit *edit, const QString &text)
{
    edit->setText(text);
    if (!recvLineClean && text.contains(QChar::ReplacementCharacter))
        uncleanCfgFields.insert(edit);
    else
        uncleanCfgFields.remove(edit);
}

// The selectors a write sends that show no item, by name.
QStringList Quorvel::blankSelectorNames() const
{
    QStringList blank;
    for (QComboBox *box : writtenSelectors()) {
        if (box->currentIndex() < 0)
            blank << cfgFieldName(box);
    }
    return blank;
}

QStringList Quorvel::readCfgProblems() const
{
    QStringList problems;
    const QString encoding = wiretext::name(wireEncoding);
    const QList<QLineEdit *> edits = ui.tabWidget->findChildren<QLineEdit *>();
    QStringList unclean;
    for (QLineEdit *edit : edits) {
        if (uncleanCfgFields.contains(edit))
            unclean << cfgFieldName(edit);
    }
    if (!unclean.isEmpty())
        problems << tr("%1不是有效的%2文本").arg(joinCfgFieldNames(unclean), encoding);
    const QStringList blank = blankSelectorNames();
    if (!blank.isEmpty())
        problems << tr("%1的值不在列表中").arg(joinCfgFieldNames(blank));
    return problems;
}

QStringList Quorvel::writeCfgProblems() const
{
    QStringList problems;
    const QStringList blank = blankSelectorNames();
    if (!blank.isEmpty())
        problems << tr("%1没有选择值").arg(joinCfgFieldNames(blank));
    const QString encoding = wiretext::name(wireEncoding);
    QStringList unclean;
    QStringList unencodable;
    for (QLineEdit *edit : writtenTexts()) {
        bool clean = true;
        if (uncleanCfgFields.contains(edit))
            unclean << cfgFieldName(edit);
        else if (wiretext::encode(edit->text(), wireEncoding, &clean), !clean)
            unencodable << cfgFieldName(edit);
    }
    if (!unclean.isEmpty())
        problems << tr("%1不是有效的%2文本，请修改，或换一种编码重新读取").arg(joinCfgFieldNames(unclean), encoding);
    if (!unencodable.isEmpty())
        problems << tr("%1含有%2不能表示的字符").arg(joinCfgFieldNames(unencodable), encoding);
    return problems;
}

// A form that was neither read nor imported holds only the defaults: one
// stray click would reconfigure the module with them.
bool Quorvel::confirmFirstWrite()
{
    if (cfgFormLoaded)
        return true;
    QMessageBox box(QMessageBox::Question, QStringLiteral("Quorvel"),
                    tr("表单既没有从模块读取，也没有从文件导入。写入会用表单中的配置替换模块的配置。要写入吗？"),
                    QMessageBox::Yes | QMessageBox::No, this);
    box.setDefaultButton(QMessageBox::No);
    if (box.exec() != QMessageBox::Yes)
        return false;
    cfgFormLoaded = true;
    return true;
}

void Quorvel::showFinalStatus(const QString &text, int ms)
{
    statusBar()->showMessage(text, ms);
    finalStatusDeadline.setRemainingTime(ms);
}
