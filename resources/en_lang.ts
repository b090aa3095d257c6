<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en_US">
<context>
    <name>CommandList</name>
    <message>
        <source>第 %1 行：%2</source>
        <translation>Line %1: %2</translation>
    </message>
    <message>
        <source>“%1”不是 0 到 %2 之间的毫秒数</source>
        <translation>“%1” is no number of milliseconds from 0 to %2</translation>
    </message>
    <message>
        <source>hex 后面没有字节</source>
        <translation>no bytes after hex</translation>
    </message>
    <message>
        <source>不是十六进制字节，第 %1 个字符“%2”有误</source>
        <translation>not hex bytes: character %1 “%2” is wrong</translation>
    </message>
    <message>
        <source>%1 需要写在两个斜杠之间的正则表达式，如 /^OK/</source>
        <translation>%1 needs a regular expression between two slashes, such as /^OK/</translation>
    </message>
    <message>
        <source>正则表达式 /%1/ 有误：%2</source>
        <translation>the regular expression /%1/ is wrong: %2</translation>
    </message>
    <message>
        <source>error 的正则表达式后面不能再有内容</source>
        <translation>nothing may follow the regular expression of error</translation>
    </message>
    <message>
        <source>不认识“%1”：一行以 send、expect、wait、hex 或 error 开头，# 开头的是注释</source>
        <translation>“%1” is unknown: a line starts with send, expect, wait, hex or error, and a comment with #</translation>
    </message>
    <message>
        <source>不能打开命令列表 %1：%2</source>
        <translation>Cannot open the command list %1: %2</translation>
    </message>
    <message>
        <source>命令列表 %1 不是 UTF-8 文本</source>
        <translation>The command list %1 is not UTF-8 text</translation>
    </message>
    <message>
        <source>命令列表 %1 %2</source>
        <translation>Command list %1, %2</translation>
    </message>
    <message>
        <source>不能保存命令列表 %1：%2</source>
        <translation>Cannot save the command list %1: %2</translation>
    </message>
</context>
<context>
    <name>CommandPanel</name>
    <message>
        <source>命令列表</source>
        <translation>Command list</translation>
    </message>
    <message>
        <source>命令列表有未保存的修改，放弃这些修改吗？</source>
        <translation>The command list has unsaved changes. Discard them?</translation>
    </message>
    <message>
        <source>打开命令列表</source>
        <translation>Open a command list</translation>
    </message>
    <message>
        <source>命令列表 (*.txt);;所有文件 (*)</source>
        <translation>Command lists (*.txt);;All files (*)</translation>
    </message>
    <message>
        <source>保存命令列表</source>
        <translation>Save the command list</translation>
    </message>
    <message>
        <source>运行</source>
        <translation>Run</translation>
    </message>
    <message>
        <source>单步</source>
        <translation>Step</translation>
    </message>
    <message>
        <source>停止</source>
        <translation>Stop</translation>
    </message>
    <message>
        <source>打开…</source>
        <translation>Open…</translation>
    </message>
    <message>
        <source>保存…</source>
        <translation>Save…</translation>
    </message>
    <message>
        <source>添加</source>
        <translation>Add</translation>
    </message>
    <message>
        <source>删除</source>
        <translation>Remove</translation>
    </message>
    <message>
        <source>上移</source>
        <translation>Up</translation>
    </message>
    <message>
        <source>下移</source>
        <translation>Down</translation>
    </message>
    <message>
        <source>双击或按 F1–F12 发送一步；F2 编辑</source>
        <translation>Double-click or press F1–F12 to send one step; F2 edits</translation>
    </message>
    <message>
        <source>%1，命令列表没有保存</source>
        <translation>%1; the command list was not saved</translation>
    </message>
    <message>
        <source>命令列表已保存到 %1</source>
        <translation>Command list saved to %1</translation>
    </message>
    <message>
        <source>命令列表全部通过</source>
        <translation>Command list passed</translation>
    </message>
    <message>
        <source>命令列表未通过：%1</source>
        <translation>Command list failed: %1</translation>
    </message>
    <message>
        <source>（未保存）</source>
        <translation>(not saved)</translation>
    </message>
</context>
<context>
    <name>CommandRun</name>
    <message>
        <source>在第 %1 行停止</source>
        <translation>Stopped at line %1</translation>
    </message>
    <message>
        <source>没有打开的串口</source>
        <translation>no port is open</translation>
    </message>
    <message>
        <source>第 %1 行 send：%2</source>
        <translation>Line %1 send: %2</translation>
    </message>
    <message>
        <source>第 %1 行 hex：%2</source>
        <translation>Line %1 hex: %2</translation>
    </message>
    <message>
        <source>第 %1 行 expect %2：收到“%3”，符合错误模式 %4</source>
        <translation>Line %1 expect %2: received “%3”, which matches the error pattern %4</translation>
    </message>
    <message>
        <source>第 %1 行 expect %2：%3 ms 内没有收到匹配的行（最后收到：%4）</source>
        <translation>Line %1 expect %2: no matching line within %3 ms (last received: %4)</translation>
    </message>
    <message>
        <source>无</source>
        <translation>none</translation>
    </message>
</context>
<context>
    <name>ModuleConfig</name>
    <message>
        <source>、</source>
        <translation>, </translation>
    </message>
    <message>
        <source>%1不是有效的%2文本，请修改，或换一种编码重新读取</source>
        <translation>%1 is not valid %2 text; edit it, or read again in another encoding</translation>
    </message>
    <message>
        <source>%1不是有效的%2文本</source>
        <translation>%1 is not valid %2 text</translation>
    </message>
    <message>
        <source>%1的值不在列表中</source>
        <translation>the module&apos;s value of %1 is not in the list</translation>
    </message>
    <message>
        <source>%1“%2”不是 MAC 地址，没有备份</source>
        <translation>%1 “%2” is no MAC address</translation>
    </message>
