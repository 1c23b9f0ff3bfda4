#include "editingoperations.h"

#include "arguments.h"
#include "automation/automationerror.h"
#include "engineclient.h"
#include "framercontrol.h"
#include "officeobjects.h"
#include "signaturepad.h"
#include "transfers.h"
#include "windowspath.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QLoggingCategory>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QUuid>
#include <QWidget>

#include <cerrno>
#include <cstdio>
#include <cstring>

Q_DECLARE_LOGGING_CATEGORY(lcFramer)

using namespace automation;
using engineprotocol::DocumentKind;

namespace framer {

namespace {

constexpr int EditTimeoutMs = 60000;

} // namespace

QString insertFilterFor(const QByteArray &head)
{
    if (head.startsWith("{\\rtf"))
        return QStringLiteral("Rich Text Format");
    if (head.startsWith("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1"))
        return QStringLiteral("MS Word 97");
    if (head.startsWith("PK\x03\x04")) {
        if (head.contains("mimetypeapplication/vnd.oasis.opendocument.text"))
            return QStringLiteral("writer8");
        if (head.contains("mimetypeapplication/vnd.oasis.opendocument"))
            return {};
        return QStringLiteral("MS Word 2007 XML");
    }
    QByteArray text = head;
    if (text.startsWith("\xEF\xBB\xBF"))
        text.remove(0, 3);
    if (text.contains('\0'))
        return {};
    const QByteArray lower = text.trimmed().toLower();
    if (lower.startsWith('<') &&
        (lower.contains("<table") || lower.contains("<html") || lower.contains("<body") ||
         lower.contains("<p") || lower.contains("<div") || lower.startsWith("<!doctype html")))
        return QStringLiteral("HTML (StarWriter)");
    return QStringLiteral("Text");
}

// Hands the office objects to the operations for as long as those live.
class EditingOperations::Backend : public OfficeBackend
{
public:
    explicit Backend(EditingOperations *operations) : m_operations(operations) {}
    void detach() { m_operations = nullptr; }

