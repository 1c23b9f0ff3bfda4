#include "commands.h"
#include "commandcontext.h"

#include "automation/dispatch.h"
#include "hostsite.h"
#include "messagebox.h"
#include "sequentialfiles.h"
#include "twips.h"

using automation::InvokeKind;
using automation::Variant;

namespace doccontrol {

using clientcore::bstr;

namespace {

const QString MarkName = QStringLiteral("mark_1");
const QString AddMark = QStringLiteral("::ADDMARK::");

Variant byRefString(const QString &text)
{
    return Variant::byRef(std::make_shared<Variant>(bstr(text)));
}

void putSize(automation::Dispatch &site, automation::DispId id, float twips)
{
    site.invoke(id, InvokeKind::PropertyPut, {Variant::r4(twips)});
}

} // namespace

void msgtip(platform::MessageSink &messages)
{
    messages.MsgBox(QStringLiteral("请先新建或打开文档！"), platform::vbOKOnly);
}

void openLocalDocument(CommandContext &context)
{
    context.quillary.setVisible(true);
    context.quillary.ShowFileDialog(1);
}

void openTypedAddressShown(CommandContext &context)
{
    context.quillary.setVisible(true);
}

void closeDocument(CommandContext &context)
{
    context.quillary.setVisible(true);
    context.state.isopened = false;
    context.quillary.CloseDocument();
}

void saveLocal(CommandContext &context)
{
    context.quillary.setVisible(true);
    if (context.state.isopened)
        context.quillary.ShowFileDialog(3);
    else
        msgtip(context.messages);
}

void saveRemote(CommandContext &context)
{
    context.quillary.setVisible(true);
    const QString name = context.quillary.DocumentName();
    if (!name.isEmpty() || context.state.isopened) {
        if (!context.state.saveurl.isEmpty()) {
            context.quillary.SaveDocument(context.state.saveurl);
            context.messages.MsgBox(QStringLiteral("远程保存成功！"), platform::vbOKOnly);
        }
    } else {
        msgtip(context.messages);
    }
}

void showServerPage(CommandContext &context, automation::Dispatch &browserSite,
                    QSizeF windowOuterTwips)
{
    context.quillary.setVisible(false);
    const auto width =
        platform::sizeLessMargin(static_cast<float>(windowOuterTwips.width()), 4200.0f);
    const auto height =
        platform::sizeLessMargin(static_cast<float>(windowOuterTwips.height()), 900.0f);
    if (width)
        putSize(browserSite, platform::siteid::Width, *width);
    if (height)
        putSize(browserSite, platform::siteid::Height, *height);
}

void replaceContent(CommandContext &context)
{
    context.messages.MsgBox(QStringLiteral("此功能演示将文档的字母c替换成k"), platform::vbOKOnly);
    context.quillary.ReplaceText(QStringLiteral("c"), QStringLiteral("k"), 1);
}

void insertRemotePicture(CommandContext &context)
{
    const QString picture = context.serverBase + QStringLiteral("/quillary/images/quillary.jpg");
    // The backslash and "n" are two characters of the message, not a line break.
    context.messages.MsgBox(
        QStringLiteral(R"(演示插入一个远程的互联网图片,等待时间依网速而定。\n)") + picture,
        platform::vbOKOnly);
    context.quillary.MarkCommand(MarkName, QString(), AddMark);
    context.quillary.MarkCommand(MarkName, picture, QStringLiteral("::JPG::"));
}

void stamp(CommandContext &context)
{
    context.messages.MsgBox(QStringLiteral("演示插入一个远程的印章图片,等待时间依网速而定。"),
                            platform::vbOKOnly);
    const QString stampBase = context.serverBase + QStringLiteral("/quillary");
    const QString picture = stampBase + QStringLiteral("/images/003.gif");
    context.quillary.MarkCommand(MarkName, QString(), AddMark);
    context.quillary.MarkCommand(MarkName, picture, QStringLiteral("::FLOATJPG::"));
}

void handwrittenSignature(CommandContext &context)
{
    context.quillary.HandSign();
    context.quillary.MarkCommand(MarkName, QString(), AddMark);
    context.quillary.MarkCommand(MarkName, QStringLiteral(R"(c:\\Sign.bmp)"),
                                 QStringLiteral("::FLOATJPG::"));
}

QByteArray tableText()
{
    const int rows = 6;
    const int cells = 3;
    QByteArray body;
    for (int row = 1; row <= rows; ++row) {
        QByteArray rowText;
        for (int cell = 1; cell <= cells; ++cell)
            rowText += "<td>test</td>";
        body += "<tr>" + rowText + "</tr>";
    }
    return "<table border=1 cellpadding=1 cellspacing=1>" + body + "</table>";
}

void insertTable(CommandContext &context, platform::SequentialFiles &files,
                 const QString &programDirectory)
{
    context.messages.MsgBox(
        QStringLiteral(
            "演示插入一个6行3例的表格！实际应用可以依数据库记录或动态设置表格的行和列。"),
        platform::vbOKOnly);
    const QString path = programDirectory + QStringLiteral(R"(\table.doc)");
    files.openForOutput(1, path);
    try {
        files.print(1, tableText());
    } catch (...) {
        files.abandon(1); // file number 1 stays usable for the next try
        throw;
    }
    files.close(1);
    context.quillary.InsertFile(path, 0);
}

void protectDocument(CommandContext &context)
{
    context.quillary.ProtectDocument(1, 2, QString());
}

void unprotectDocument(CommandContext &context)
{
    context.quillary.ProtectDocument(0, 2, QString());
}

void wordToPdf(CommandContext &context)
{
    context.messages.MsgBox(QStringLiteral("此功能可依据需要，WORD转换PDF后直接保存到服务器上。"),
                            platform::vbOKOnly);
    const auto document = context.quillary.DocumentObject();
    automation::invokeByName(*document, "SaveAs", InvokeKind::Method,
                             {bstr(QStringLiteral(R"(c:\a.pdf)")), Variant::i2(17)});
    context.messages.MsgBox(QStringLiteral("已将当前WORD文档转为PDF后，放于C根目录下a.pdf"),
                            platform::vbOKOnly);
}

void excelToPdf(CommandContext &context)
{
    context.messages.MsgBox(QStringLiteral("此功能可依据需要，EXCEL转换PDF后直接保存到服务器上。"),
                            platform::vbOKOnly);
    const Variant fileName = byRefString(QStringLiteral(R"(c:\excel.pdf)"));
    const auto document = context.quillary.DocumentObject();
    const auto application = automation::objectProperty(*document, "Application");
    const auto window = automation::objectProperty(*application, "ActiveWindow");
    const auto sheet = automation::objectProperty(*window, "ActiveSheet");
    automation::invokeByName(*sheet, "ExportAsFixedFormat", InvokeKind::Method,
                             {Variant::i2(0), fileName});
    context.messages.MsgBox(QStringLiteral("已将当前EXCEL文档转为PDF后，放于C根目录下excel.pdf"),
                            platform::vbOKOnly);
}

void batchDownload(CommandContext &context)
{
    context.messages.MsgBox(QStringLiteral("此功能可以依用户需要，点击选择多个文件进行下载！"),
                            platform::vbOKOnly);
    const QString temp = context.serverBase + QStringLiteral("/quillary/temp/");
    const Variant firstTarget = byRefString(QStringLiteral(R"(c:\file1.doc)"));
    context.quillary.DownloadFile(firstTarget, temp + QStringLiteral("file1.doc"));
    context.quillary.DownloadFile(bstr(QStringLiteral(R"(c:\\\\file2.doc)")),
                                  temp + QStringLiteral("file2.doc"));
    context.quillary.DownloadFile(bstr(QStringLiteral(R"(c:\\\\file3.doc)")),
                                  temp + QStringLiteral("file3.doc"));
    context.messages.MsgBox(
        QStringLiteral("已将服务上file1.doc,file2.doc,file3.doc下载到本地C盘根目录下！"),
        platform::vbOKOnly);
}

} // namespace doccontrol
