<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="zh_CN">
<context>
    <name>CommandList</name>
    <message>
        <source>第 %1 行：%2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>“%1”不是 0 到 %2 之间的毫秒数</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>hex 后面没有字节</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>不是十六进制字节，第 %1 个字符“%2”有误</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 需要写在两个斜杠之间的正则表达式，如 /^OK/</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>正则表达式 /%1/ 有误：%2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>error 的正则表达式后面不能再有内容</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>不认识“%1”：一行以 send、expect、wait、hex 或 error 开头，# 开头的是注释</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>不能打开命令列表 %1：%2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>命令列表 %1 不是 UTF-8 文本</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>命令列表 %1 %2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>不能保存命令列表 %1：%2</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>CommandPanel</name>
    <message>
        <source>命令列表</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>命令列表有未保存的修改，放弃这些修改吗？</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>打开命令列表</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>命令列表 (*.txt);;所有文件 (*)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>保存命令列表</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>运行</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>单步</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>停止</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>打开…</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>保存…</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>添加</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>删除</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>上移</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>下移</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>双击或按 F1–F12 发送一步；F2 编辑</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1，命令列表没有保存</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>命令列表已保存到 %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>命令列表全部通过</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>命令列表未通过：%1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>（未保存）</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>CommandRun</name>
    <message>
        <source>在第 %1 行停止</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>没有打开的串口</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>第 %1 行 send：%2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>第 %1 行 hex：%2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>第 %1 行 expect %2：收到“%3”，符合错误模式 %4</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>第 %1 行 expect %2：%3 ms 内没有收到匹配的行（最后收到：%4）</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>无</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>ModuleConfig</name>
    <message>
        <source>、</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1不是有效的%2文本，请修改，或换一种编码重新读取</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1不是有效的%2文本</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1的值不在列表中</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1“%2”不是 MAC 地址，没有备份</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>ProfileFile</name>
    <message>
        <source>%1含有逗号，导入时不能原样取回</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>、</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>文件大于 %1 MiB，不是配置文件</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1（第 %2 行第 %3 列）</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>导入遇到错误：%1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>文件缺少 %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>不是%1格式的XML配置文件,导入失败</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>不能打开文件%1（%2）</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>配置文件有误，没有写入模块：%1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>；</source>
        <translation type="unfinished"></translation>
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
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>打开</source>
        <translation type="unfinished"></translation>
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
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>不能写入文件%1（%2）</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>导出完成</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>导入完成</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>日志已超过 %1 行，最早的行正在被删除</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>收到 %1 字节仍没有行结束（回车换行），请检查波特率</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>定时时间错误</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>通用错误</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>设备忙</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>未知错误</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>奇偶校验错误</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>指令没有已回车换行结束</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>成功</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>错误：%1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>读取配置完成</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>未知</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>写入配置完成</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 正被其他程序使用（%2）</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>没有权限打开 %1（%2）：请把用户加入拥有该设备的组（通常是 dialout）后重新登录</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>设备 %1 不存在</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>不能打开 %1（%2）</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Can not open %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>串口 %1 已断开，已关闭</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>模块已接受默认工作模式</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 %2：文件为“%3”，模块为“%4”</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>已打开串口 %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>核对完成：模块的配置与文件一致</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>核对发现 %1 处不同</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>多余的参数：%1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>--read 与 --apply 不能同时使用</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>--read 和 --apply 需要 --port</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>--open 只用于窗口，不能与 --read 或 --apply 同用</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>--verify 只能与 --apply 同用</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>--baud %1：不是串口框中的波特率</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>串口 %1 已断开，等待它重新接入</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>串口 %1 还不能打开，继续等待：%2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>串口 %1 已重新连接</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>不再等待串口 %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 已存在。要替换它吗？</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>导出完成，但%1含有逗号，导入时不能原样取回</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>、</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>；</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>读取配置完成，但%1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>未写入：%1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>模块没有接受默认工作模式：%1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>读取的配置不能原样写入文件：%1；没有写入 %2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>导出的文件不能原样保存表单：%1。仍要导出吗？</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>，但</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>（空）</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>是</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>否</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>导入的文件缺少 %1，这些配置将写入默认值。</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1：“%2” → “%3”</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>模块的配置与表单相同，没有要改动的。仍要写入吗？</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>写入会改动模块的 %1 项配置。要写入吗？</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>表单既没有从模块读取，也没有从文件导入。</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>上次读取失败，表单中不是模块的配置。</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>模块当前的值未知；先读取才能看到改动。</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>读取之后串口关闭过，模块当前的值未知；先读取才能看到改动。</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>写入会用表单中的配置替换模块的配置。要写入吗？</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>读取配置遇到错误：%1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 没有回答</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 回答 %2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 回答 %2（%3）</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>写入配置遇到错误：%1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>写入配置完成，但校验时读取遇到错误：%1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 写入“%2”，模块为“%3”</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>写入并校验完成</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>写入配置完成，但校验发现不同：%1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>串口 %1 已断开</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>串口 %1 已打开</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>串口已关闭</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>备份没有写入 %1（%2）</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>设置不能保存到 %1（%2）</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>不是十六进制字节，第 %1 个字符“%2”有误，没有发送</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 编码不能表示第 %2 个字符“%3”（U+%4），没有发送</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>复制</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>查找</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 行匹配</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>保存日志</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>日志 (*.log *.txt)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>日志已保存到 %1（%2 行）</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>不能保存日志到 %1：%2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>记录到文件</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>不能记录到 %1：%2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>记录已结束：%1（%2）</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>记录到 %1 失败：%2。记录已停止</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>--%1 只能与 --read 或 --apply 同用</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>--station 不能与 --read、--apply 或 --open 同用</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>不能写入报告，模块已处理：%1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>固件版本为 %1，需要 %2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>等待 %1 以外的模块接入 %2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>等待模块接入 %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>等待模块时被中断</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>读取模块信息遇到错误：%1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>量产</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>--report %1：%2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>--station-name 只能与 --report 同用</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>记录中：%1 · %2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1：%2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>串口没有打开，没有写入</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>--%1 只能给一次</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>--%1 不能为空</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>--wait-new %1：不是 MAC 地址（六组十六进制数，如 AC:CF:23:5A:10:7E）</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>--read %1：已存在且不是普通文件，不能写入</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>--report %1：已存在，但不是报告文件（第一行不是报告的表头）</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>--report %1：是一个链接，请给出报告文件本身</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>--report %1：已存在且不是普通文件</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>--report %1：与配置文件是同一个文件</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>模块的 MAC 地址“%1”不是 MAC 地址</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>模块在运行中被更换：开始时 MAC %1，读回时 MAC %2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>没有备份：没有有效的 MAC 地址</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>导入遇到错误：%1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>文件已被删除或替换</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>正在读写模块的配置，控制台暂不发送</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>没有要发送的十六进制字节</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>导入的文件有误（%1），表单中相应的配置不是文件中的。</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>模块在写入期间被更换：写入前 MAC %1，校验时 MAC %2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1：写入“%2”，模块为“%3”</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>模块没有保存写入的 %1 项配置。要再写入一次吗？</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>--run-id 只能与 --report 同用</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>命令列表 %1 第 %2 行：%3 编码不能表示“%4”</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>运行命令列表 %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>命令列表未通过：%1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>命令列表全部通过</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>--run 不能与 --read 同用</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>--run 需要 --port</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>--expect-version 只能与 --apply 或 --run 同用</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>请先打开串口</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>正在读写模块的配置，命令列表暂不运行</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>命令列表正在运行，控制台暂不发送</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>描述：%1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>制造商：%1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>序列号：%1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>厂商:产品 ID：%1:%2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>模块的 MAC 为 %1，标签为 %2，不是同一个模块；没有写入</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>--expect-mac 只能与 --apply 或 --run 同用</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>--label 只能与 --report 同用</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>--expect-mac %1：不是 MAC 地址（六组十六进制数，如 AC:CF:23:5A:10:7E）</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>设置文件已从 %1 移到 %2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>控制台</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>全部端口</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>添加控制台：另一个串口的控制台，在新的标签页</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>没有选中的端口</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>已发送到 %1 个端口</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>发送到</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>一行发送到勾选的端口，每个端口用它自己的编码</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>正在读写模块的配置，这个控制台暂不能关闭</source>
        <translation type="unfinished"></translation>
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
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>打开</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>波特率</source>
        <translation type="unfinished"></translation>
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
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>数据位</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>校验位</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>定时发送</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>发送新行</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>记录命令</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>自动滚动</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>发送</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>清除窗口</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>设备配置</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>读取</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>写入</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>从文件导入</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>导出到文件</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>从备份恢复</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>基本信息</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>设备相关</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>软件版本</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>MAC地址</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>WIFI模式</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>网络状态</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>网关</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>地址隐码</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>UART参数</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>流控</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>系统控制</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>复位</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>恢复出厂设置</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>默认工作模式</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>WIFI配置</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>AP模式</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>STA模式</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>AP设置</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>密码</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>安全模式</source>
        <translation type="unfinished"></translation>
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
        <translation type="unfinished"></translation>
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
        <translation type="unfinished"></translation>
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
        <translation type="unfinished"></translation>
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
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>目标SSID</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>IP设置</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>动态IP</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>静态IP</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>使能DHCP</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>起始地址</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>结束地址</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>网络控制</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>开始网络</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>离开网络</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>TP配置</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>TP设置</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>协议</source>
        <translation type="unfinished"></translation>
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
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>服务器</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>客户端</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>地址</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>端口</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>成帧设置</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>自由成帧时间间隔</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>自动成帧长度</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>自动成帧时间</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>TP控制</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>进入TP模式</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>退出TP模式</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>自动重连</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>编码</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>时间戳</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>十六进制显示</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>十六进制发送</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>保存日志</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>记录到文件</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>写入后校验</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>配置的端口</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>读取、写入、导入时发送工作模式和控制按钮作用于这个控制台的端口</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>StationWindow</name>
    <message>
        <source>配置文件在选择之后已改变，请重新选择</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>不能复制配置文件：%1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source> · 已停止</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source> · 等待下一个模块</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1，SHA-256 %2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>MAC %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Quorvel 量产</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>不合格</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>合格</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>不能使用该配置文件：%1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>不能写入报告：%1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>不能创建报告文件夹 %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>串口</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>任意版本</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>停止</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>写入中</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>写入后校验</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>合格 %1 · 不合格 %2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>合计：合格 %1，不合格 %2，每小时 %3 个模块</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>固件版本</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>工位</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>已被停止</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>开始</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>报告文件</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>校验中</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>波特率</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>添加工位</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>移除工位</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>空闲</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>等待模块</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>请指定报告文件</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>请添加至少一个工位</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>请选择一个完整的配置文件</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>超过 %1 秒没有结束，已终止</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>运行异常结束</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>选择…</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>选择报告文件</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>选择配置文件</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>配置文件</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>量产正在进行。终止所有工位并关闭窗口？</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>（正在停止：等待模块完成，再按一次停止则终止）</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>工位已停止</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>工位已停止：%1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>等待模块时运行意外结束（%1），已重新开始等待</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>命令列表</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>无（只写入并校验）</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>选择命令列表</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>命令列表 (*.txt);;所有文件 (*)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>每个模块先扫描标签</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>扫描标签（FIXTURE:工位号:标签 指定工位）</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>没有工位 %1，扫描的标签“%2”没有使用</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source> · 等待扫描标签</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>标签 %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>保存站点设置</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>保存站点设置…</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>配置文件的 SHA-256 为 %1，站点设置要求 %2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>不能读取站点设置 %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>站点设置的配置文件不能使用：%1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>站点设置的工位 %1：%2 不是可用的波特率</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>不能写入站点设置 %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>保存班次汇总</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>班次汇总已保存到 %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>不能保存班次汇总 %1：%2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>班次汇总…</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>合格 %1 · 不合格 %2 · 一次通过率 %3 · 近 10 分钟每小时 %4 个</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1（%2）</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>常见原因：%1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>；</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>cfgfields</name>
    <message>
        <source>、</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1没有选择值</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1含有换行</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1含有逗号（模块会把它当作分隔符）</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1含有%2不能表示的字符</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1超过 %2 字节</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1不是 IP 地址（四个 0 到 255 的数，以点分隔）</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1不是 1 到 65535 的端口</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1不是最多 9 位的数</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1不能为空</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>cfgleaf</name>
    <message>
        <source>%1 出现了 %2 次</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 含有换行</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 应有 %2 个字段</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 的第 %2 个字段为空</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 的第 %2 个字段“%3”不是可选的值</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 的第 %2 个字段“%3”应为 0 或 1</source>
        <translation type="unfinished"></translation>
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
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>report</name>
    <message>
        <source>%1 是符号链接：报告不写入链接所指的文件</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 不是普通文件（而是命名管道、设备或文件夹）：报告只写入普通文件</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 是没有 label 列的旧报告，扫描的标签不能记录：请换一个新的报告文件</source>
        <translation type="unfinished"></translation>
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
