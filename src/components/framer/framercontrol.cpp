#include "framercontrol.h"

#include "arguments.h"
#include "automation/automationerror.h"
#include "documentfilecheck.h"
#include "editingoperations.h"
#include "filedialogs.h"
#include "transfers.h"
#include "windowspath.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLoggingCategory>
#include <QNetworkAccessManager>
#include <QScopeGuard>
#include <QTemporaryFile>
#include <QVBoxLayout>

#include <array>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <strings.h>

Q_DECLARE_LOGGING_CATEGORY(lcFramer)

using namespace automation;
using engineprotocol::DocumentKind;

namespace framer {

namespace {

struct Member
{
    const char *name;
    DispId id;
    InvokeKind kind;
};

constexpr std::array<Member, 12> Members = {{
    {"DocumentObject", dispid::DocumentObject, InvokeKind::PropertyGet},
    {"OpenDocument", dispid::OpenDocument, InvokeKind::Method},
    {"SaveDocument", dispid::SaveDocument, InvokeKind::Method},
    {"HandSign", dispid::HandSign, InvokeKind::Method},
    {"CloseDocument", dispid::CloseDocument, InvokeKind::Method},
    {"ShowFileDialog", dispid::ShowFileDialog, InvokeKind::Method},
    {"DocumentName", dispid::DocumentName, InvokeKind::PropertyGet},
    {"InsertFile", dispid::InsertFile, InvokeKind::Method},
    {"MarkCommand", dispid::MarkCommand, InvokeKind::Method},
    {"ProtectDocument", dispid::ProtectDocument, InvokeKind::Method},
    {"ReplaceText", dispid::ReplaceText, InvokeKind::Method},
    {"DownloadFile", dispid::DownloadFile, InvokeKind::Method},
}};

const Member *memberOf(DispId id)
{
    for (const Member &member : Members)
        if (member.id == id)
            return &member;
    return nullptr;
}

const QString OpenFilter = QStringLiteral(
    "Office 文档 (*.doc *.docx *.wps *.xls *.xlsx *.et *.ppt *.pptx *.dps *.odt *.ods *.odp "
    "*.rtf *.txt *.htm *.html);;所有文件 (*)");

QString saveFilter(DocumentKind kind, const QString &own)
{
    QStringList filters;
    switch (kind) {
    case DocumentKind::Text:
        filters = {
            QStringLiteral("Word 文档 (*.docx)"),   QStringLiteral("Word 97-2003 文档 (*.doc)"),
            QStringLiteral("ODF 文本文档 (*.odt)"), QStringLiteral("RTF 文档 (*.rtf)"),
            QStringLiteral("PDF (*.pdf)"),          QStringLiteral("纯文本 (*.txt)")};
        break;
    case DocumentKind::Spreadsheet:
        filters = {QStringLiteral("Excel 工作簿 (*.xlsx)"),
                   QStringLiteral("Excel 97-2003 工作簿 (*.xls)"),
                   QStringLiteral("ODF 电子表格 (*.ods)"), QStringLiteral("PDF (*.pdf)"),
                   QStringLiteral("CSV (*.csv)")};
        break;
    case DocumentKind::Presentation:
        filters = {QStringLiteral("PowerPoint 演示文稿 (*.pptx)"),
                   QStringLiteral("PowerPoint 97-2003 演示文稿 (*.ppt)"),
                   QStringLiteral("ODF 演示文稿 (*.odp)"), QStringLiteral("PDF (*.pdf)")};
        break;
    default:
        filters = {QStringLiteral("ODF 绘图 (*.odg)"), QStringLiteral("PDF (*.pdf)")};
        break;
    }
    // The document's own format comes first, so it is the default choice.
    for (qsizetype i = 0; i < filters.size(); ++i)
        if (filters[i].contains(QStringLiteral("*.%1)").arg(own)))
            filters.move(i, 0);
    return filters.join(QStringLiteral(";;"));
}

} // namespace

QString saveFormatForExtension(DocumentKind kind, const QString &extension)
{
    const QString ext = extension.toLower();
    static const QHash<QString, QString> kingsoft = {
        {QStringLiteral("wps"), QStringLiteral("doc")},
        {QStringLiteral("wpt"), QStringLiteral("doc")},
        {QStringLiteral("et"), QStringLiteral("xls")},
        {QStringLiteral("ett"), QStringLiteral("xls")},
        {QStringLiteral("dps"), QStringLiteral("ppt")},
        {QStringLiteral("dpt"), QStringLiteral("ppt")},
        {QStringLiteral("htm"), QStringLiteral("html")}};
    const QString format = kingsoft.value(ext, ext);
    QStringList formats{QStringLiteral("pdf")};
    switch (kind) {
    case DocumentKind::Text:
        formats << QStringLiteral("doc") << QStringLiteral("docx") << QStringLiteral("odt")
                << QStringLiteral("rtf") << QStringLiteral("txt") << QStringLiteral("html")
                << QStringLiteral("fodt");
        break;
    case DocumentKind::Spreadsheet:
        formats << QStringLiteral("xls") << QStringLiteral("xlsx") << QStringLiteral("ods")
                << QStringLiteral("csv") << QStringLiteral("html") << QStringLiteral("fods");
        break;
    case DocumentKind::Presentation:
        formats << QStringLiteral("ppt") << QStringLiteral("pptx") << QStringLiteral("odp")
                << QStringLiteral("fodp");
        break;
    default:
        formats << QStringLiteral("odg");
        break;
    }
    // A .wps is written as its Word-compatible twin only when the kind fits.
    if (format != ext && !formats.contains(format))
        return {};
    return formats.contains(format) ? format : QString();
}

QString ownFormat(DocumentKind kind, const QString &fileName, QByteArrayView head)
{
    if (const QString format = saveFormatForExtension(kind, QFileInfo(fileName).suffix());
        !format.isEmpty() && format != QLatin1String("pdf"))
        return format;
    const auto pick = [kind](const char *text, const char *sheet, const char *slides) {
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
    };
    switch (detectSignature(head)) {
    case FileSignature::Ole2:
        return pick("doc", "xls", "ppt");
    case FileSignature::Zip:
        // OpenDocument packages start with an uncompressed "mimetype" entry.
        if (head.size() > 38 && head.sliced(30, 8) == QByteArrayView("mimetype"))
            return pick("odt", "ods", "odp");
        return pick("docx", "xlsx", "pptx");
    case FileSignature::Rtf:
        if (kind == DocumentKind::Text)
            return QStringLiteral("rtf");
        break;
    case FileSignature::Markup:
        if (kind == DocumentKind::Text || kind == DocumentKind::Spreadsheet)
            return QStringLiteral("html");
        break;
    case FileSignature::Text:
        if (kind == DocumentKind::Text)
            return QStringLiteral("txt");
        if (kind == DocumentKind::Spreadsheet)
            return QStringLiteral("csv");
        break;
    default:
        break;
    }
    return pick("odt", "ods", "odp");
}

class FramerControl::BusyScope
{
public:
    explicit BusyScope(FramerControl &control) : m_control(control)
    {
        if (m_control.m_busy)
            fail(hresult::Fail, QStringLiteral("文档控件正在处理上一个操作，请稍候再试"));
        m_control.m_busy = true;
    }
    ~BusyScope() { m_control.m_busy = false; }

private:
    FramerControl &m_control;
};

FramerControl::FramerControl(QWidget *parent) : FramerControl(Services(), parent) {}

FramerControl::FramerControl(Services services, QWidget *parent)
    : QWidget(parent), m_services(std::move(services))
{
    setObjectName(QStringLiteral("Quillary1"));
    setAccessibleName(QStringLiteral("文档控件"));
    setFocusPolicy(Qt::StrongFocus);
    if (!m_services.network) {
        m_ownNetwork = std::make_unique<QNetworkAccessManager>();
        m_services.network = m_ownNetwork.get();
    }
    if (!m_services.fileDialogs) {
        m_ownDialogs = std::make_unique<platform::QtFileDialogs>();
        m_services.fileDialogs = m_ownDialogs.get();
    }
    if (m_services.driveCRoot.isEmpty())
        m_services.driveCRoot = platform::defaultDriveCRoot();

    m_engine = new EngineClient(m_services.engine, this);
    m_view = new DocumentView(m_engine, this);
    setFocusProxy(m_view);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_view);
    connect(m_engine, &EngineClient::engineStopped, this, &FramerControl::onEngineStopped);
    setUpEditing();
    // LibreOffice takes a while to start; the first open should not pay for it.
    m_engine->start();
}

