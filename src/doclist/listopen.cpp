#include "listopen.h"

#include "commandcontext.h"
#include "messagebox.h"

#include <QScopeGuard>

namespace doclist {

std::optional<QString> documentIdOfEntry(const QString &entry)
{
    const QString head = entry.left(entry.indexOf(QLatin1String("   ")));
    if (!head.contains(QLatin1String("webdocedit"), Qt::CaseInsensitive))
        return std::nullopt;
    return head.mid(head.lastIndexOf(QLatin1Char('=')) + 1);
}

QString openAddress(const QString &serverBase, const QString &id)
{
    return serverBase + QStringLiteral("/quillary/writefile.asp?id=") + id +
           QStringLiteral("&operfile=office");
}

QString saveAddress(const QString &serverBase, const QString &id)
{
    return serverBase + QStringLiteral("/quillary/uploadedit.asp?oper=edit&id=") + id;
}

void openListEntry(clientcore::CommandContext &context, const QString &entry)
{
    context.quillary.setVisible(true);
    const std::optional<QString> id = documentIdOfEntry(entry);
    if (!id)
        return;
    if (context.state.isopening) {
        context.messages.MsgBox(QStringLiteral("请稍等，正在打开上一个文档......"),
                                platform::vbInformation);
        return;
    }

    context.state.isopening = true;
    // A failed open must not leave the guard set, or no later click could open anything.
    const auto clearOpening = qScopeGuard([&context] { context.state.isopening = false; });
    const QString source = openAddress(context.serverBase, *id);
    context.state.saveurl = saveAddress(context.serverBase, *id);
    context.quillary.OpenDocument(automation::Variant::byRef(
        std::make_shared<automation::Variant>(clientcore::bstr(source))));
    context.state.isopened = true;
}

} // namespace doclist
