#include "core/documentreviewer.h"

#include "core/controlfailure.h"
#include "core/controlsession.h"
#include "core/formatrules.h"
#include "core/transfers.h"

#include <QDir>
#include <QFileInfo>
#include <QScopeGuard>
#include <QUrl>

#include <QTimer>

using namespace engineprotocol;

namespace framer {

namespace {

QString operationName(request::ReviewAction action)
{
    switch (action) {
    case request::ReviewAction::Record:
        return QStringLiteral("修订");
    case request::ReviewAction::Show:
        return QStringLiteral("显示修订");
    case request::ReviewAction::GoTo:
        return QStringLiteral("转到修订");
    case request::ReviewAction::Next:
        return QStringLiteral("下一处修订");
    case request::ReviewAction::Previous:
        return QStringLiteral("上一处修订");
    case request::ReviewAction::Accept:
        return QStringLiteral("接受修订");
    case request::ReviewAction::Reject:
        return QStringLiteral("拒绝修订");
    case request::ReviewAction::AcceptAll:
        return QStringLiteral("全部接受修订");
    case request::ReviewAction::RejectAll:
        return QStringLiteral("全部拒绝修订");
    }
    return QStringLiteral("修订");
}

} // namespace

DocumentReviewer::DocumentReviewer(ControlSession &session, QObject *parent)
    : QObject(parent), m_session(session)
{
    connect(&session.engine(), &EngineClient::eventReceived, this, [this](const Event &event) {
        if (std::holds_alternative<event::TrackedChangesChanged>(event))
            scheduleChanged();
        else if (std::holds_alternative<event::CommentsChanged>(event))
            scheduleCommentsChanged();
    });
    // Another document has other changes, none has none.
    connect(&session.model(), &DocumentModel::documentChanged, this,
            &DocumentReviewer::scheduleChanged);
    connect(&session.model(), &DocumentModel::documentChanged, this,
            &DocumentReviewer::scheduleCommentsChanged);
}

void DocumentReviewer::scheduleChanged()
{
    emitOnce(m_changedPending, &DocumentReviewer::changesChanged);
}

void DocumentReviewer::scheduleCommentsChanged()
{
    emitOnce(m_commentsPending, &DocumentReviewer::commentsChanged);
}

void DocumentReviewer::emitOnce(bool &pending, void (DocumentReviewer::*signal)())
{
    // Accepting a thousand changes reports each; the host hears of them once.
    if (std::exchange(pending, true))
        return;
    QTimer::singleShot(0, this, [this, &pending, signal] {
        pending = false;
        emit(this->*signal)();
    });
}

void DocumentReviewer::requireCommentable(const QString &operation) const
{
    const DocumentKind kind = m_session.requireDocument(operation).kind;
    if (kind != DocumentKind::Text && kind != DocumentKind::Spreadsheet &&
        kind != DocumentKind::Presentation)
        fail(QStringLiteral("只有文字文档、电子表格和演示文稿可以%1").arg(operation));
}

void DocumentReviewer::requireText(const QString &operation) const
{
    if (m_session.requireDocument(operation).kind != DocumentKind::Text)
        fail(QStringLiteral("只有文字文档可以%1").arg(operation));
}

void DocumentReviewer::requireRecordable(const QString &operation) const
{
    const DocumentKind kind = m_session.requireDocument(operation).kind;
    if (kind != DocumentKind::Text && kind != DocumentKind::Spreadsheet)
        fail(QStringLiteral("只有文字文档和电子表格可以%1").arg(operation));
}

QList<TrackedChange> DocumentReviewer::changes()
{
    requireRecordable(QStringLiteral("列出修订"));
    return m_session.engine()
        .call<reply::ChangeList>(request::TrackedChanges{}, timeouts::EditMs)
        .changes;
}

reply::EditOutcome DocumentReviewer::review(request::ReviewAction action, int id, bool on)
{
    const QString operation = operationName(action);
    requireRecordable(operation);
    const bool byId = action == request::ReviewAction::GoTo ||
                      action == request::ReviewAction::Accept ||
                      action == request::ReviewAction::Reject;
    if (byId && id <= 0)
        fail(quillary::ControlError::InvalidArgument, QStringLiteral("修订编号 %1 无效").arg(id));
    return m_session.engine().call<reply::EditOutcome>(request::Review{action, id, on},
                                                       timeouts::EditMs, operation);
}

reply::EditOutcome DocumentReviewer::compare(const QString &source)
{
    const QString operation = QStringLiteral("比较文档");
    requireText(operation);
    if (source.trimmed().isEmpty())
        fail(quillary::ControlError::InvalidArgument, QStringLiteral("没有指定要比较的文档"));
    QString folder;
    const auto cleanUp = qScopeGuard([&folder] {
        if (!folder.isEmpty())
            QDir(folder).removeRecursively();
    });
    QString path = source;
    if (isWebAddress(source)) {
        folder = m_session.newWorkFolder(QStringLiteral("compare"));
        path = m_session.fetch(source, QStringLiteral("正在下载"), folder);
    } else if (const QUrl url(source); url.isLocalFile()) {
        path = url.toLocalFile();
    }
    // A download is named as the server named it.
    const QString name = QFileInfo(path).fileName();
    if (const auto problem = checkDocumentFile(path, name))
        fail(*problem);
    reply::EditOutcome outcome;
    m_session.engine().reading(path, [&](const QString &staged) {
        outcome = m_session.engine().call<reply::EditOutcome>(request::Compare{staged},
                                                              timeouts::LoadMs, name);
    });
    return outcome;
}

QList<Comment> DocumentReviewer::comments()
{
    requireCommentable(QStringLiteral("列出批注"));
    return m_session.engine()
        .call<reply::CommentList>(request::Comments{}, timeouts::EditMs)
        .comments;
}

reply::EditOutcome DocumentReviewer::comment(request::CommentOperation operation, int id,
                                             const QString &text)
{
    using Operation = request::CommentOperation;
    const QString name = operation == Operation::Insert   ? QStringLiteral("插入批注")
                         : operation == Operation::Reply  ? QStringLiteral("回复批注")
                         : operation == Operation::Edit   ? QStringLiteral("编辑批注")
                         : operation == Operation::Delete ? QStringLiteral("删除批注")
                                                          : QStringLiteral("转到批注");
    requireCommentable(name);
    if (operation != Operation::Insert && id <= 0)
        fail(quillary::ControlError::InvalidArgument, QStringLiteral("批注编号 %1 无效").arg(id));
    // A reviewer answers anyone's comments but changes only their own.
    if (operation == Operation::Edit || operation == Operation::Delete) {
        const QString user = m_session.engine().userSettings().author;
        for (const Comment &existing : comments())
            if (existing.id == id && existing.author != user)
                return {false, QStringLiteral("批注是“%1”写的，只能修改或删除自己的批注")
                                   .arg(existing.author)};
    }
    auto outcome = m_session.engine().call<reply::EditOutcome>(
        request::CommentAction{operation, id, text}, timeouts::EditMs, name);
    if (outcome.done && operation != Operation::GoTo)
        scheduleCommentsChanged();
    return outcome;
}

} // namespace framer