FramerControl::~FramerControl() = default;

Variant FramerControl::invoke(DispId id, InvokeKind kind, const std::vector<Variant> &args)
{
    const Member *member = memberOf(id);
    if (!member)
        throw AutomationError(hresult::MemberNotFound, "文档控件不支持该成员");
    if (member->kind != kind &&
        !(member->kind == InvokeKind::PropertyGet && kind == InvokeKind::Method))
        throw AutomationError(hresult::MemberNotFound,
                              std::string("成员 ") + member->name + " 不支持这种调用方式");
    if (auto result = invokeEditing(id, args))
        return *result;
    switch (id) {
    case dispid::OpenDocument:
        requireArgCount(args, 1);
        openDocument(stringArgument(args[0], member->name));
        return {};
    case dispid::SaveDocument:
        requireArgCount(args, 1);
        saveDocument(stringArgument(args[0], member->name));
        return {};
    case dispid::CloseDocument:
        requireArgCount(args, 0);
        closeDocument();
        return {};
    case dispid::ShowFileDialog:
        requireArgCount(args, 1);
        showFileDialog(args[0].toInt());
        return {};
    case dispid::DocumentName:
        requireArgCount(args, 0);
        return Variant::bstr(m_documentName.toStdString());
    case dispid::DownloadFile:
        requireArgCount(args, 2);
        downloadFile(stringArgument(args[0], member->name), stringArgument(args[1], member->name));
        return {};
    default:
        notImplemented(member->name);
    }
}

