#include "enginecore.h"

#include "callbacktranslation.h"
#include "documentclipboard.h"
#include "documentcomments.h"
#include "documentediting.h"
#include "documentprotection.h"
#include "documentreview.h"
#include "externalcontent.h"
#include "officepackage.h"
#include "refusals.h"
#include "sheetcells.h"

#include "enginetrace.h"

#include <LibreOfficeKit/LibreOfficeKitEnums.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>

using namespace engineprotocol;

namespace enginecore {

namespace {

// The requests that apply to one kind of document only, refused for the others.
std::optional<Reply> kindRefusal(const Request &request, DocumentKind kind)
{
    const bool textOnly = std::holds_alternative<request::Replace>(request) ||
                          std::holds_alternative<request::AddBookmark>(request) ||
                          std::holds_alternative<request::InsertPicture>(request) ||
                          std::holds_alternative<request::InsertFile>(request);
    if (textOnly && kind != DocumentKind::Text)
        return refuse(ErrorCode::WrongKind, QStringLiteral("只有文字文档支持该操作"));
    if (std::holds_alternative<request::ExportSheet>(request) && kind != DocumentKind::Spreadsheet)
        return refuse(ErrorCode::WrongKind, QStringLiteral("只有电子表格可以导出当前工作表"));
    const bool cells = std::holds_alternative<request::RowColumnHeaders>(request) ||
                       std::holds_alternative<request::EnterCellText>(request) ||
                       std::holds_alternative<request::GoToCell>(request);
    const bool review = std::holds_alternative<request::TrackedChanges>(request) ||
                        std::holds_alternative<request::Review>(request) ||
                        std::holds_alternative<request::Compare>(request);
    const bool recorded = std::holds_alternative<request::TrackedChanges>(request) ||
                          std::holds_alternative<request::Review>(request);
    if (review && kind != DocumentKind::Text && !(recorded && kind == DocumentKind::Spreadsheet))
        return refuse(ErrorCode::WrongKind, QStringLiteral("只有文字文档和电子表格可以修订"));
    const bool comments = std::holds_alternative<request::Comments>(request) ||
                          std::holds_alternative<request::CommentAction>(request);
    if (comments && kind != DocumentKind::Text && kind != DocumentKind::Spreadsheet &&
        kind != DocumentKind::Presentation)
        return refuse(ErrorCode::WrongKind,
                      QStringLiteral("只有文字文档、电子表格和演示文稿可以批注"));
    if (cells && kind != DocumentKind::Spreadsheet)
        return refuse(ErrorCode::WrongKind, QStringLiteral("只有电子表格有单元格"));
    if (std::holds_alternative<request::PartThumbnail>(request) &&
        kind != DocumentKind::Presentation && kind != DocumentKind::Drawing)
        return refuse(ErrorCode::WrongKind, QStringLiteral("只有演示文稿和绘图有幻灯片缩略图"));
    return std::nullopt;
}

} // namespace

EngineCore::EngineCore(OfficeBackend &office, EventSink events, std::function<void()> wake,
                       RecoveryTiming recoveryTiming)
    : m_office(office), m_events(std::move(events)),
      m_callbacks([this](const Callback &callback) { onCallback(callback); }, std::move(wake)),
      m_commands(m_callbacks),
      m_recovery([this](const QString &path,
                        const QString &format) { return !writeFile(path, format).has_value(); },
                 recoveryTiming)
{
}

EngineCore::~EngineCore()
{
    closeDocument();
}

void EngineCore::drainCallbacks()
{
    m_callbacks.drain();
}

void EngineCore::onCallback(const Callback &callback)
{
    if (!m_document)
        return;
    m_where.observe(callback);
    auto event = translateCallback(callback, *m_document);
    if (!event)
        return;
    // A sheet export goes through the sheets and comes back; the view stays where it is. Nor
    // does a move that the document no longer shows reach it, or it would ask for that part.
    if (const auto *moved = std::get_if<event::PartChanged>(&*event);
        moved && m_kind != DocumentKind::Text &&
        (m_passingThroughParts || moved->part != m_document->part()))
        return;
    m_events(*event);
}

Reply EngineCore::handle(const Request &request)
{
    // Callbacks queued so far belong before the answer to this request.
    drainCallbacks();
    if (const auto *load = std::get_if<request::Load>(&request)) {
        applySettings(load->settings);
        return this->load(load->path);
    }
    if (const auto *settings = std::get_if<request::ApplySettings>(&request)) {
        applySettings(settings->settings);
        return reply::Done{};
    }
    if (std::holds_alternative<request::Close>(request)) {
        closeDocument();
        return reply::Done{};
    }
    if (!m_document)
        return refuse(ErrorCode::NoDocument, QStringLiteral("no document is loaded"));
    if (auto refused = kindRefusal(request, m_kind))
        return *refused;
    if (auto refused = m_protection.refusal(request))
        return *refused;
    m_passingThroughParts = std::holds_alternative<request::ExportSheet>(request);
    Reply reply = route(request);
    // What the request changed goes out with its answer, not a turn of the event loop later: a
    // command's result comes before LibreOffice's invalidations of it.
    m_passingThroughParts = false;
    drainCallbacks();
    reportSheetChanges(request);
    m_recovery.handled(request, reply, RecoveryKeeper::Clock::now());
    return reply;
}

void EngineCore::reportSheetChanges(const Request &request)
{
    if (m_kind != DocumentKind::Spreadsheet || !mayChangeDocument(request))
        return;
    QByteArray changes = m_document->commandValues(".uno:AcceptTrackedChanges");
    if (changes != std::exchange(m_sheetChanges, changes))
        m_events(event::TrackedChangesChanged{});
}

std::optional<RecoveryKeeper::Clock::time_point> EngineCore::recoveryDue() const
{
    return m_recovery.due();
}

void EngineCore::writeRecoveryIfDue(RecoveryKeeper::Clock::time_point now)
{
    drainCallbacks();
    if (m_document)
        m_recovery.writeIfDue(now);
}

Reply EngineCore::route(const Request &request)
{
    return std::visit(
        [this, &request](const auto &r) -> Reply {
            using R = std::decay_t<decltype(r)>;
            if constexpr (std::is_same_v<R, request::Info>)
                return info();
            else if constexpr (std::is_same_v<R, request::SetPart>)
                return setPart(r.part);
            else if constexpr (std::is_same_v<R, request::Tile>)
                return tile(r);
            else if constexpr (std::is_same_v<R, request::Key>)
                return key(r);
            else if constexpr (std::is_same_v<R, request::Mouse>)
                return mouse(r);
            else if constexpr (std::is_same_v<R, request::Uno>)
                return uno(r);
            else if constexpr (std::is_same_v<R, request::Save>)
                return save(r);
            else if constexpr (std::is_same_v<R, request::TextSelection>)
                return textSelection();
            else if constexpr (std::is_same_v<R, request::Composition>)
                return composition(r);
            else if constexpr (std::is_same_v<R, request::PageRectangles>)
                return pageRectangles();
            else if constexpr (std::is_same_v<R, request::Protect>) {
                m_protection.setProtected(r.on);
                return reply::Protection{r.on};
            } else if constexpr (std::is_same_v<R, request::KeepRecovery>) {
                m_recovery.keep(r.path, r.format);
                return reply::Done{};
            } else if constexpr (std::is_same_v<R, request::MarkSaved>) {
                m_recovery.markSaved();
                return reply::Done{};
            } else if constexpr (std::is_same_v<R, request::PartThumbnail>)
                return thumbnail(r);
            else if constexpr (std::is_same_v<R, request::RowColumnHeaders>)
                return rowColumnHeaders(*m_document, r.twips);
            else if constexpr (std::is_same_v<R, request::EnterCellText>)
                return enterCellText(m_commands, r);
            else if constexpr (std::is_same_v<R, request::GoToCell>)
                return goToCell(m_commands, r);
            else if constexpr (std::is_same_v<R, request::TrackedChanges>)
                return trackedChanges(*m_document, m_kind);
            else if constexpr (std::is_same_v<R, request::Review>)
                return review(m_commands, *m_document, r, m_kind);
            else if constexpr (std::is_same_v<R, request::Compare>)
                return compare(m_commands, *m_document, r, m_settings.author);
            else if constexpr (std::is_same_v<R, request::Comments>)
                return comments(*m_document);
            else if constexpr (std::is_same_v<R, request::CommentAction>)
                return commentAction(m_commands, *m_document, r, m_kind, m_settings.author);
            else
                return edit(request);
        },
        request);
}

reply::DocumentInfo EngineCore::info()
{
    reply::DocumentInfo info;
    info.kind = m_kind;
    info.parts = m_document->parts();
    info.part = m_document->part();
    for (int i = 0; i < info.parts; ++i)
        info.partNames.append(m_document->partName(i));
    const TwipSize size = m_document->documentSize();
    info.width = size.width;
    info.height = size.height;
    info.isProtected = m_protection.isProtected();
    info.namesExternalContent = m_namesExternalContent;
    return info;
}

Reply EngineCore::load(const QString &path)
{
    const QFileInfo source(path);
    if (!source.isFile())
        return refuse(ErrorCode::LoadFailed, QStringLiteral("%1 is not a readable file").arg(path));
    if (!m_work.isValid())
        return refuse(ErrorCode::LoadFailed,
                      QStringLiteral("no work folder: %1").arg(m_work.errorString()));
    // Load a private copy: a stale lock file next to the original never makes the document
    // read-only, and the engine leaves no lock files in the user's folders.
    const QString folder = m_work.filePath(QString::number(++m_loadCount));
    QDir().mkpath(folder);
    const QString copy = folder + QLatin1Char('/') + source.fileName();
    if (!QFile::copy(path, copy))
        return refuse(ErrorCode::LoadFailed,
                      QStringLiteral("cannot copy %1 to %2").arg(path, copy));

    // A package that would unpack to gigabytes is refused before LibreOffice unpacks any of it.
    const PackageCheck package = checkPackage(copy);
    if (package.verdict == PackageCheck::TooLarge || package.verdict == PackageCheck::Damaged) {
        QDir(folder).removeRecursively();
        return refuse(package.verdict == PackageCheck::TooLarge ? ErrorCode::TooLarge
                                                                : ErrorCode::LoadFailed,
                      QStringLiteral("%1: %2").arg(source.fileName(), package.detail));
    }
    // LibreOffice would hold a protected file read-only; the engine decides protection itself.
    const bool carriesProtection = takeProtection(copy, true);
    // The document shown so far stays until the new one has loaded.
    std::unique_ptr<DocumentBackend> loaded = m_office.load(copy);
    if (!loaded) {
        const QString error = m_office.lastError();
        const auto failure = m_office.lastLoadFailure();
        QDir(folder).removeRecursively();
        return refuse(
            failure == OfficeBackend::LoadFailure::NeedsPassword   ? ErrorCode::Encrypted
            : failure == OfficeBackend::LoadFailure::UnknownFormat ? ErrorCode::Unsupported
                                                                   : ErrorCode::LoadFailed,
            error.isEmpty() ? QStringLiteral("LibreOffice cannot load %1").arg(path) : error);
    }
    const bool external = namesExternalContent(copy);
    closeDocument();
    m_document = std::move(loaded);
    m_documentFolder = folder;
    m_kind = documentKindOf(m_document->documentType());
    m_sheetChanges = m_kind == DocumentKind::Spreadsheet
                         ? m_document->commandValues(".uno:AcceptTrackedChanges")
                         : QByteArray();
    m_namesExternalContent = external;
    m_protection.setProtected(carriesProtection && m_kind == DocumentKind::Text);
    if (!m_settings.author.isEmpty())
        m_document->setAuthor(m_settings.author);
    m_recovery.setDocumentKind(m_kind);
    m_commands.setDocument(m_document.get());
    m_document->listen([this](int type, const QByteArray &payload) {
        qCDebug(lcLatency) << "engine: LibreOffice callback" << type << payload.left(60);
        m_callbacks.push(type, payload);
    });
    if (m_kind != DocumentKind::Text && m_document->parts() > 0)
        m_document->setPart(0);
    return info();
}

void EngineCore::applySettings(const UserSettings &settings)
{
    const bool newAuthor = settings.author != m_settings.author;
    m_settings = settings;
    m_protection.setReadOnly(settings.readOnly);
    if (m_document && newAuthor && !settings.author.isEmpty())
        m_document->setAuthor(settings.author);
}

void EngineCore::closeDocument()
{
    if (!m_document)
        return;
    m_commands.setDocument(nullptr);
    m_document.reset();
    m_protection.reset();
    m_recovery.stop();
    m_where.clear();
    QDir(std::exchange(m_documentFolder, QString())).removeRecursively();
    // Callbacks of the old document must not reach the client as the new one's.
    m_callbacks.clear();
}

Reply EngineCore::uno(const request::Uno &request)
{
    const QByteArray command = request.command.toUtf8();
    if (m_kind == DocumentKind::Spreadsheet && command == ".uno:TraceChangeMode" &&
        sheetKeepsRecording(*m_document, request.arguments))
        return refuse(ErrorCode::Failed, KeepsRecordingText);
    if (!request.wait)
        return m_commands.post(command, request.arguments) ? Reply(reply::Done{})
                                                           : inputNotSettled();
    if (auto result = m_commands.run(command, request.arguments, request.timeoutMs))
        return *result;
    return refuse(ErrorCode::NotFinished, QStringLiteral("%1 did not finish").arg(request.command));
}

Reply EngineCore::save(const request::Save &request)
{
    if (request.path.isEmpty())
        return refuse(ErrorCode::BadRequest, QStringLiteral("no target path"));
    if (const auto error = writeFile(request.path, request.format, request.options))
        return refuse(error->isEmpty() ? ErrorCode::NotFinished : ErrorCode::SaveFailed,
                      error->isEmpty()
                          ? QStringLiteral("pending edits did not finish before saving")
                          : *error);
    m_recovery.saved(request.path, request.format);
    return reply::Saved{QFileInfo(request.path).size()};
}

std::optional<QString> EngineCore::writeFile(const QString &path, const QString &format,
                                             const QString &options)
{
    // Empty: the input typed so far did not settle.
    if (!m_commands.settleInput())
        return QString();
    const bool saved = m_document->saveAs(path, format.toUtf8(), options.toUtf8());
    if (!saved || !QFileInfo(path).isFile()) {
        const QString error = m_office.lastError();
        return QStringLiteral("cannot save to %1: %2")
            .arg(path, error.isEmpty() ? QStringLiteral("unknown error") : error);
    }
    QString error;
    if (m_kind == DocumentKind::Text &&
        !writeProtection(path, m_protection.isProtected(), &error)) {
        QFile::remove(path);
        return QStringLiteral("cannot save to %1: %2").arg(path, error);
    }
    return std::nullopt;
}

Reply EngineCore::textSelection()
{
    if (!m_commands.settleInput())
        return inputNotSettled();
    return reply::Text{m_document->textSelection("text/plain;charset=utf-8")};
}

Reply EngineCore::edit(const Request &request)
{
    EditContext context{*m_document, m_commands, m_work.filePath(QStringLiteral("editing"))};
    if (const auto *find = std::get_if<request::Find>(&request)) {
        SearchContext search{*m_document, m_commands, m_where, m_kind == DocumentKind::Text};
        return findText(search, *find);
    }
    if (const auto *copy = std::get_if<request::Copy>(&request))
        return copySelection(context, *copy);
    if (const auto *content = std::get_if<request::Paste>(&request))
        return paste(context, *content, m_kind);
    if (const auto *replace = std::get_if<request::Replace>(&request))
        return replaceText(context, *replace);
    if (const auto *mark = std::get_if<request::AddBookmark>(&request))
        return addBookmark(context, *mark);
    if (const auto *picture = std::get_if<request::InsertPicture>(&request))
        return insertPicture(context, *picture);
    if (const auto *file = std::get_if<request::InsertFile>(&request))
        return insertFile(context, *file);
    if (const auto *sheet = std::get_if<request::ExportSheet>(&request))
        return exportActiveSheet(context, *sheet, m_protection.wasEdited());
    if (std::holds_alternative<request::Sheets>(request))
        return sheetList(context);
    return refuse(ErrorCode::BadRequest,
                  QStringLiteral("request %1 is not handled here").arg(request.index()));
}

} // namespace enginecore
