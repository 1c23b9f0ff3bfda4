#include "core/formatrules.h"

#include "core/refusalcauses.h"

#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QMimeDatabase>
#include <QStringList>

#include <cctype>

using engineprotocol::DocumentKind;

namespace framer {

namespace {

// Qt takes only whole documents for HTML; the client inserts fragments (a bare <table>).
bool startsWithTag(const QByteArray &head)
{
    qsizetype i = head.startsWith("\xEF\xBB\xBF") ? 3 : 0;
    while (i < head.size() && QByteArrayView(" \t\r\n").contains(head[i]))
        ++i;
    return i + 1 < head.size() && head[i] == '<' &&
           (std::isalpha(static_cast<unsigned char>(head[i + 1])) || head[i + 1] == '!' ||
            head[i + 1] == '?');
}

bool looksLikeHtml(const QByteArray &head)
{
    const QByteArray lower = head.left(4096).toLower();
    for (const char *tag : {"<table", "<html", "<body", "<p", "<div", "<!doctype html"})
        if (lower.contains(tag))
            return true;
    return false;
}

// Picks by kind: the text, spreadsheet and presentation member of a family of formats.
QString byKind(DocumentKind kind, const char *text, const char *sheet, const char *slides)
{
    switch (kind) {
    case DocumentKind::Text:
        return QString::fromLatin1(text);
    case DocumentKind::Spreadsheet:
        return QString::fromLatin1(sheet);
    case DocumentKind::Presentation:
        return QString::fromLatin1(slides);
    default:
        return QStringLiteral("odg");
    }
}

QStringList writableFormats(DocumentKind kind)
{
    switch (kind) {
    case DocumentKind::Text:
        return {"pdf", "doc", "docx", "odt", "rtf", "txt", "html", "fodt"};
    case DocumentKind::Spreadsheet:
        return {"pdf", "xls", "xlsx", "ods", "csv", "html", "fods"};
    case DocumentKind::Presentation:
        return {"pdf", "ppt", "pptx", "odp", "fodp"};
    default:
        return {"pdf", "odg"};
    }
}

} // namespace

Content detectContent(const QByteArray &head)
{
    const QMimeType type = QMimeDatabase().mimeTypeForData(head);
    if (type.inherits(QStringLiteral("application/x-ole-storage")))
        return Content::Compound;
    if (type.inherits(QStringLiteral("application/zip")))
        return type.name().startsWith(QLatin1String("application/vnd.oasis.opendocument"))
                   ? Content::OpenDocument
                   : Content::Package;
    if (type.inherits(QStringLiteral("application/rtf")))
        return Content::Rtf;
    if (type.inherits(QStringLiteral("text/html")) ||
        type.inherits(QStringLiteral("application/xml")))
        return Content::Markup;
    // Only plain text itself: Qt names some random bytes after text formats by their magic.
    if (type.name() == QLatin1String("text/plain"))
        return startsWithTag(head) ? Content::Markup : Content::Text;
    return Content::Unknown;
}

std::optional<quillary::ControlError> checkDocumentFile(const QString &path,
                                                        const QString &displayName, qint64 maxBytes)
{
    using quillary::ControlError;
    const QString name = displayName.isEmpty() ? QFileInfo(path).fileName() : displayName;
    const auto refused = [](const QString &message) {
        return ControlError{ControlError::Failed, message};
    };
    const QFileInfo info(path);
    if (!info.exists())
        return refused(QStringLiteral("文件“%1”不存在").arg(name));
    if (!info.isFile())
        return refused(QStringLiteral("“%1”不是文件").arg(name));
    if (info.size() == 0)
        return refused(QStringLiteral("文件“%1”是空文件，无法打开").arg(name));
    if (info.size() > maxBytes)
        return refusal(ControlError::TooLarge, name,
                       QStringLiteral("%1 bytes, at most %2").arg(info.size()).arg(maxBytes));
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return refused(QStringLiteral("无法读取文件“%1”：%2").arg(name, file.errorString()));
    if (detectContent(file.read(ContentSampleBytes)) == Content::Unknown)
        return refusal(ControlError::NotADocument, name,
                       QStringLiteral("content not recognised: %1")
                           .arg(QMimeDatabase().mimeTypeForFile(path).name()));
    return std::nullopt;
}

QString saveFormatForExtension(DocumentKind kind, const QString &extension)
{
    // Kingsoft's formats are written as their Microsoft twins.
    static const QHash<QString, QString> twins = {{"wps", "doc"}, {"wpt", "doc"}, {"et", "xls"},
                                                  {"ett", "xls"}, {"dps", "ppt"}, {"dpt", "ppt"},
                                                  {"htm", "html"}};
    const QString ext = extension.toLower();
    const QString format = twins.value(ext, ext);
    return writableFormats(kind).contains(format) ? format : QString();
}

QString ownFormat(DocumentKind kind, const QString &fileName, const QByteArray &head)
{
    if (const QString format = saveFormatForExtension(kind, QFileInfo(fileName).suffix());
        !format.isEmpty() && format != QLatin1String("pdf"))
        return format;
    switch (detectContent(head)) {
    case Content::Compound:
        return byKind(kind, "doc", "xls", "ppt");
    case Content::Package:
        return byKind(kind, "docx", "xlsx", "pptx");
    case Content::Rtf:
        if (kind == DocumentKind::Text)
            return QStringLiteral("rtf");
        break;
    case Content::Markup:
        if (kind == DocumentKind::Text || kind == DocumentKind::Spreadsheet)
            return QStringLiteral("html");
        break;
    case Content::Text:
        if (kind == DocumentKind::Text || kind == DocumentKind::Spreadsheet)
            return byKind(kind, "txt", "csv", "");
        break;
    default:
        break;
    }
    return byKind(kind, "odt", "ods", "odp");
}

QString insertFilterFor(const QByteArray &head)
{
    switch (detectContent(head)) {
    case Content::Rtf:
        return QStringLiteral("Rich Text Format");
    case Content::Compound:
        return QStringLiteral("MS Word 97");
    case Content::Package:
        return QStringLiteral("MS Word 2007 XML");
    case Content::OpenDocument:
        // Text only: a spreadsheet or slides cannot go into running text.
        return QMimeDatabase().mimeTypeForData(head).name() ==
                       QLatin1String("application/vnd.oasis.opendocument.text")
                   ? QStringLiteral("writer8")
                   : QString();
    case Content::Markup:
        return looksLikeHtml(head) ? QStringLiteral("HTML (StarWriter)") : QStringLiteral("Text");
    case Content::Text:
        return QStringLiteral("Text");
    case Content::Unknown:
        break;
    }
    return {};
}

QString openDialogFilter()
{
    return QStringLiteral("Office 文档 (*.doc *.docx *.wps *.xls *.xlsx *.et *.ppt *.pptx *.dps "
                          "*.odt *.ods *.odp *.rtf *.txt *.htm *.html);;所有文件 (*)");
}

QString saveDialogFilter(DocumentKind kind, const QString &ownFormat)
{
    QStringList filters;
    switch (kind) {
    case DocumentKind::Text:
        filters = {"Word 文档 (*.docx)",   "Word 97-2003 文档 (*.doc)",
                   "ODF 文本文档 (*.odt)", "RTF 文档 (*.rtf)",
                   "PDF (*.pdf)",          "纯文本 (*.txt)"};
        break;
    case DocumentKind::Spreadsheet:
        filters = {"Excel 工作簿 (*.xlsx)", "Excel 97-2003 工作簿 (*.xls)", "ODF 电子表格 (*.ods)",
                   "PDF (*.pdf)", "CSV (*.csv)"};
        break;
    case DocumentKind::Presentation:
        filters = {"PowerPoint 演示文稿 (*.pptx)", "PowerPoint 97-2003 演示文稿 (*.ppt)",
                   "ODF 演示文稿 (*.odp)", "PDF (*.pdf)"};
        break;
    default:
        filters = {"ODF 绘图 (*.odg)", "PDF (*.pdf)"};
        break;
    }
    for (qsizetype i = 0; i < filters.size(); ++i)
        if (filters[i].contains(QStringLiteral("*.%1)").arg(ownFormat)))
            filters.move(i, 0);
    return filters.join(QStringLiteral(";;"));
}

} // namespace framer