DispId FramerControl::idOfName(std::string_view name)
{
    const std::string key(name);
    for (const Member &member : Members)
        if (strcasecmp(member.name, key.c_str()) == 0)
            return member.id;
    throw unknownName(name);
}

void FramerControl::notImplemented(std::string_view member) const
{
    throw AutomationError(hresult::NotImplemented,
                          "文档控件的 " + std::string(member) + " 功能尚未实现");
}

QString FramerControl::hostPath(const QString &path) const
{
    return platform::mapWindowsPath(path, m_services.driveCRoot);
}

void FramerControl::openDocument(const QString &source)
{
    BusyScope busy(*this);
    if (source.trimmed().isEmpty())
        fail(hresult::InvalidArgument, QStringLiteral("没有指定要打开的文档（路径或网址为空）"));
    if (isWebAddress(source))
        return openFromAddress(source);
    QString path;
    if (const QUrl url(source); url.isLocalFile()) {
        path = url.toLocalFile();
    } else if (source.contains(QLatin1String("://"))) {
        fail(hresult::InvalidArgument,
             QStringLiteral("无法打开“%1”：只支持 http、https 地址和本地路径").arg(source));
    } else {
        path = hostPath(source);
    }
    openLocal(path, QFileInfo(path).fileName());
}

void FramerControl::openFromAddress(const QString &address)
{
    const QString folder = m_work.filePath(QStringLiteral("open-%1").arg(++m_workCount));
    QDir().mkpath(folder);
    auto cleanUp = qScopeGuard([folder] { QDir(folder).removeRecursively(); });

    const QString incoming = folder + QStringLiteral("/incoming");
    m_view->showTransfer(QStringLiteral("正在下载"), address);
    auto hideProgress = qScopeGuard([this] { m_view->hideTransfer(); });
    const DownloadResult result = framer::downloadFile(
        *m_services.network, QUrl(address), incoming,
        [this](qint64 done, qint64 total) { m_view->setTransferProgress(done, total); });
    hideProgress.dismiss();
    m_view->hideTransfer();

    const QString name = result.fileName.isEmpty() ? QStringLiteral("document") : result.fileName;
    const QString path = folder + QLatin1Char('/') + name;
    if (!QFile::rename(incoming, path))
        fail(hresult::Fail, QStringLiteral("打开“%1”失败：无法保存下载的文件").arg(address));
    try {
        openLocal(path, name);
    } catch (const AutomationError &error) {
        fail(error.number(), QStringLiteral("%1（地址：%2）")
                                 .arg(QString::fromStdString(error.description()), address));
    }
    cleanUp.dismiss();
    m_downloadFolder = folder;
}