    void saveDocumentAs(DocumentKind kind, const QString &fileName, const QString &format) override
    {
        exclusive([&](EditingOperations &o) { o.saveDocumentAs(kind, fileName, format); });
    }
    void exportActiveSheet(const QString &fileName) override
    {
        exclusive([&](EditingOperations &o) { o.exportActiveSheet(fileName); });
    }

private:
    void exclusive(const std::function<void(EditingOperations &)> &work)
    {
        EditingOperations &o = operations();
        o.runExclusive([&] { work(o); });
    }
    EditingOperations &operations()
    {
        if (!m_operations)
            fail(hresult::Fail, QStringLiteral("文档控件已关闭，文档对象不再可用"));
        return *m_operations;
    }
    EditingOperations *m_operations;
};

EditingOperations::EditingOperations(EditingHost host)
    : m_host(std::move(host)), m_backend(std::make_shared<Backend>(this))
{
}

EditingOperations::~EditingOperations()
{
    m_backend->detach();
}

void EditingOperations::runExclusive(const std::function<void()> &work)
{
    if (m_host.exclusive)
        m_host.exclusive(work);
    else
        work();
}

void EditingOperations::documentChanged()
{
    if (std::exchange(m_protected, false) && m_host.protectionChanged)
        m_host.protectionChanged(false);
}

DocumentKind EditingOperations::requireDocument(const QString &operation) const
{
    const auto kind = m_host.document ? m_host.document() : std::nullopt;
    if (!kind)
        fail(hresult::Fail, QStringLiteral("没有打开的文档，无法执行 %1").arg(operation));
    return *kind;
}

QString EditingOperations::hostPath(const QString &path) const
{
    return platform::mapWindowsPath(path, m_host.driveCRoot);
}

QString EditingOperations::signaturePath() const
{
    return hostPath(QStringLiteral("c:\\Sign.bmp"));
}

std::optional<Variant> EditingOperations::invoke(DispId id, const std::vector<Variant> &args)
{
    switch (id) {
    case dispid::ReplaceText:
        if (args.size() < 2 || args.size() > 3)
            requireArgCount(args, 3);
        replaceText(stringArgument(args[0], "ReplaceText"), stringArgument(args[1], "ReplaceText"),
                    args.size() > 2 ? args[2].dereferenced().toInt() : 1);
        return Variant();
    case dispid::MarkCommand:
        requireArgCount(args, 3);
        return Variant::boolean(markCommand(stringArgument(args[0], "MarkCommand"),
                                            stringArgument(args[1], "MarkCommand"),
                                            stringArgument(args[2], "MarkCommand")));
    case dispid::HandSign:
        requireArgCount(args, 0);
        handSign();
        return Variant();
    case dispid::InsertFile:
        if (args.empty() || args.size() > 2)
            requireArgCount(args, 2);
        return Variant::boolean(insertFile(stringArgument(args[0], "InsertFile")));
    case dispid::ProtectDocument: {
        if (args.empty() || args.size() > 3)
            requireArgCount(args, 3);
        const int on = args[0].dereferenced().toInt();
        if (on != 0 && on != 1)
            fail(hresult::InvalidArgument,
                 QStringLiteral(
                     "ProtectDocument 的第一个参数应为 1（保护）或 0（解除保护），实际为 %1")
                     .arg(on));
        protectDocument(on == 1);
        return Variant();
    }
    case dispid::DocumentObject:
        requireArgCount(args, 0);
        return Variant::dispatch(documentObject());
    default:
        return std::nullopt;
    }
}

void EditingOperations::replaceText(const QString &find, const QString &replacement, int matchCase)
{
    const DocumentKind kind = requireDocument(QStringLiteral("替换"));
    if (kind != DocumentKind::Text)
        fail(hresult::Fail, QStringLiteral("只有文字文档可以替换内容"));
    if (find.isEmpty())
        fail(hresult::InvalidArgument, QStringLiteral("要替换的文字为空"));
    if (m_protected)
        fail(hresult::Fail, QStringLiteral("文档处于保护状态，不能替换内容；请先解除保护"));
    m_host.engine->call(
        QString::fromLatin1(engineprotocol::request::Replace),
        {{"find", find}, {"replacement", replacement}, {"matchCase", matchCase != 0}},
        EditTimeoutMs, QStringLiteral("替换“%1”").arg(find));
}

bool EditingOperations::markCommand(const QString &mark, const QString &value,
                                    const QString &keyword)
{
    const DocumentKind kind = requireDocument(QStringLiteral("MarkCommand"));
    const QString word = keyword.trimmed().toUpper();
    const bool addMark = word == QLatin1String("::ADDMARK::");
    const bool picture = word == QLatin1String("::JPG::");
    const bool floating = word == QLatin1String("::FLOATJPG::");
    if (!addMark && !picture && !floating)
        fail(hresult::InvalidArgument,
             QStringLiteral("MarkCommand 不支持命令“%1”（可用 ::ADDMARK::、::JPG::、::FLOATJPG::）")
                 .arg(keyword));
    if (mark.trimmed().isEmpty())
        fail(hresult::InvalidArgument, QStringLiteral("MarkCommand 的书签名称为空"));
    if (kind != DocumentKind::Text) {
        qCWarning(lcFramer) << "bookmarks need a text document; not applying" << keyword;
        return false;
    }
    if (m_protected)
        return false;
    if (addMark) {
        const auto reply = m_host.engine->call(
            QString::fromLatin1(engineprotocol::request::AddBookmark), {{"name", mark}},
            EditTimeoutMs, QStringLiteral("书签“%1”").arg(mark));
        return reply.header.value("done").toBool();
    }
    return insertPicture(mark, value, floating);
}

bool EditingOperations::insertPicture(const QString &mark, const QString &source, bool floating)
{
    if (source.trimmed().isEmpty())
        return false;
    QTemporaryDir folder;
    QString path;
    if (isWebAddress(source)) {
        if (!folder.isValid())
            fail(hresult::Fail, QStringLiteral("无法创建临时文件夹：%1").arg(folder.errorString()));
        path = folder.filePath(QStringLiteral("picture"));
        if (m_host.transferStarted)
            m_host.transferStarted(QStringLiteral("正在下载图片"), source);
        auto ended = qScopeGuard([this] {
            if (m_host.transferEnded)
                m_host.transferEnded();
        });
        try {
            downloadFile(*m_host.network, QUrl(source), path, m_host.transferProgress);
        } catch (const AutomationError &error) {
            qCWarning(lcFramer) << "picture" << source
                                << "not downloaded:" << QString::fromStdString(error.description());
            return false;
        }
    } else {
        try {
            path = hostPath(source);
        } catch (const AutomationError &error) {
            qCWarning(lcFramer) << "picture path" << source
                                << "not usable:" << QString::fromStdString(error.description());
            return false;
        }
    }
    // Check here what LibreOffice would otherwise silently skip.
    QImageReader reader(path);
    if (!QFileInfo(path).isFile() || !reader.canRead() || reader.read().isNull()) {
        qCWarning(lcFramer) << "picture" << source << "missing or not decodable:"
                            << (QFileInfo(path).isFile() ? reader.errorString()
                                                         : QStringLiteral("no such file"));
        return false;
    }
    const auto reply = m_host.engine->call(
        QString::fromLatin1(engineprotocol::request::InsertPicture),
        {{"mark", mark}, {"path", QFileInfo(path).absoluteFilePath()}, {"floating", floating}},
        EditTimeoutMs, QStringLiteral("图片“%1”").arg(source));
    if (!reply.header.value("done").toBool()) {
        qCWarning(lcFramer) << "picture" << source
                            << "not inserted:" << reply.header.value("reason").toString();
        return false;
    }
    return true;
}

void EditingOperations::handSign()
{
    // The pad belongs to the window that hosts the control at the time of the call.
    QWidget *parent = m_host.dialogParent ? m_host.dialogParent->window() : nullptr;
    QImage drawing;
    if (m_host.signaturePad) {
        drawing = m_host.signaturePad(parent);
    } else {
        SignatureDialog dialog(parent);
        if (dialog.exec() == QDialog::Accepted)
            drawing = dialog.pad()->signatureImage();
    }
    if (drawing.isNull())
        return; // cancelled: an older signature stays as it was
    const QString path = signaturePath();
    QString error;
    if (!writeBmpAtomically(drawing, path, &error))
        fail(hresult::Fail,
             QStringLiteral("无法保存签名到“%1”：%2").arg(QDir::toNativeSeparators(path), error));
}

bool EditingOperations::insertFile(const QString &path)
{
    const DocumentKind kind = requireDocument(QStringLiteral("InsertFile"));
    if (path.trimmed().isEmpty())
        return false;
    if (kind != DocumentKind::Text || m_protected)
        return false;
    QString file;
    try {
        file = hostPath(path);
    } catch (const AutomationError &error) {
        qCWarning(lcFramer) << "file" << path
                            << "not usable:" << QString::fromStdString(error.description());
        return false;
    }
    QFile input(file);
    if (!input.open(QIODevice::ReadOnly)) {
        qCWarning(lcFramer) << "cannot insert" << file << ":" << input.errorString();
        return false;
    }
    const QString filter = insertFilterFor(input.read(4096));
    input.close();
    if (filter.isEmpty()) {
        qCWarning(lcFramer) << "cannot insert" << file << ": content of an unknown kind";
        return false;
    }
    const auto reply =
        m_host.engine->call(QString::fromLatin1(engineprotocol::request::InsertFile),
                            {{"path", QFileInfo(file).absoluteFilePath()}, {"filter", filter}},
                            EditTimeoutMs, QStringLiteral("文件“%1”").arg(path));
    return reply.header.value("done").toBool();
}

void EditingOperations::protectDocument(bool on)
{
    requireDocument(on ? QStringLiteral("保护文档") : QStringLiteral("解除保护"));
    m_host.engine->call(QString::fromLatin1(engineprotocol::request::Protect), {{"on", on}},
                        EditTimeoutMs);
    m_protected = on;
    if (m_host.protectionChanged)
        m_host.protectionChanged(on);
}

std::shared_ptr<Dispatch> EditingOperations::documentObject()
{
    return makeDocumentObject(requireDocument(QStringLiteral("DocumentObject")), m_backend);
}

void EditingOperations::writeAtomically(const QString &target,
                                        const std::function<void(const QString &)> &produce)
{
    const QFileInfo info(target);
    if (info.fileName().isEmpty())
        fail(hresult::InvalidArgument, QStringLiteral("没有指定文件名"));
    const QString folder = info.absolutePath();
    // Drive C is created on demand; other folders must exist.
    if (target.startsWith(m_host.driveCRoot) && !QDir().mkpath(folder))
        fail(hresult::Fail,
             QStringLiteral("无法创建文件夹“%1”").arg(QDir::toNativeSeparators(folder)));
    if (!QDir(folder).exists())
        fail(hresult::Fail,
             QStringLiteral("文件夹“%1”不存在").arg(QDir::toNativeSeparators(folder)));
    const QString temporary = folder + QStringLiteral("/.") + info.fileName() + QLatin1Char('.') +
                              QUuid::createUuid().toString(QUuid::Id128).left(12) +
                              QStringLiteral(".part");
    auto cleanUp = qScopeGuard([temporary] { QFile::remove(temporary); });
    produce(temporary);
    if (QFileInfo(temporary).size() <= 0)
        fail(hresult::Fail,
             QStringLiteral("写入“%1”失败：文件为空").arg(QDir::toNativeSeparators(target)));
    if (std::rename(QFile::encodeName(temporary).constData(),
                    QFile::encodeName(info.absoluteFilePath()).constData()) != 0)
        fail(hresult::Fail, QStringLiteral("写入“%1”失败：%2")
                                .arg(QDir::toNativeSeparators(target),
                                     QString::fromLocal8Bit(std::strerror(errno))));
    cleanUp.dismiss();
}

void EditingOperations::saveDocumentAs(DocumentKind kind, const QString &fileName,
                                       const QString &format)
{
    if (requireDocument(QStringLiteral("SaveAs")) != kind)
        fail(hresult::Fail, QStringLiteral("文档已更换，原来的文档对象不再可用"));
    const QString target = hostPath(fileName);
    writeAtomically(target, [&](const QString &temporary) {
        m_host.engine->save(temporary, format, QFileInfo(target).fileName());
    });
}

void EditingOperations::exportActiveSheet(const QString &fileName)
{
    if (requireDocument(QStringLiteral("ExportAsFixedFormat")) != DocumentKind::Spreadsheet)
        fail(hresult::Fail, QStringLiteral("文档已更换，原来的工作表对象不再可用"));
    const QString target = hostPath(fileName);
    writeAtomically(target, [&](const QString &temporary) {
        m_host.engine->call(QString::fromLatin1(engineprotocol::request::ExportSheet),
                            {{"path", temporary}}, EditTimeoutMs, QFileInfo(target).fileName());
    });
}

} // namespace framer
