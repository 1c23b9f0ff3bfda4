#include "widgets/review/reviewpanel.h"

#include "core/documentmodel.h"
#include "core/documentreviewer.h"
#include "core/engineclient.h"

#include <QDateTime>
#include <QTimer>

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

// The change's kind and text, then its author and time.
QString lineFor(const TrackedChange &change)
{
    const QDateTime time = QDateTime::fromString(change.time, Qt::ISODate);
    const QString when =
        time.isValid() ? time.toString(QStringLiteral("yyyy-MM-dd HH:mm")) : QString();
    return QStringLiteral("%1 “%2”\n%3  %4")
        .arg(kindName(change.kind), change.excerpt, change.author, when)
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
    connect(this, &QListWidget::itemClicked, this, [this](QListWidgetItem *item) {
        m_engine->post(
            request::Review{request::ReviewAction::GoTo, item->data(Qt::UserRole).toInt()},
            [](Reply *, const EngineClient::Failure &) {});
    });
}

void ReviewPanel::refresh()
{
    if (!m_model->hasDocument() || m_model->kind() != DocumentKind::Text)
        return showChanges({});
    m_engine->ask<reply::ChangeList>(
        request::TrackedChanges{}, this,
        [this](reply::ChangeList &list) { showChanges(list.changes); },
        [this](const EngineClient::Failure &) { showChanges({}); });
}

void ReviewPanel::showChanges(const QList<TrackedChange> &changes)
{
    const int row = currentRow();
    clear();
    for (const TrackedChange &change : changes) {
        auto *item = new QListWidgetItem(lineFor(change), this);
        item->setData(Qt::UserRole, change.id);
    }
    setCurrentRow(qMin(row, count() - 1));
    setVisible(!changes.isEmpty());
}

} // namespace framer