</context>
<context>
    <name>ProfileFile</name>
    <message>
        <source>%1含有逗号，导入时不能原样取回</source>
        <translation>a comma in %1 will not import as it was</translation>
    </message>
    <message>
        <source>、</source>
        <translation>, </translation>
    </message>
    <message>
        <source>文件大于 %1 MiB，不是配置文件</source>
        <translation>the file is larger than %1 MiB: no profile</translation>
    </message>
    <message>
        <source>%1（第 %2 行第 %3 列）</source>
        <translation>%1 (line %2, column %3)</translation>
    </message>
    <message>
        <source>导入遇到错误：%1</source>
        <translation>Import Encouter Error: %1</translation>
    </message>
    <message>
        <source>文件缺少 %1</source>
        <translation>the file lacks %1</translation>
    </message>
    <message>
        <source>不是%1格式的XML配置文件,导入失败</source>
        <translation>Not %1 format, Import error</translation>
    </message>
    <message>
        <source>不能打开文件%1（%2）</source>
        <translation>Can not open %1 (%2)</translation>
    </message>
    <message>
        <source>配置文件有误，没有写入模块：%1</source>
        <translation>The profile is wrong, nothing was written to the module: %1</translation>
    </message>
    <message>
        <source>；</source>
        <translation>; </translation>
    </message>
