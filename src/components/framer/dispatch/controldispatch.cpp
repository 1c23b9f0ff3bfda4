#include "controldispatch.h"

#include "controldispids.h"
#include "dispatcharguments.h"
#include "officeobjects.h"

#include "automation/automationerror.h"
#include "windowspath.h"

#include <quillary/documentcontrol.h>

#include <QDir>
#include <QFileInfo>
#include <QLoggingCategory>

#include <strings.h>

Q_LOGGING_CATEGORY(lcFramerDispatch, "quillary.framer.dispatch")

using namespace automation;
namespace dispid = controlcontract::dispid;

namespace framerdispatch {

struct ControlDispatch::Member
{
    const char *name;
    DispId id;
    InvokeKind kind;
    Variant (ControlDispatch::*handler)(const std::vector<Variant> &);
};

const std::vector<ControlDispatch::Member> &ControlDispatch::members()
{
    static const std::vector<Member> table = {
        {"DocumentObject", dispid::DocumentObject, InvokeKind::PropertyGet,
         &ControlDispatch::documentObject},
        {"OpenDocument", dispid::OpenDocument, InvokeKind::Method, &ControlDispatch::openDocument},
        {"SaveDocument", dispid::SaveDocument, InvokeKind::Method, &ControlDispatch::saveDocument},
        {"HandSign", dispid::HandSign, InvokeKind::Method, &ControlDispatch::handSign},
        {"CloseDocument", dispid::CloseDocument, InvokeKind::Method,
         &ControlDispatch::closeDocument},
        {"ShowFileDialog", dispid::ShowFileDialog, InvokeKind::Method,
         &ControlDispatch::showFileDialog},
        {"DocumentName", dispid::DocumentName, InvokeKind::PropertyGet,
         &ControlDispatch::documentName},
        {"InsertFile", dispid::InsertFile, InvokeKind::Method, &ControlDispatch::insertFile},
        {"MarkCommand", dispid::MarkCommand, InvokeKind::Method, &ControlDispatch::markCommand},
        {"ProtectDocument", dispid::ProtectDocument, InvokeKind::Method,
         &ControlDispatch::protectDocument},
        {"ReplaceText", dispid::ReplaceText, InvokeKind::Method, &ControlDispatch::replaceText},
        {"DownloadFile", dispid::DownloadFile, InvokeKind::Method, &ControlDispatch::downloadFile},
    };
    return table;
}

namespace {

// Between min and max arguments.
void requireArgs(const std::vector<Variant> &args, std::size_t min, std::size_t max)
{
    if (args.size() < min || args.size() > max)
        requireArgCount(args, args.size() < min ? min : max);
}

bool isAddress(const QString &source)
{
    return source.contains(QLatin1String("://"));
}

// A file the control writes: on drive C its folder is made when missing.
QString hostTarget(const QString &path, const QString &driveC)
{
    const QString target = platform::mapWindowsPath(path, driveC);
    const QString folder = QFileInfo(target).absolutePath();
    if (target.startsWith(driveC) && !QDir().mkpath(folder))
        raise(hresult::Fail,
              QStringLiteral("无法创建文件夹“%1”").arg(QDir::toNativeSeparators(folder)));
    return target;
}

} // namespace

ControlDispatch::ControlDispatch(quillary::DocumentControl *control, QString driveCRoot)
    : m_control(control), m_driveC(std::move(driveCRoot))
{
}

Variant ControlDispatch::invoke(DispId id, InvokeKind kind, const std::vector<Variant> &args)
{
    for (const Member &member : members()) {
        if (member.id != id)
            continue;
        if (member.kind != kind &&
            !(member.kind == InvokeKind::PropertyGet && kind == InvokeKind::Method))
            throw AutomationError(hresult::MemberNotFound,
                                  std::string("成员 ") + member.name + " 不支持这种调用方式");
        return (this->*member.handler)(args);
    }
    throw AutomationError(hresult::MemberNotFound, "文档控件不支持该成员");
}

DispId ControlDispatch::idOfName(std::string_view name)
{
    const std::string key(name);
    for (const Member &member : members())
        if (strcasecmp(member.name, key.c_str()) == 0)
            return member.id;
    throw unknownName(name);
}

quillary::DocumentControl &ControlDispatch::control() const
{
    if (!m_control)
        raise(hresult::Fail, QStringLiteral("文档控件已关闭"));
    return *m_control;
}

QString ControlDispatch::hostPath(const QString &path) const
{
    return platform::mapWindowsPath(path, m_driveC);
}

QString ControlDispatch::hostPathOrNothing(const QString &path) const
{
    if (path.trimmed().isEmpty() || isAddress(path))
        return path;
    try {
        return hostPath(path);
    } catch (const AutomationError &error) {
        qCWarning(lcFramerDispatch) << path << "is not usable:" << error.description().c_str();
        return {};
    }
}

Variant ControlDispatch::outcome(bool done) const
{
    if (!done && control().lastError().code != quillary::ControlError::NotApplied)
        raise(control().lastError());
    return Variant::boolean(done);
}

Variant ControlDispatch::documentObject(const std::vector<Variant> &args)
{
    requireArgCount(args, 0);
    auto document = control().document();
    if (!document)
        raise(control().lastError());
    const quillary::DocumentKind kind = document->kind();
    // The objects may outlive this adapter: they keep what they need themselves.
    return Variant::dispatch(makeDocumentObject(
        kind, documentExports(std::move(document), [driveC = m_driveC](const QString &fileName) {
            return hostTarget(fileName, driveC);
        })));
}

Variant ControlDispatch::openDocument(const std::vector<Variant> &args)
{
    requireArgCount(args, 1);
    const QString source = stringArgument(args[0], "OpenDocument");
    const bool local = !source.trimmed().isEmpty() && !isAddress(source);
    if (!control().open(local ? hostPath(source) : source))
        raise(control().lastError());
    return {};
}

Variant ControlDispatch::saveDocument(const std::vector<Variant> &args)
{
    requireArgCount(args, 1);
    if (!control().upload(stringArgument(args[0], "SaveDocument")))
        raise(control().lastError());
    return {};
}

Variant ControlDispatch::handSign(const std::vector<Variant> &args)
{
    requireArgCount(args, 0);
    // Its folder is made once there is a signature to write.
    if (!control().captureSignature(hostPath(QStringLiteral("c:\\Sign.bmp"))))
        raise(control().lastError());
    return {};
}

Variant ControlDispatch::closeDocument(const std::vector<Variant> &args)
{
    requireArgCount(args, 0);
    if (!control().closeDocument())
        raise(control().lastError());
    return {};
}

Variant ControlDispatch::showFileDialog(const std::vector<Variant> &args)
{
    requireArgCount(args, 1);
    const int kind = args[0].toInt();
    if (kind != 1 && kind != 3)
        raise(hresult::InvalidArgument,
              QStringLiteral("ShowFileDialog 不支持类型 %1（1 为打开，3 为保存）").arg(kind));
    if (!(kind == 1 ? control().showOpenDialog() : control().showSaveDialog()))
        raise(control().lastError());
    return {};
}

Variant ControlDispatch::documentName(const std::vector<Variant> &args)
{
    requireArgCount(args, 0);
    return Variant::bstr(control().documentName().toStdString());
}

Variant ControlDispatch::insertFile(const std::vector<Variant> &args)
{
    requireArgs(args, 1, 2);
    return outcome(control().insertFile(hostPathOrNothing(stringArgument(args[0], "InsertFile"))));
}

Variant ControlDispatch::markCommand(const std::vector<Variant> &args)
{
    requireArgCount(args, 3);
    const QString mark = stringArgument(args[0], "MarkCommand");
    const QString value = stringArgument(args[1], "MarkCommand");
    const QString keyword = stringArgument(args[2], "MarkCommand");
    const QString word = keyword.trimmed().toUpper();
    if (word == QLatin1String("::ADDMARK::"))
        return outcome(control().setBookmark(mark));
    if (word != QLatin1String("::JPG::") && word != QLatin1String("::FLOATJPG::"))
        raise(
            hresult::InvalidArgument,
            QStringLiteral("MarkCommand 不支持命令“%1”（可用 ::ADDMARK::、::JPG::、::FLOATJPG::）")
                .arg(keyword));
    using Placement = quillary::DocumentControl::PicturePlacement;
    return outcome(control().insertPicture(
        mark, hostPathOrNothing(value),
        word == QLatin1String("::FLOATJPG::") ? Placement::Floating : Placement::InLine));
}

Variant ControlDispatch::protectDocument(const std::vector<Variant> &args)
{
    // The mode and the password are accepted and not used.
    requireArgs(args, 1, 3);
    const int on = args[0].dereferenced().toInt();
    if (on != 0 && on != 1)
        raise(
            hresult::InvalidArgument,
            QStringLiteral("ProtectDocument 的第一个参数应为 1（保护）或 0（解除保护），实际为 %1")
                .arg(on));
    if (!control().setProtected(on == 1))
        raise(control().lastError());
    return {};
}

Variant ControlDispatch::replaceText(const std::vector<Variant> &args)
{
    requireArgs(args, 2, 3);
    const bool matchCase = args.size() < 3 || args[2].dereferenced().toInt() != 0;
    if (!control().replaceText(stringArgument(args[0], "ReplaceText"),
                               stringArgument(args[1], "ReplaceText"),
                               matchCase ? Qt::CaseSensitive : Qt::CaseInsensitive))
        raise(control().lastError());
    return {};
}

Variant ControlDispatch::downloadFile(const std::vector<Variant> &args)
{
    requireArgCount(args, 2);
    const QString target = stringArgument(args[0], "DownloadFile");
    const QString address = stringArgument(args[1], "DownloadFile");
    if (target.trimmed().isEmpty())
        raise(hresult::InvalidArgument,
              QStringLiteral("下载“%1”失败：没有指定保存位置").arg(address));
    if (!control().download(address, hostTarget(target, m_driveC)))
        raise(control().lastError());
    return {};
}

} // namespace framerdispatch
