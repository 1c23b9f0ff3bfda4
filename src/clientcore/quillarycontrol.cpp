#include "quillarycontrol.h"

#include "automation/automationerror.h"

using namespace automation;

namespace clientcore {

namespace dispid = controlcontract::dispid;
namespace siteid = platform::siteid;

Variant bstr(const QString &text)
{
    return Variant::bstr(text.toStdString());
}

Variant QuillaryControl::call(DispId id, InvokeKind kind, const std::vector<Variant> &args)
{
    return m_control->invoke(id, kind, args);
}

std::shared_ptr<Dispatch> QuillaryControl::DocumentObject()
{
    const Variant result = call(dispid::DocumentObject, InvokeKind::PropertyGet).dereferenced();
    if (result.type() != VarType::Dispatch || !result.asDispatch())
        throw AutomationError(hresult::TypeMismatch, "DocumentObject 没有返回对象");
    return result.asDispatch();
}

void QuillaryControl::OpenDocument(const Variant &source)
{
    call(dispid::OpenDocument, InvokeKind::Method, {source});
}

void QuillaryControl::SaveDocument(const QString &url)
{
    call(dispid::SaveDocument, InvokeKind::Method, {bstr(url)});
}

void QuillaryControl::HandSign()
{
    call(dispid::HandSign, InvokeKind::Method);
}

void QuillaryControl::CloseDocument()
{
    call(dispid::CloseDocument, InvokeKind::Method);
}

void QuillaryControl::ShowFileDialog(std::int32_t kind)
{
    call(dispid::ShowFileDialog, InvokeKind::Method, {Variant::i4(kind)});
}

QString QuillaryControl::DocumentName()
{
    return QString::fromStdString(call(dispid::DocumentName, InvokeKind::PropertyGet).toString());
}

bool QuillaryControl::InsertFile(const QString &path, std::int32_t flags)
{
    return call(dispid::InsertFile, InvokeKind::Method, {bstr(path), Variant::i4(flags)}).toBool();
}

bool QuillaryControl::MarkCommand(const QString &mark, const QString &value, const QString &keyword)
{
    return call(dispid::MarkCommand, InvokeKind::Method, {bstr(mark), bstr(value), bstr(keyword)})
        .toBool();
}

void QuillaryControl::ProtectDocument(std::int32_t protect, std::int32_t mode,
                                      const QString &password)
{
    call(dispid::ProtectDocument, InvokeKind::Method,
         {Variant::i4(protect), Variant::i4(mode), bstr(password)});
}

void QuillaryControl::ReplaceText(const QString &find, const QString &replacement,
                                  std::int32_t flags)
{
    call(dispid::ReplaceText, InvokeKind::Method,
         {bstr(find), bstr(replacement), Variant::i4(flags)});
}

void QuillaryControl::DownloadFile(const Variant &target, const QString &url)
{
    call(dispid::DownloadFile, InvokeKind::Method, {target, bstr(url)});
}

void QuillaryControl::setVisible(bool visible)
{
    call(siteid::Visible, InvokeKind::PropertyPut, {Variant::boolean(visible)});
}

void QuillaryControl::setWidth(float twips)
{
    call(siteid::Width, InvokeKind::PropertyPut, {Variant::r4(twips)});
}

void QuillaryControl::setHeight(float twips)
{
    call(siteid::Height, InvokeKind::PropertyPut, {Variant::r4(twips)});
}

} // namespace clientcore