</context>
<context>
    <name>Quorvel</name>
    <message>
        <source>Ready</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>关闭</source>
        <translation>Close</translation>
    </message>
    <message>
        <source>打开</source>
        <translation>Open</translation>
    </message>
    <message>
        <source>中文</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>English</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>XML (*.xml)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>不能打开文件%1（%2）</source>
        <translation>Can not open %1 (%2)</translation>
    </message>
    <message>
        <source>不能写入文件%1（%2）</source>
        <translation>Can not write %1 (%2)</translation>
    </message>
    <message>
        <source>导出完成</source>
        <translation>Export Done</translation>
    </message>
    <message>
        <source>导入完成</source>
        <translation>Import Done</translation>
    </message>
    <message>
        <source>日志已超过 %1 行，最早的行正在被删除</source>
        <translation>The log holds more than %1 rows: the oldest rows are being dropped</translation>
    </message>
    <message>
        <source>收到 %1 字节仍没有行结束（回车换行），请检查波特率</source>
        <translation>%1 bytes arrived without a line end (CR LF): check the baud rate</translation>
    </message>
    <message>
        <source>定时时间错误</source>
        <translation>Error Time</translation>
    </message>
    <message>
        <source>通用错误</source>
        <translation>ERROR</translation>
    </message>
    <message>
        <source>设备忙</source>
        <translation>Busy</translation>
    </message>
    <message>
        <source>未知错误</source>
        <translation>Unkown Error</translation>
    </message>
    <message>
        <source>奇偶校验错误</source>
        <translation>Parity Error</translation>
    </message>
    <message>
        <source>指令没有已回车换行结束</source>
        <translation>Cmd Not end with Carriage return and line feed</translation>
    </message>
    <message>
        <source>成功</source>
        <translation>Successful</translation>
    </message>
    <message>
        <source>错误：%1</source>
        <translation>Error:%1</translation>
    </message>
    <message>
        <source>读取配置完成</source>
        <translation>Configuration Read Successfully</translation>
    </message>
    <message>
        <source>未知</source>
        <translation>Unknown</translation>
    </message>
    <message>
        <source>写入配置完成</source>
        <translation>configuration Write Successfully</translation>
    </message>
    <message>
        <source>%1 正被其他程序使用（%2）</source>
        <translation>%1 is in use by another program (%2)</translation>
    </message>
    <message>
        <source>没有权限打开 %1（%2）：请把用户加入拥有该设备的组（通常是 dialout）后重新登录</source>
        <translation>No permission to open %1 (%2): add the user to the group that owns the device (usually dialout) and log in again</translation>
    </message>
    <message>
        <source>设备 %1 不存在</source>
        <translation>Device %1 does not exist</translation>
    </message>
    <message>
        <source>不能打开 %1（%2）</source>
        <translation>Can not open %1 (%2)</translation>
    </message>
    <message>
        <source>Can not open %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>串口 %1 已断开，已关闭</source>
        <translation>Serial port %1 was disconnected and has been closed</translation>
    </message>
    <message>
        <source>模块已接受默认工作模式</source>
        <translation>The module took the default work mode</translation>
    </message>
    <message>
        <source>%1 %2：文件为“%3”，模块为“%4”</source>
        <translation>%1 %2: file &quot;%3&quot;, module &quot;%4&quot;</translation>
    </message>
    <message>
        <source>已打开串口 %1</source>
        <translation>Port %1 open</translation>
    </message>
    <message>
        <source>核对完成：模块的配置与文件一致</source>
        <translation>Verified: the module holds the profile</translation>
    </message>
    <message>
        <source>核对发现 %1 处不同</source>
        <translation>Verification found %1 difference(s)</translation>
    </message>
    <message>
        <source>多余的参数：%1</source>
        <translation>Unexpected argument: %1</translation>
    </message>
    <message>
        <source>--read 与 --apply 不能同时使用</source>
        <translation>--read and --apply exclude each other</translation>
    </message>
    <message>
        <source>--read 和 --apply 需要 --port</source>
        <translation>--read and --apply need --port</translation>
    </message>
    <message>
        <source>--open 只用于窗口，不能与 --read 或 --apply 同用</source>
        <translation>--open is for the window, not for --read or --apply</translation>
    </message>
    <message>
        <source>--verify 只能与 --apply 同用</source>
        <translation>--verify goes with --apply</translation>
    </message>
    <message>
        <source>--baud %1：不是串口框中的波特率</source>
        <translation>--baud %1: not a rate of the port box</translation>
    </message>
    <message>
        <source>串口 %1 已断开，等待它重新接入</source>
        <translation>Serial port %1 was disconnected; waiting for it to come back</translation>
    </message>
    <message>
        <source>串口 %1 还不能打开，继续等待：%2</source>
        <translation>Serial port %1 cannot be opened yet, still waiting: %2</translation>
    </message>
    <message>
        <source>串口 %1 已重新连接</source>
        <translation>Serial port %1 reconnected</translation>
    </message>
    <message>
        <source>不再等待串口 %1</source>
        <translation>No longer waiting for serial port %1</translation>
    </message>
    <message>
        <source>%1 已存在。要替换它吗？</source>
        <translation>%1 already exists. Do you want to replace it?</translation>
    </message>
    <message>
        <source>导出完成，但%1含有逗号，导入时不能原样取回</source>
        <translation>Export Done, but a comma in %1 will not import as it was</translation>
    </message>
    <message>
        <source>、</source>
        <translation>, </translation>
    </message>
    <message>
        <source>；</source>
        <translation>; </translation>
    </message>
    <message>
        <source>读取配置完成，但%1</source>
        <translation>Configuration read, but %1</translation>
    </message>
    <message>
        <source>未写入：%1</source>
        <translation>Nothing written: %1</translation>
    </message>
    <message>
        <source>模块没有接受默认工作模式：%1</source>
        <translation>The module did not take the default work mode: %1</translation>
    </message>
    <message>
        <source>读取的配置不能原样写入文件：%1；没有写入 %2</source>
        <translation>The configuration read cannot be saved as it is: %1; %2 was not written</translation>
    </message>
    <message>
        <source>导出的文件不能原样保存表单：%1。仍要导出吗？</source>
        <translation>The file would not keep the form as it is: %1. Export all the same?</translation>
    </message>
    <message>
        <source>，但</source>
        <translation>, but </translation>
    </message>
    <message>
        <source>（空）</source>
        <translation>(none)</translation>
    </message>
    <message>
        <source>是</source>
        <translation>yes</translation>
    </message>
    <message>
        <source>否</source>
        <translation>no</translation>
    </message>
    <message>
        <source>导入的文件缺少 %1，这些配置将写入默认值。</source>
        <translation>The imported file lacks %1: those settings will be written with their defaults. </translation>
    </message>
    <message>
        <source>%1：“%2” → “%3”</source>
        <translation>%1: “%2” → “%3”</translation>
    </message>
    <message>
        <source>模块的配置与表单相同，没有要改动的。仍要写入吗？</source>
        <translation>The module already holds the form: nothing to change. Write all the same?</translation>
    </message>
    <message>
        <source>写入会改动模块的 %1 项配置。要写入吗？</source>
        <translation>Writing changes %1 setting(s) of the module. Write?</translation>
    </message>
    <message>
        <source>表单既没有从模块读取，也没有从文件导入。</source>
        <translation>The form was neither read from the module nor imported from a file. </translation>
    </message>
    <message>
        <source>上次读取失败，表单中不是模块的配置。</source>
        <translation>The last read failed: the form does not hold the module&apos;s configuration. </translation>
    </message>
    <message>
        <source>模块当前的值未知；先读取才能看到改动。</source>
        <translation>The module&apos;s current values are unknown; Read first to see the changes. </translation>
    </message>
    <message>
        <source>读取之后串口关闭过，模块当前的值未知；先读取才能看到改动。</source>
        <translation>The port was closed since the last read: the module&apos;s current values are unknown; Read first to see the changes. </translation>
    </message>
    <message>
        <source>写入会用表单中的配置替换模块的配置。要写入吗？</source>
        <translation>Writing replaces the module&apos;s configuration with the form&apos;s. Write?</translation>
    </message>
    <message>
        <source>读取配置遇到错误：%1</source>
        <translation>Configuration Read Failed: %1</translation>
    </message>
    <message>
        <source>%1 没有回答</source>
        <translation>no answer to %1</translation>
    </message>
    <message>
        <source>%1 回答 %2</source>
        <translation>%1 answered %2</translation>
    </message>
    <message>
        <source>%1 回答 %2（%3）</source>
        <translation>%1 answered %2 (%3)</translation>
    </message>
    <message>
        <source>写入配置遇到错误：%1</source>
        <translation>Configuration Write Failed: %1</translation>
    </message>
    <message>
        <source>写入配置完成，但校验时读取遇到错误：%1</source>
        <translation>Configuration written, but the read to verify it failed: %1</translation>
    </message>
    <message>
        <source>%1 写入“%2”，模块为“%3”</source>
        <translation>%1 written “%2”, module holds “%3”</translation>
    </message>
    <message>
        <source>写入并校验完成</source>
        <translation>Written and verified</translation>
    </message>
    <message>
        <source>写入配置完成，但校验发现不同：%1</source>
        <translation>Configuration written, but verifying found differences: %1</translation>
    </message>
    <message>
        <source>串口 %1 已断开</source>
        <translation>serial port %1 was lost</translation>
    </message>
    <message>
        <source>串口 %1 已打开</source>
        <translation>Serial port %1 is open</translation>
    </message>
    <message>
        <source>备份没有写入 %1（%2）</source>
        <translation>no backup written to %1 (%2)</translation>
    </message>
    <message>
        <source>设置不能保存到 %1（%2）</source>
        <translation>The settings could not be saved to %1 (%2)</translation>
    </message>
    <message>
        <source>不是十六进制字节，第 %1 个字符“%2”有误，没有发送</source>
        <translation>Not hex bytes: character %1 “%2” is wrong; nothing was sent</translation>
    </message>
    <message>
        <source>%1 编码不能表示第 %2 个字符“%3”（U+%4），没有发送</source>
        <translation>%1 cannot carry character %2 “%3” (U+%4); nothing was sent</translation>
    </message>
    <message>
        <source>复制</source>
        <translation>Copy</translation>
    </message>
    <message>
        <source>查找</source>
        <translation>Find</translation>
    </message>
    <message>
        <source>%1 行匹配</source>
        <translation>%1 matching rows</translation>
    </message>
    <message>
        <source>保存日志</source>
        <translation>Save Log</translation>
    </message>
    <message>
        <source>日志 (*.log *.txt)</source>
        <translation>Logs (*.log *.txt)</translation>
    </message>
    <message>
        <source>日志已保存到 %1（%2 行）</source>
        <translation>Log saved to %1 (%2 rows)</translation>
    </message>
    <message>
        <source>不能保存日志到 %1：%2</source>
        <translation>Cannot save the log to %1: %2</translation>
    </message>
    <message>
        <source>记录到文件</source>
        <translation>Record to a file</translation>
    </message>
    <message>
        <source>不能记录到 %1：%2</source>
        <translation>Cannot record to %1: %2</translation>
    </message>
    <message>
        <source>记录已结束：%1（%2）</source>
        <translation>Recording ended: %1 (%2)</translation>
    </message>
    <message>
        <source>记录到 %1 失败：%2。记录已停止</source>
        <translation>Recording to %1 failed: %2. The recording has stopped</translation>
    </message>
    <message>
        <source>记录中：%1 · %2</source>
        <translation>Recording: %1 · %2</translation>
    </message>
    <message>
        <source>串口已关闭</source>
        <translation>The serial port is closed</translation>
    </message>
    <message>
        <source>--%1 只能与 --read 或 --apply 同用</source>
        <translation>--%1 is only for --read or --apply</translation>
    </message>
    <message>
        <source>--station 不能与 --read、--apply 或 --open 同用</source>
        <translation>--station cannot be used with --read, --apply or --open</translation>
    </message>
    <message>
        <source>不能写入报告，模块已处理：%1</source>
        <translation>The report cannot be written, the module was processed: %1</translation>
    </message>
    <message>
        <source>固件版本为 %1，需要 %2</source>
        <translation>The firmware version is %1, %2 is needed</translation>
    </message>
    <message>
        <source>等待 %1 以外的模块接入 %2</source>
        <translation>Waiting for a module other than %1 on %2</translation>
    </message>
    <message>
        <source>等待模块接入 %1</source>
        <translation>Waiting for a module on %1</translation>
    </message>
    <message>
        <source>等待模块时被中断</source>
        <translation>Interrupted while waiting for a module</translation>
    </message>
    <message>
        <source>读取模块信息遇到错误：%1</source>
        <translation>Reading the module&apos;s identity failed: %1</translation>
    </message>
    <message>
        <source>量产</source>
        <translation>Production</translation>
    </message>
    <message>
        <source>--report %1：%2</source>
        <translation>--report %1: %2</translation>
    </message>
    <message>
        <source>--station-name 只能与 --report 同用</source>
        <translation>--station-name goes with --report</translation>
    </message>
    <message>
        <source>%1：%2</source>
        <translation>%1: %2</translation>
    </message>
    <message>
        <source>串口没有打开，没有写入</source>
        <translation>The port is not open; nothing written</translation>
    </message>
    <message>
        <source>--%1 只能给一次</source>
        <translation>--%1 may be given only once</translation>
    </message>
    <message>
        <source>--%1 不能为空</source>
        <translation>--%1 cannot be empty</translation>
    </message>
    <message>
        <source>--wait-new %1：不是 MAC 地址（六组十六进制数，如 AC:CF:23:5A:10:7E）</source>
        <translation>--wait-new %1: not a MAC address (six hex pairs, such as AC:CF:23:5A:10:7E)</translation>
    </message>
    <message>
        <source>--read %1：已存在且不是普通文件，不能写入</source>
        <translation>--read %1: exists and is not a regular file; it cannot be written</translation>
    </message>
    <message>
        <source>--report %1：已存在，但不是报告文件（第一行不是报告的表头）</source>
        <translation>--report %1: exists but is not a report (its first line is not a report&apos;s header)</translation>
    </message>
    <message>
        <source>--report %1：是一个链接，请给出报告文件本身</source>
        <translation>--report %1: is a link; give the report file itself</translation>
    </message>
    <message>
        <source>--report %1：已存在且不是普通文件</source>
        <translation>--report %1: exists and is not a regular file</translation>
    </message>
    <message>
        <source>--report %1：与配置文件是同一个文件</source>
        <translation>--report %1: is the same file as the profile</translation>
    </message>
    <message>
        <source>模块的 MAC 地址“%1”不是 MAC 地址</source>
        <translation>The module&apos;s MAC address “%1” is no MAC address</translation>
    </message>
    <message>
        <source>模块在运行中被更换：开始时 MAC %1，读回时 MAC %2</source>
        <translation>The module changed during the run: MAC %1 at the start, MAC %2 read back</translation>
    </message>
    <message>
        <source>没有备份：没有有效的 MAC 地址</source>
        <translation>no backup: no valid MAC address</translation>
    </message>
    <message>
        <source>导入遇到错误：%1</source>
        <translation>Import Encouter Error: %1</translation>
    </message>
    <message>
        <source>文件已被删除或替换</source>
        <translation>the file was removed or replaced</translation>
    </message>
    <message>
        <source>正在读写模块的配置，控制台暂不发送</source>
        <translation>The module&apos;s configuration is being read or written: the console sends nothing meanwhile</translation>
    </message>
    <message>
        <source>没有要发送的十六进制字节</source>
        <translation>No hex bytes to send</translation>
    </message>
    <message>
        <source>导入的文件有误（%1），表单中相应的配置不是文件中的。</source>
        <translation>The imported file is wrong (%1): those settings of the form are not the file&apos;s.</translation>
    </message>
    <message>
        <source>模块在写入期间被更换：写入前 MAC %1，校验时 MAC %2</source>
        <translation>The module changed during the write: MAC %1 before it, MAC %2 when verifying</translation>
    </message>
    <message>
        <source>%1：写入“%2”，模块为“%3”</source>
        <translation>%1: written “%2”, the module holds “%3”</translation>
    </message>
    <message>
        <source>模块没有保存写入的 %1 项配置。要再写入一次吗？</source>
        <translation>The module did not keep %1 setting(s) that were written. Write again?</translation>
    </message>
    <message>
        <source>--run-id 只能与 --report 同用</source>
        <translation>--run-id goes with --report</translation>
    </message>
    <message>
        <source>命令列表 %1 第 %2 行：%3 编码不能表示“%4”</source>
        <translation>Command list %1, line %2: %3 cannot carry “%4”</translation>
    </message>
    <message>
        <source>运行命令列表 %1</source>
        <translation>Running the command list %1</translation>
    </message>
    <message>
        <source>命令列表未通过：%1</source>
        <translation>Command list failed: %1</translation>
    </message>
    <message>
        <source>命令列表全部通过</source>
        <translation>Command list passed</translation>
    </message>
    <message>
        <source>--run 不能与 --read 同用</source>
        <translation>--run cannot be used with --read</translation>
    </message>
    <message>
        <source>--run 需要 --port</source>
        <translation>--run needs --port</translation>
    </message>
    <message>
        <source>--expect-version 只能与 --apply 或 --run 同用</source>
        <translation>--expect-version is only for --apply or --run</translation>
    </message>
    <message>
        <source>请先打开串口</source>
        <translation>Open the port first</translation>
    </message>
    <message>
        <source>正在读写模块的配置，命令列表暂不运行</source>
        <translation>The module&apos;s configuration is being read or written: the command list does not run meanwhile</translation>
    </message>
    <message>
        <source>命令列表正在运行，控制台暂不发送</source>
        <translation>A command list is running: the console sends nothing meanwhile</translation>
    </message>
    <message>
        <source>描述：%1</source>
        <translation>Description: %1</translation>
    </message>
    <message>
        <source>制造商：%1</source>
        <translation>Manufacturer: %1</translation>
    </message>
    <message>
        <source>序列号：%1</source>
        <translation>Serial number: %1</translation>
    </message>
    <message>
        <source>厂商:产品 ID：%1:%2</source>
        <translation>Vendor:product ID: %1:%2</translation>
    </message>
    <message>
        <source>模块的 MAC 为 %1，标签为 %2，不是同一个模块；没有写入</source>
        <translation>The module&apos;s MAC is %1, its label says %2: not the same module; nothing was written</translation>
    </message>
    <message>
        <source>--expect-mac 只能与 --apply 或 --run 同用</source>
        <translation>--expect-mac is only for --apply or --run</translation>
    </message>
    <message>
        <source>--label 只能与 --report 同用</source>
        <translation>--label goes with --report</translation>
    </message>
    <message>
        <source>--expect-mac %1：不是 MAC 地址（六组十六进制数，如 AC:CF:23:5A:10:7E）</source>
        <translation>--expect-mac %1: not a MAC address (six hex pairs, such as AC:CF:23:5A:10:7E)</translation>
    </message>
    <message>
        <source>设置文件已从 %1 移到 %2</source>
        <translation>Settings file moved from %1 to %2</translation>
    </message>
    <message>
        <source>控制台</source>
        <translation>Console</translation>
    </message>
    <message>
        <source>全部端口</source>
        <translation>All ports</translation>
    </message>
    <message>
        <source>添加控制台：另一个串口的控制台，在新的标签页</source>
        <translation>Add a console: another serial port&apos;s console, in a new tab</translation>
    </message>
    <message>
        <source>没有选中的端口</source>
        <translation>No port is ticked</translation>
    </message>
    <message>
        <source>已发送到 %1 个端口</source>
        <translation>Sent to %1 ports</translation>
    </message>
    <message>
        <source>发送到</source>
        <translation>Send to</translation>
    </message>
    <message>
        <source>一行发送到勾选的端口，每个端口用它自己的编码</source>
        <translation>Sends the line to the ticked ports, each in its own encoding</translation>
    </message>
    <message>
        <source>正在读写模块的配置，这个控制台暂不能关闭</source>
        <translation>The module&apos;s configuration is being read or written on this port: this console cannot close now</translation>
    </message>
