#include "api/documentcontrol_p.h"

#include "core/controlfailure.h"
#include "core/controlsession.h"
#include "core/documentreviewer.h"
#include "core/toolactions.h"
#include "widgets/tools/controltools.h"
#include "widgets/view/documentview.h"

#include <QInputDialog>
#include <QLineEdit>

using namespace engineprotocol;

// The document control's user name, read-only setting, tracked changes and comments.
namespace quillary {

namespace {

using Action = request::ReviewAction;
using CommentOperation = request::CommentOperation;

// A change that is not there: false, and why, without the failure signal.
bool applied(const reply::EditOutcome &outcome)
{
    if (!outcome.done)
        throw framer::ControlFailure{{ControlError::NotApplied, outcome.reason}};
    return true;
}

TrackedChange::Kind publicKind(ChangeKind kind)
{
    switch (kind) {
    case ChangeKind::Insertion:
        return TrackedChange::Kind::Insertion;
    case ChangeKind::Deletion:
        return TrackedChange::Kind::Deletion;
    case ChangeKind::Formatting:
        return TrackedChange::Kind::Formatting;
    case ChangeKind::Other:
        break;
    }
    return TrackedChange::Kind::Other;
}

} // namespace

void DocumentControl::setUserName(const QString &name)
{
    const QString trimmed = name.trimmed();
    framer::EngineClient &engine = d->session->engine();
    if (trimmed.isEmpty() || trimmed == engine.userSettings().author)
        return;
    engine.setUserSettings({trimmed, engine.userSettings().readOnly});
    emit userNameChanged(trimmed);
}

QString DocumentControl::userName() const
{
    return d->session->engine().userSettings().author;
}

void DocumentControl::setReadOnly(bool on)
{
    framer::EngineClient &engine = d->session->engine();
    // The engine refuses the changes; the model has the tools and the host follow.
    engine.setUserSettings({engine.userSettings().author, on});
    d->model->setReadOnly(on);
}

bool DocumentControl::isReadOnly() const
{
    return d->model->isReadOnly();
}

bool DocumentControl::setRecordingChanges(bool on)
{
    return d->attempt([&] { return applied(d->reviewer->review(Action::Record, 0, on)); });
}

bool DocumentControl::isRecordingChanges() const
{
    return d->tools->actions()->state(framer::Tool::TrackChanges).checked;
}

bool DocumentControl::setChangesShown(bool on)
{
    return d->attempt([&] { return applied(d->reviewer->review(Action::Show, 0, on)); });
}

QList<TrackedChange> DocumentControl::trackedChanges()
{
    QList<TrackedChange> changes;
    d->attempt([&] {
        for (const engineprotocol::TrackedChange &change : d->reviewer->changes())
            changes.append({change.id, publicKind(change.kind), change.author,
                            QDateTime::fromString(change.time, Qt::ISODate), change.excerpt});
        return true;
    });
    return changes;
}

bool DocumentControl::goToChange(int id)
{
    return d->attempt([&] { return applied(d->reviewer->review(Action::GoTo, id)); });
}

bool DocumentControl::goToNextChange()
{
    return d->attempt([&] { return applied(d->reviewer->review(Action::Next)); });
}

bool DocumentControl::goToPreviousChange()
{
    return d->attempt([&] { return applied(d->reviewer->review(Action::Previous)); });
}

bool DocumentControl::acceptChange(int id)
{
    return d->attempt([&] { return applied(d->reviewer->review(Action::Accept, id)); });
}

bool DocumentControl::rejectChange(int id)
{
    return d->attempt([&] { return applied(d->reviewer->review(Action::Reject, id)); });
}

bool DocumentControl::acceptAllChanges()
{
    return d->attempt([&] { return applied(d->reviewer->review(Action::AcceptAll)); });
}

bool DocumentControl::rejectAllChanges()
{
    return d->attempt([&] { return applied(d->reviewer->review(Action::RejectAll)); });
}

void DocumentControlPrivate::askForComment()
{
    bool ok = false;
    const QString text = QInputDialog::getMultiLineText(q, QStringLiteral("批注"),
                                                        QStringLiteral("批注内容："), {}, &ok);
    if (ok && !text.trimmed().isEmpty())
        q->insertComment(text);
    view->setFocus(Qt::OtherFocusReason);
}

bool DocumentControl::compareWith(const QString &pathOrAddress)
{
    return d->attempt([&] { return applied(d->reviewer->compare(pathOrAddress)); });
}

void DocumentControlPrivate::askForComparison()
{
    bool ok = false;
    const QString source = QInputDialog::getText(q, QStringLiteral("比较"),
                                                 QStringLiteral("与较早的版本比较（路径或网址）："),
                                                 QLineEdit::Normal, {}, &ok);
    if (ok && !source.trimmed().isEmpty())
        tellIfNotDone(q->compareWith(source.trimmed()));
    view->setFocus(Qt::OtherFocusReason);
}

void DocumentControlPrivate::askForAnswer(int commentId)
{
    bool ok = false;
    const QString text = QInputDialog::getMultiLineText(q, QStringLiteral("回复"),
                                                        QStringLiteral("回复内容："), {}, &ok);
    if (ok && !text.trimmed().isEmpty())
        tellIfNotDone(q->replyToComment(commentId, text));
}

void DocumentControlPrivate::askForNewText(int commentId, const QString &text)
{
    bool ok = false;
    const QString edited = QInputDialog::getMultiLineText(q, QStringLiteral("编辑"),
                                                          QStringLiteral("批注内容："), text, &ok);
    if (ok && !edited.trimmed().isEmpty() && edited != text)
        tellIfNotDone(q->editComment(commentId, edited));
}

void DocumentControlPrivate::tellIfNotDone(bool done)
{
    if (done)
        return;
    // Other failures were told the host already.
    if (lastError.code == ControlError::NotApplied)
        emit q->errorOccurred(lastError);
    tell(lastError.message);
}

QList<Comment> DocumentControl::comments()
{
    QList<Comment> comments;
    d->attempt([&] {
        for (const engineprotocol::Comment &comment : d->reviewer->comments())
            comments.append({comment.id, comment.parentId, comment.author,
                             QDateTime::fromString(comment.time, Qt::ISODate), comment.text});
        return true;
    });
    return comments;
}

bool DocumentControl::insertComment(const QString &text)
{
    return d->attempt(
        [&] { return applied(d->reviewer->comment(CommentOperation::Insert, 0, text)); });
}

bool DocumentControl::replyToComment(int id, const QString &text)
{
    return d->attempt(
        [&] { return applied(d->reviewer->comment(CommentOperation::Reply, id, text)); });
}

bool DocumentControl::editComment(int id, const QString &text)
{
    return d->attempt(
        [&] { return applied(d->reviewer->comment(CommentOperation::Edit, id, text)); });
}

bool DocumentControl::deleteComment(int id)
{
    return d->attempt([&] { return applied(d->reviewer->comment(CommentOperation::Delete, id)); });
}

bool DocumentControl::goToComment(int id)
{
    return d->attempt([&] { return applied(d->reviewer->comment(CommentOperation::GoTo, id)); });
}

} // namespace quillary
