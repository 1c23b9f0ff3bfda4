#include "widgets/review/reviewpanel.h"

#include "core/documentmodel.h"
#include "core/documentreviewer.h"
#include "core/engineclient.h"

#include <QContextMenuEvent>
#include <QDateTime>
#include <QMenu>
#include <QTimer>

#include <algorithm>

using namespace engineprotocol;

namespace framer {

namespace {

constexpr int PauseMs = 300;

QString kindName(ChangeKind kind)
{
    switch (kind) {
    case ChangeKind::Insertion:
        return QStringLiteral("插入");
    case ChangeKind::Deletion:
        return QStringLiteral("删除");
    case ChangeKind::Formatting:
        return QStringLiteral("格式");
    case ChangeKind::Other:
        break;
    }
    return QStringLiteral("修订");
}

// Role of an item's kind: a change, or a comment.
constexpr int CommentRole = Qt::UserRole + 1;

QString shownTime(const QString &iso)
{
    const QDateTime time = QDateTime::fromString(iso, Qt::ISODate);
    return time.isValid() ? time.toLocalTime().toString(QStringLiteral("yyyy-MM-dd HH:mm"))
                          : QString();
}

// The change's kind and text, then its author and time.
QString lineFor(const TrackedChange &change)
{
    return QStringLiteral("%1 “%2”\n%3  %4")
        .arg(kindName(change.kind), change.excerpt, change.author, shownTime(change.time))
        .trimmed();
}

QString lineFor(const Comment &comment)
{
    return QStringLiteral("%1 %2\n%3  %4")
        .arg(comment.parentId ? QStringLiteral("    回复") : QStringLiteral("批注"),
             comment.text.simplified(), comment.author, shownTime(comment.time))
        .trimmed();
}

} // namespace

ReviewPanel::ReviewPanel(EngineClient *engine, DocumentReviewer *reviewer,
                         const DocumentModel *model, QWidget *parent)
    : QListWidget(parent), m_engine(engine), m_model(model), m_pause(new QTimer(this))
{
    setAccessibleName(QStringLiteral("修订列表"));
    setFixedWidth(240);
    setWordWrap(true);
    setFocusPolicy(Qt::NoFocus);
    hide();
    m_pause->setSingleShot(true);
    m_pause->setInterval(PauseMs);
    connect(m_pause, &QTimer::timeout, this, &ReviewPanel::refresh);
    connect(reviewer, &DocumentReviewer::changesChanged, m_pause, qOverload<>(&QTimer::start));
    connect(reviewer, &DocumentReviewer::commentsChanged, m_pause, qOverload<>(&QTimer::start));
    connect(this, &QListWidget::itemClicked, this, [this](QListWidgetItem *item) {
        const int id = item->data(Qt::UserRole).toInt();
        const auto ignore = [](Reply *, const EngineClient::Failure &) {};
        if (item->data(CommentRole).toBool())
            m_engine->post(request::CommentAction{request::CommentOperation::GoTo, id}, ignore);
        else
            m_engine->post(request::Review{request::ReviewAction::GoTo, id}, ignore);
    });
}

void ReviewPanel::contextMenuEvent(QContextMenuEvent *event)
{
    const QListWidgetItem *item = itemAt(viewport()->mapFromGlobal(event->globalPos()));
    if (!item)
        return;
    const int id = item->data(Qt::UserRole).toInt();
    QMenu menu(this);
    if (item->data(CommentRole).toBool()) {
        const auto found = std::find_if(m_comments.cbegin(), m_comments.cend(),
                                        [id](const Comment &comment) { return comment.id == id; });
        const QString text = found == m_comments.cend() ? QString() : found->text;
        menu.addAction(QStringLiteral("回复"), this, [this, id] { emit replyRequested(id); });
        menu.addAction(QStringLiteral("编辑"), this,
                       [this, id, text] { emit editRequested(id, text); });
        menu.addAction(QStringLiteral("删除"), this, [this, id] { emit deleteRequested(id); });
    } else if (m_model->kind() == DocumentKind::Spreadsheet) {
        return; // LibreOffice decides on a spreadsheet's changes only in its own dialog
    } else {
        menu.addAction(QStringLiteral("接受"), this, [this, id] { emit acceptRequested(id); });
        menu.addAction(QStringLiteral("拒绝"), this, [this, id] { emit rejectRequested(id); });
    }
    menu.exec(event->globalPos());
}

void ReviewPanel::refresh()
{
    m_changes.clear();
    m_comments.clear();
    const DocumentKind kind = m_model->hasDocument() ? m_model->kind() : DocumentKind::Other;
    // Text documents and spreadsheets have changes; slides only comments.
    const bool changes = kind == DocumentKind::Text || kind == DocumentKind::Spreadsheet;
    if (!changes && kind != DocumentKind::Presentation)
        return showReview();
    if (changes)
        m_engine->ask<reply::ChangeList>(
            request::TrackedChanges{}, this,
            [this](reply::ChangeList &list) {
                m_changes = list.changes;
                showReview();
            },
            [this](const EngineClient::Failure &) { showReview(); });
    m_engine->ask<reply::CommentList>(
        request::Comments{}, this,
        [this](reply::CommentList &list) {
            m_comments = list.comments;
            showReview();
        },
        [this](const EngineClient::Failure &) { showReview(); });
}

void ReviewPanel::showReview()
{
    const int row = currentRow();
    clear();
    for (const TrackedChange &change : std::as_const(m_changes)) {
        auto *item = new QListWidgetItem(lineFor(change), this);
        item->setData(Qt::UserRole, change.id);
    }
    for (const Comment &comment : std::as_const(m_comments)) {
        auto *item = new QListWidgetItem(lineFor(comment), this);
        item->setData(Qt::UserRole, comment.id);
        item->setData(CommentRole, true);
    }
    setCurrentRow(qMin(row, count() - 1));
    setVisible(count() > 0);
}

} // namespace framer