</context>
<context>
    <name>QuorvelClass</name>
    <message>
        <source>Quorvel</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>COM控制台</source>
        <translation>COM Cosole</translation>
    </message>
    <message>
        <source>打开</source>
        <translation>Open</translation>
    </message>
    <message>
        <source>波特率</source>
        <translation>BaudRate</translation>
    </message>
    <message>
        <source>128000</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>256000</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>停止位</source>
        <translation>StopBit</translation>
    </message>
    <message>
        <source>数据位</source>
        <translation>DataBit</translation>
    </message>
    <message>
        <source>校验位</source>
        <translation>Parity</translation>
    </message>
    <message>
        <source>定时发送</source>
        <translation>Regularly Send</translation>
    </message>
    <message>
        <source>发送新行</source>
        <translation>Send New Line</translation>
    </message>
    <message>
        <source>记录命令</source>
        <translation>Log cmd</translation>
    </message>
    <message>
        <source>自动滚动</source>
        <translation>Auto Scroll</translation>
    </message>
    <message>
        <source>发送</source>
        <translation>Send</translation>
    </message>
    <message>
        <source>清除窗口</source>
        <translation>Clear Log</translation>
    </message>
    <message>
        <source>设备配置</source>
        <translation>Device Setting</translation>
    </message>
    <message>
        <source>读取</source>
        <translation>Read</translation>
    </message>
    <message>
        <source>写入</source>
        <translation>Write</translation>
    </message>
    <message>
        <source>从文件导入</source>
        <translation>Import</translation>
    </message>
    <message>
        <source>导出到文件</source>
        <translation>Export</translation>
    </message>
    <message>
        <source>从备份恢复</source>
        <translation>Restore backup</translation>
    </message>
    <message>
        <source>基本信息</source>
        <translation>Base Info</translation>
    </message>
    <message>
        <source>设备相关</source>
        <translation>Device</translation>
    </message>
    <message>
        <source>软件版本</source>
        <translation>Software Ver</translation>
    </message>
    <message>
        <source>MAC地址</source>
        <translation>MAC Address</translation>
    </message>
    <message>
        <source>WIFI模式</source>
        <translation>WIFI mode</translation>
    </message>
    <message>
        <source>网络状态</source>
        <translation>Network state</translation>
    </message>
    <message>
        <source>网关</source>
        <translation>gateway</translation>
    </message>
    <message>
        <source>地址隐码</source>
        <translation>IP mask</translation>
    </message>
    <message>
        <source>UART参数</source>
        <translation>UART</translation>
    </message>
    <message>
        <source>流控</source>
        <translation>Flow Control</translation>
    </message>
    <message>
        <source>系统控制</source>
        <translation>System Control</translation>
    </message>
    <message>
        <source>复位</source>
        <translation>Reset</translation>
    </message>
    <message>
        <source>恢复出厂设置</source>
        <translation>Restore</translation>
    </message>
    <message>
        <source>默认工作模式</source>
        <translation>Default Work Mode</translation>
    </message>
    <message>
        <source>WIFI配置</source>
        <translation>WIFI</translation>
    </message>
    <message>
        <source>AP模式</source>
        <translation>AP</translation>
    </message>
    <message>
        <source>STA模式</source>
        <translation>STA</translation>
    </message>
    <message>
        <source>AP设置</source>
        <translation>AP Mode</translation>
    </message>
    <message>
        <source>密码</source>
        <translation>Key</translation>
    </message>
    <message>
        <source>安全模式</source>
        <translation>Authorization</translation>
    </message>
    <message>
        <source>NONE</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>WPA</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>WAP2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>WAP_PSK</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>WAP2_PSK</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>WAP_CCKM</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>WPA2_CCKM</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>WPA2_PSK_SHA256</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>加密模式</source>
        <translation>Encryption</translation>
    </message>
    <message>
        <source>WEP</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>TKIP</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>AES</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>BIP</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>KTK</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>无线模式</source>
        <translation>Wireless Mode</translation>
    </message>
    <message>
        <source>11a</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>11b</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>11g</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>11n</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>HT40</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>信道</source>
        <translation>Channel</translation>
    </message>
    <message>
        <source>1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>3</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>4</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>5</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>6</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>7</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>8</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>9</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>10</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>11</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>12</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>13</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>STA设置</source>
        <translation>STA Mode</translation>
    </message>
    <message>
        <source>目标SSID</source>
        <translation>AP SSID</translation>
    </message>
    <message>
        <source>IP设置</source>
        <translation>IP</translation>
    </message>
    <message>
        <source>动态IP</source>
        <translation>Dynamic IP</translation>
    </message>
    <message>
        <source>静态IP</source>
        <translation>Static IP</translation>
    </message>
    <message>
        <source>使能DHCP</source>
        <translation>Enable DHCP</translation>
    </message>
    <message>
        <source>起始地址</source>
        <translation>Start IP</translation>
    </message>
    <message>
        <source>结束地址</source>
        <translation>End IP</translation>
    </message>
    <message>
        <source>网络控制</source>
        <translation>Network Control</translation>
    </message>
    <message>
        <source>开始网络</source>
        <translation>Start Network</translation>
    </message>
    <message>
        <source>离开网络</source>
        <translation>Off Network</translation>
    </message>
    <message>
        <source>TP配置</source>
        <translation>TP</translation>
    </message>
    <message>
        <source>TP设置</source>
        <translation>TP setting</translation>
    </message>
    <message>
        <source>协议</source>
        <translation>Protocol</translation>
    </message>
    <message>
        <source>TCP</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>UDP</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>类型</source>
        <translation>Type</translation>
    </message>
    <message>
        <source>服务器</source>
        <translation>Server</translation>
    </message>
    <message>
        <source>客户端</source>
        <translation>Client</translation>
    </message>
    <message>
        <source>地址</source>
        <translation>Address</translation>
    </message>
    <message>
        <source>端口</source>
        <translation>Port</translation>
    </message>
    <message>
        <source>成帧设置</source>
        <translation>Frame setting</translation>
    </message>
    <message>
        <source>自由成帧时间间隔</source>
        <translation>Free Frame Time</translation>
    </message>
    <message>
        <source>自动成帧长度</source>
        <translation>Auto Frame Len</translation>
    </message>
    <message>
        <source>自动成帧时间</source>
        <translation>Auto Frame Time</translation>
    </message>
    <message>
        <source>TP控制</source>
        <translation>TP Control</translation>
    </message>
    <message>
        <source>进入TP模式</source>
        <translation>Enter TP mode</translation>
    </message>
    <message>
        <source>退出TP模式</source>
        <translation>Quit TP mode</translation>
    </message>
    <message>
        <source>自动重连</source>
        <translation>Auto reconnect</translation>
    </message>
    <message>
        <source>编码</source>
        <translation>Encoding</translation>
    </message>
    <message>
        <source>时间戳</source>
        <translation>Timestamp</translation>
    </message>
    <message>
        <source>十六进制显示</source>
        <translation>Hex view</translation>
    </message>
    <message>
        <source>十六进制发送</source>
        <translation>Hex send</translation>
    </message>
    <message>
        <source>保存日志</source>
        <translation>Save Log</translation>
    </message>
    <message>
        <source>记录到文件</source>
        <translation>Record</translation>
    </message>
    <message>
        <source>写入后校验</source>
        <translation>Verify after write</translation>
    </message>
    <message>
        <source>配置的端口</source>
        <translation>Configure on</translation>
    </message>
    <message>
        <source>读取、写入、导入时发送工作模式和控制按钮作用于这个控制台的端口</source>
        <translation>Read, Write, the work mode an import sends and the control buttons act on this console&apos;s port</translation>
    </message>
