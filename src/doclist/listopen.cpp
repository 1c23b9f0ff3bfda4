#include "listopen.h"

#include "commandcontext.h"
#include "messagebox.h"

#include "automation/automationerror.h"

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

namespace {

bool documentStaysShown(clientcore::QuillaryControl &quillary)
{
    try {
        return !quillary.DocumentName().isEmpty();
    } catch (const automation::AutomationError &) {
        return false; // the open's own error is the one the user hears of
    }
}

} // namespace

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
    const QString shownSaveUrl = context.state.saveurl;
    context.state.saveurl = saveAddress(context.serverBase, *id);
    try {
        context.quillary.OpenDocument(automation::Variant::byRef(
            std::make_shared<automation::Variant>(clientcore::bstr(source))));
    } catch (...) {
        // The control keeps the document it showed, so an upload must still go to its address.
        if (documentStaysShown(context.quillary))
            context.state.saveurl = shownSaveUrl;
        throw;
    }
    context.state.isopened = true;
}

} // namespace doclist