void FramerControl::openLocal(const QString &path, const QString &name)
{
    if (const auto problem = checkDocumentFile(path, name))
        fail(hresult::Fail, *problem);
    const DocumentInfo info = m_engine->load(path, name);
    QByteArray head;
    if (QFile file(path); file.open(QIODevice::ReadOnly))
        head = file.read(64);

    const QString previousDownload = std::exchange(m_downloadFolder, QString());
    if (!previousDownload.isEmpty())
        QDir(previousDownload).removeRecursively();
    m_documentName = name;
    m_documentFormat = ownFormat(info.kind, name, head);
    m_view->setDocument(info);
    m_editing->documentChanged();
    if (isVisible())
        m_view->setFocus(Qt::OtherFocusReason);
    m_view->drawNow();
}

void FramerControl::forgetDocument()
{
    m_editing->documentChanged();
    m_documentName.clear();
    m_documentFormat.clear();
    if (!m_downloadFolder.isEmpty())
        QDir(std::exchange(m_downloadFolder, QString())).removeRecursively();
}

void FramerControl::closeDocument()
{
    BusyScope busy(*this);
    const bool loaded = m_view->hasDocument();
    forgetDocument();
    m_view->clearDocument();
    if (loaded)
        m_engine->close();
}

void FramerControl::onEngineStopped()
{
    if (!m_view->hasDocument())
        return;
    const QString name = m_documentName;
    forgetDocument();
    m_view->clearDocument(
        QStringLiteral("文档引擎意外停止，文档“%1”已关闭。请重新打开文档。").arg(name));
}

void FramerControl::showFileDialog(int kind)
{
    BusyScope busy(*this);
    if (kind == 1) {
        const QString path =
            m_services.fileDialogs->openFileName(this, QStringLiteral("打开文档"), OpenFilter);
        if (!path.isEmpty())
            openLocal(path, QFileInfo(path).fileName());
        return;
    }
    if (kind == 3) {
        if (!m_view->hasDocument())
            fail(hresult::Fail, QStringLiteral("没有打开的文档，无法保存"));
        QString suggested = QFileInfo(m_documentName).completeBaseName();
        if (suggested.isEmpty())
            suggested = QStringLiteral("document");
        suggested += QLatin1Char('.') + m_documentFormat;
        const QString folder =
            m_lastSaveFolder.isEmpty() ? m_services.driveCRoot : m_lastSaveFolder;
        const QString path = m_services.fileDialogs->saveFileName(
            this, QStringLiteral("保存文档"), folder + QLatin1Char('/') + suggested,
            saveFilter(m_view->document().kind, m_documentFormat));
        if (!path.isEmpty())
            saveLocal(path);
        return;
    }
    fail(hresult::InvalidArgument,
         QStringLiteral("ShowFileDialog 不支持类型 %1（1 为打开，3 为保存）").arg(kind));
}