</context>
<context>
    <name>StationWindow</name>
    <message>
        <source>配置文件在选择之后已改变，请重新选择</source>
        <translation>The profile has changed since it was chosen; choose it again</translation>
    </message>
    <message>
        <source>不能复制配置文件：%1</source>
        <translation>The profile cannot be copied: %1</translation>
    </message>
    <message>
        <source> · 已停止</source>
        <translation> · stopped</translation>
    </message>
    <message>
        <source> · 等待下一个模块</source>
        <translation> · waiting for the next module</translation>
    </message>
    <message>
        <source>%1，SHA-256 %2</source>
        <translation>%1, SHA-256 %2</translation>
    </message>
    <message>
        <source>MAC %1</source>
        <translation>MAC %1</translation>
    </message>
    <message>
        <source>Quorvel 量产</source>
        <translation>Quorvel Production</translation>
    </message>
    <message>
        <source>不合格</source>
        <translation>FAIL</translation>
    </message>
    <message>
        <source>合格</source>
        <translation>PASS</translation>
    </message>
    <message>
        <source>不能使用该配置文件：%1</source>
        <translation>This profile cannot be used: %1</translation>
    </message>
    <message>
        <source>不能写入报告：%1</source>
        <translation>The report cannot be written: %1</translation>
    </message>
    <message>
        <source>不能创建报告文件夹 %1</source>
        <translation>The report folder %1 cannot be created</translation>
    </message>
    <message>
        <source>串口</source>
        <translation>Port</translation>
    </message>
    <message>
        <source>任意版本</source>
        <translation>any version</translation>
    </message>
    <message>
        <source>停止</source>
        <translation>Stop</translation>
    </message>
    <message>
        <source>写入中</source>
        <translation>Writing</translation>
    </message>
    <message>
        <source>写入后校验</source>
        <translation>Verify after write</translation>
    </message>
    <message>
        <source>合格 %1 · 不合格 %2</source>
        <translation>Pass %1 · Fail %2</translation>
    </message>
    <message>
        <source>合计：合格 %1，不合格 %2，每小时 %3 个模块</source>
        <translation>Total: %1 passed, %2 failed, %3 modules per hour</translation>
    </message>
    <message>
        <source>固件版本</source>
        <translation>Firmware</translation>
    </message>
    <message>
        <source>工位</source>
        <translation>Fixtures</translation>
    </message>
    <message>
        <source>已被停止</source>
        <translation>Stopped</translation>
    </message>
    <message>
        <source>开始</source>
        <translation>Start</translation>
    </message>
    <message>
        <source>报告文件</source>
        <translation>Report file</translation>
    </message>
    <message>
        <source>校验中</source>
        <translation>Verifying</translation>
    </message>
    <message>
        <source>波特率</source>
        <translation>Baud rate</translation>
    </message>
    <message>
        <source>添加工位</source>
        <translation>Add fixture</translation>
    </message>
    <message>
        <source>移除工位</source>
        <translation>Remove fixture</translation>
    </message>
    <message>
        <source>空闲</source>
        <translation>Idle</translation>
    </message>
    <message>
        <source>等待模块</source>
        <translation>Waiting for a module</translation>
    </message>
    <message>
        <source>请指定报告文件</source>
        <translation>Choose a report file</translation>
    </message>
    <message>
        <source>请添加至少一个工位</source>
        <translation>Add at least one fixture</translation>
    </message>
    <message>
        <source>请选择一个完整的配置文件</source>
        <translation>Choose a complete profile</translation>
    </message>
    <message>
        <source>超过 %1 秒没有结束，已终止</source>
        <translation>Killed: not done after %1 s</translation>
    </message>
    <message>
        <source>运行异常结束</source>
        <translation>The run ended abnormally</translation>
    </message>
    <message>
        <source>选择…</source>
        <translation>Choose…</translation>
    </message>
    <message>
        <source>选择报告文件</source>
        <translation>Choose the report file</translation>
    </message>
    <message>
        <source>选择配置文件</source>
        <translation>Choose the profile</translation>
    </message>
    <message>
        <source>配置文件</source>
        <translation>Profile</translation>
    </message>
    <message>
        <source>量产正在进行。终止所有工位并关闭窗口？</source>
        <translation>Production is running. Kill every fixture&apos;s run and close the window?</translation>
    </message>
    <message>
        <source>（正在停止：等待模块完成，再按一次停止则终止）</source>
        <translation> (stopping: waiting for the modules to end; Stop again kills their runs)</translation>
    </message>
    <message>
        <source>工位已停止</source>
        <translation>Fixture stopped</translation>
    </message>
    <message>
        <source>工位已停止：%1</source>
        <translation>Fixture stopped: %1</translation>
    </message>
    <message>
        <source>等待模块时运行意外结束（%1），已重新开始等待</source>
        <translation>The run ended while waiting for a module (%1); waiting again</translation>
    </message>
    <message>
        <source>命令列表</source>
        <translation>Command list</translation>
    </message>
    <message>
        <source>无（只写入并校验）</source>
        <translation>none (write and verify only)</translation>
    </message>
    <message>
        <source>选择命令列表</source>
        <translation>Choose the command list</translation>
    </message>
    <message>
        <source>命令列表 (*.txt);;所有文件 (*)</source>
        <translation>Command lists (*.txt);;All files (*)</translation>
    </message>
    <message>
        <source>每个模块先扫描标签</source>
        <translation>Scan each module&apos;s label first</translation>
    </message>
    <message>
        <source>扫描标签（FIXTURE:工位号:标签 指定工位）</source>
        <translation>Scan a label (FIXTURE:number:label for one fixture)</translation>
    </message>
    <message>
        <source>没有工位 %1，扫描的标签“%2”没有使用</source>
        <translation>There is no fixture %1: the scanned label “%2” was not used</translation>
    </message>
    <message>
        <source> · 等待扫描标签</source>
        <translation> · waiting for a label scan</translation>
    </message>
    <message>
        <source>标签 %1</source>
        <translation>label %1</translation>
    </message>
    <message>
        <source>保存站点设置</source>
        <translation>Save the station setup</translation>
    </message>
    <message>
        <source>保存站点设置…</source>
        <translation>Save setup…</translation>
    </message>
    <message>
        <source>配置文件的 SHA-256 为 %1，站点设置要求 %2</source>
        <translation>The profile&apos;s SHA-256 is %1; the station setup requires %2</translation>
    </message>
    <message>
        <source>不能读取站点设置 %1</source>
        <translation>Cannot read the station setup %1</translation>
    </message>
    <message>
        <source>站点设置的配置文件不能使用：%1</source>
        <translation>The setup&apos;s profile cannot be used: %1</translation>
    </message>
    <message>
        <source>站点设置的工位 %1：%2 不是可用的波特率</source>
        <translation>Fixture %1 of the setup: %2 is not one of the baud rates</translation>
    </message>
    <message>
        <source>不能写入站点设置 %1</source>
        <translation>Cannot write the station setup %1</translation>
    </message>
    <message>
        <source>保存班次汇总</source>
        <translation>Save the shift summary</translation>
    </message>
    <message>
        <source>班次汇总已保存到 %1</source>
        <translation>Shift summary saved to %1</translation>
    </message>
    <message>
        <source>不能保存班次汇总 %1：%2</source>
        <translation>Cannot save the shift summary %1: %2</translation>
    </message>
    <message>
        <source>班次汇总…</source>
        <translation>Shift report…</translation>
    </message>
    <message>
        <source>合格 %1 · 不合格 %2 · 一次通过率 %3 · 近 10 分钟每小时 %4 个</source>
        <translation>Passed %1 · failed %2 · first-pass yield %3 · %4 per hour over the last 10 minutes</translation>
    </message>
    <message>
        <source>%1（%2）</source>
        <translation>%1 (%2)</translation>
    </message>
    <message>
        <source>常见原因：%1</source>
        <translation>Commonest reasons: %1</translation>
    </message>
    <message>
        <source>；</source>
        <translation>; </translation>
    </message>
