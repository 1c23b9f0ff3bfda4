#pragma once

#include "enginemessages.h"

#include <QObject>

namespace framer {

class ControlSession;

// The recorded changes of the shown text document: their list, and recording, showing, going
// to, accepting and rejecting them through the engine. Each call fails (throws a
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

signals:
    void changesChanged();

private:
    void requireText(const QString &operation) const;
    void scheduleChanged();

    ControlSession &m_session;
    bool m_changedPending = false;
};

} // namespace framer