void FramerControl::saveLocal(QString path)
{
    QFileInfo target(path);
    QString extension = target.suffix().toLower();
    if (extension.isEmpty()) {
        extension = m_documentFormat;
        path += QLatin1Char('.') + extension;
        target.setFile(path);
    }
    const QString format = saveFormatForExtension(m_view->document().kind, extension);
    if (format.isEmpty())
        fail(hresult::InvalidArgument,
             QStringLiteral("无法把文档“%1”保存为“.%2”格式").arg(m_documentName, extension));
    if (!target.absoluteDir().exists())
        fail(hresult::Fail,
             QStringLiteral("保存“%1”失败：文件夹不存在").arg(QDir::toNativeSeparators(path)));

    // Written beside the target under a temporary name, then renamed over it in one step.
    QTemporaryFile temporary(target.absolutePath() + QStringLiteral("/.") + target.fileName() +
                             QStringLiteral(".XXXXXX.") + extension);
    if (!temporary.open())
        fail(hresult::Fail, QStringLiteral("保存“%1”失败：%2")
                                .arg(QDir::toNativeSeparators(path), temporary.errorString()));
    temporary.close();
    m_engine->save(temporary.fileName(), format, m_documentName);
    if (std::rename(QFile::encodeName(temporary.fileName()).constData(),
                    QFile::encodeName(target.absoluteFilePath()).constData()) != 0)
        fail(hresult::Fail, QStringLiteral("保存“%1”失败：%2")
                                .arg(QDir::toNativeSeparators(path),
                                     QString::fromLocal8Bit(std::strerror(errno))));
    temporary.setAutoRemove(false);
    m_lastSaveFolder = target.absolutePath();
}

void FramerControl::saveDocument(const QString &url)
{
    BusyScope busy(*this);
    if (!m_view->hasDocument())
        fail(hresult::Fail, QStringLiteral("没有打开的文档，无法保存到“%1”").arg(url));
    const QString folder = m_work.filePath(QStringLiteral("upload-%1").arg(++m_workCount));
    QDir().mkpath(folder);
    auto cleanUp = qScopeGuard([folder] { QDir(folder).removeRecursively(); });

    QString uploadName = m_documentName;
    if (QFileInfo(uploadName).suffix().toLower() != m_documentFormat &&
        saveFormatForExtension(m_view->document().kind, QFileInfo(uploadName).suffix()) !=
            m_documentFormat)
        uploadName += QLatin1Char('.') + m_documentFormat;
    const QString path = folder + QLatin1Char('/') + uploadName;
    m_engine->save(path, m_documentFormat, m_documentName);

    m_view->showTransfer(QStringLiteral("正在上传"), url);
    auto hideProgress = qScopeGuard([this] { m_view->hideTransfer(); });
    framer::uploadFile(
        *m_services.network, QUrl(url), path, uploadName, QStringLiteral("file"),
        [this](qint64 done, qint64 total) { m_view->setTransferProgress(done, total); });
}

void FramerControl::downloadFile(const QString &target, const QString &url)
{
    BusyScope busy(*this);
    if (target.trimmed().isEmpty())
        fail(hresult::InvalidArgument, QStringLiteral("下载“%1”失败：没有指定保存位置").arg(url));
    const QString path = hostPath(target);
    const QString folder = QFileInfo(path).absolutePath();
    // Drive C is created on demand; other folders must exist.
    if (path.startsWith(m_services.driveCRoot) && !QDir().mkpath(folder))
        fail(hresult::Fail, QStringLiteral("下载“%1”失败：无法创建文件夹“%2”")
                                .arg(url, QDir::toNativeSeparators(folder)));
    m_view->showTransfer(QStringLiteral("正在下载"), url);
    auto hideProgress = qScopeGuard([this] { m_view->hideTransfer(); });
    framer::downloadFile(*m_services.network, QUrl(url), path, [this](qint64 done, qint64 total) {
        m_view->setTransferProgress(done, total);
    });
}

} // namespace framer