</context>
<context>
    <name>cfgfields</name>
    <message>
        <source>、</source>
        <translation>,</translation>
    </message>
    <message>
        <source>%1没有选择值</source>
        <translation>nothing is selected in %1</translation>
    </message>
    <message>
        <source>%1含有换行</source>
        <translation>%1 holds a line break</translation>
    </message>
    <message>
        <source>%1含有逗号（模块会把它当作分隔符）</source>
        <translation>%1 holds a comma (the module takes it for a separator)</translation>
    </message>
    <message>
        <source>%1含有%2不能表示的字符</source>
        <translation>%1 holds characters that %2 cannot carry</translation>
    </message>
    <message>
        <source>%1超过 %2 字节</source>
        <translation>%1 is longer than %2 bytes</translation>
    </message>
    <message>
        <source>%1不是 IP 地址（四个 0 到 255 的数，以点分隔）</source>
        <translation>%1 is no IP address (four numbers from 0 to 255 with dots between)</translation>
    </message>
    <message>
        <source>%1不是 1 到 65535 的端口</source>
        <translation>%1 is no port from 1 to 65535</translation>
    </message>
    <message>
        <source>%1不是最多 9 位的数</source>
        <translation>%1 is no number of at most 9 digits</translation>
    </message>
    <message>
        <source>%1不能为空</source>
        <translation>%1 cannot be empty</translation>
    </message>
