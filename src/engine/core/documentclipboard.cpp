#include "documentclipboard.h"

using namespace engineprotocol;

namespace enginecore {

namespace {

const QByteArray PlainText = "text/plain;charset=utf-8";
const QByteArray Html = "text/html";

QByteArray tableHtml(const QString &text)
{
    QString rows;
    for (QString line : text.split(QLatin1Char('\n'))) {
        if (line.endsWith(QLatin1Char('\r')))
            line.chop(1);
        QString cells;
        for (const QString &cell : line.split(QLatin1Char('\t')))
            cells += QStringLiteral("<td>%1</td>").arg(cell.toHtmlEscaped());
        rows += QStringLiteral("<tr>%1</tr>").arg(cells);
    }
    return QStringLiteral("<html><body><table>%1</table></body></html>").arg(rows).toUtf8();
}

} // namespace

const QList<QByteArray> &clipboardFormats()
{
    static const QList<QByteArray> formats{PlainText, Html, "text/rtf", "image/png"};
    return formats;
}

Reply copySelection(EditContext &context, const request::Copy &request)
{
    // Emptied first, so that copying nothing hands over nothing rather than an older copy.
    context.document.setClipboard({});
    const QByteArray command = request.cut ? ".uno:Cut" : ".uno:Copy";
    if (!context.commands.run(command))
        return reply::Error{ErrorCode::NotFinished,
                            QStringLiteral("%1 did not finish").arg(QString::fromUtf8(command))};
    reply::Clipboard copied;
    for (ClipboardItem &item : context.document.clipboard(clipboardFormats()))
        if (!item.data.isEmpty())
            copied.items.append(std::move(item));
    return copied;
}

Reply paste(EditContext &context, const request::Paste &request, DocumentKind kind)
{
    const QList<ClipboardItem> items = pasteItemsFor(kind, request.items);
    if (items.isEmpty())
        return reply::Error{ErrorCode::BadRequest, QStringLiteral("剪贴板中没有可以粘贴的内容")};
    if (!context.document.setClipboard(items))
        return reply::Error{ErrorCode::Failed, QStringLiteral("无法把剪贴板的内容交给文档")};
    if (!context.commands.run(".uno:Paste"))
        return reply::Error{ErrorCode::NotFinished, QStringLiteral(".uno:Paste did not finish")};
    return reply::Done{};
}

QList<ClipboardItem> pasteItemsFor(DocumentKind kind, QList<ClipboardItem> items)
{
    items.removeIf([](const ClipboardItem &item) { return item.data.isEmpty(); });
    if (kind != DocumentKind::Spreadsheet)
        return items;
    const auto has = [&](const QByteArray &mimeType) {
        return std::any_of(items.cbegin(), items.cend(), [&](const ClipboardItem &item) {
            return item.mimeType.toUtf8() == mimeType;
        });
    };
    const auto plain = std::find_if(items.cbegin(), items.cend(), [](const ClipboardItem &item) {
        return item.mimeType.toUtf8() == PlainText;
    });
    if (plain == items.cend() || has(Html))
        return items;
    QString text = QString::fromUtf8(plain->data);
    while (text.endsWith(QLatin1Char('\n')) || text.endsWith(QLatin1Char('\r')))
        text.chop(1);
    if (!text.contains(QLatin1Char('\n')) && !text.contains(QLatin1Char('\t')))
        return items;
    items.prepend({QString::fromUtf8(Html), tableHtml(text)});
    return items;
}

} // namespace enginecore
