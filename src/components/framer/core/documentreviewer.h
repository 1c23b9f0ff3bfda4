#pragma once

#include "enginemessages.h"

#include <QObject>

namespace framer {

class ControlSession;

// The recorded changes and the comments of the shown text document: their lists, and recording,
// showing, going to, accepting and rejecting changes, adding, answering, editing and deleting
// comments, through the engine. Each call fails (throws a
// ControlFailure) when it cannot run; going to or deciding on a change that is not in the
// document comes back not done. changesChanged() tells, once per burst of LibreOffice's
// reports, that the list may differ from the one asked for before.
class DocumentReviewer : public QObject
{
    Q_OBJECT

public:
    explicit DocumentReviewer(ControlSession &session, QObject *parent = nullptr);

    QList<engineprotocol::TrackedChange> changes();
    engineprotocol::reply::EditOutcome review(engineprotocol::request::ReviewAction action,
                                              int id = 0, bool on = true);

    // Compares the shown document with an earlier version (a path or an http(s) address):
    // what differs becomes tracked changes. Not done when nothing differs.
    engineprotocol::reply::EditOutcome compare(const QString &source);

    QList<engineprotocol::Comment> comments();
    // Editing or deleting another author's comment comes back not done.
    engineprotocol::reply::EditOutcome comment(engineprotocol::request::CommentOperation operation,
                                               int id = 0, const QString &text = {});

signals:
    void changesChanged();
    // A comment was added, answered, edited or deleted, or another document shows.
    void commentsChanged();

private:
    void requireText(const QString &operation) const;
    // Text documents and spreadsheets record changes.
    void requireRecordable(const QString &operation) const;
    // Comments are in text documents, on a spreadsheet's cells and on slides.
    void requireCommentable(const QString &operation) const;
    void scheduleChanged();
    void scheduleCommentsChanged();
    // Emits signal once, when the event loop next runs, however often it is asked for.
    void emitOnce(bool &pending, void (DocumentReviewer::*signal)());

    ControlSession &m_session;
    bool m_changedPending = false;
    bool m_commentsPending = false;
};

} // namespace framer