</context>
<context>
    <name>cfgleaf</name>
    <message>
        <source>%1 出现了 %2 次</source>
        <translation>%1 is there %2 times</translation>
    </message>
    <message>
        <source>%1 含有换行</source>
        <translation>%1 holds a line break</translation>
    </message>
    <message>
        <source>%1 应有 %2 个字段</source>
        <translation>%1 needs %2 fields</translation>
    </message>
    <message>
        <source>%1 的第 %2 个字段为空</source>
        <translation>field %2 of %1 is empty</translation>
    </message>
    <message>
        <source>%1 的第 %2 个字段“%3”不是可选的值</source>
        <translation>field %2 of %1, “%3”, is none of the choices</translation>
    </message>
    <message>
        <source>%1 的第 %2 个字段“%3”应为 0 或 1</source>
        <translation>field %2 of %1, “%3”, is neither 0 nor 1</translation>
    </message>
</context>
<context>
    <name>csvtable</name>
    <message>
        <source>a quote opened on line %1 is never closed</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 &quot;%2&quot; does not read</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>pgreport</name>
    <message>
        <source>not a postgresql:// URI</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>a password does not belong in the URI: give it in PGPASSWORD or ~/.pgpass</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>an IPv6 address without its closing ]</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>the parameter &quot;%1&quot; is not of the form key=value</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>the port &quot;%1&quot; is not a number from 1 to 65535</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>cannot create %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>the PostgreSQL driver of Qt (QPSQL) is not installed</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>the database refused the spooled row in %1 (%2); it was set aside as %1.rejected</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Report row inserted into %1, after %2 spooled row(s)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Report row inserted into %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Report row spooled to %1 because %2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Report row lost: the database failed (%1) and so did the spool (%2: %3)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>this build of Quorvel has no PostgreSQL support</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Report row not stored: the spool holds a row of the same run already (%1)</source>
        <translation>Report row not stored: the spool holds a row of the same run already (%1)</translation>
    </message>
</context>
<context>
    <name>report</name>
    <message>
        <source>%1 是符号链接：报告不写入链接所指的文件</source>
        <translation>%1 is a symbolic link: a report is never written through a link</translation>
    </message>
    <message>
        <source>%1 不是普通文件（而是命名管道、设备或文件夹）：报告只写入普通文件</source>
        <translation>%1 is not a regular file (but a FIFO, a device or a folder): a report is written only into a regular file</translation>
    </message>
    <message>
        <source>%1 是没有 label 列的旧报告，扫描的标签不能记录：请换一个新的报告文件</source>
        <translation>%1 is a report from an earlier version without a label column: the scanned label cannot be recorded; start a new report file</translation>
    </message>
</context>
<context>
    <name>reporthistory</name>
    <message>
        <source>%1: the first line is not a report&apos;s header</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1: record %2: %3</source>
        <translation type="unfinished"></translation>
    </message>
</context>
</TS>
