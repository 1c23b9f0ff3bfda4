#pragma once

#include "enginemessages.h"

#include <QListWidget>

class QTimer;

namespace framer {

class DocumentModel;
class DocumentReviewer;
class EngineClient;

// Beside a text document or a spreadsheet, the list of its recorded changes (kind, excerpt, author, time) and
// then of its comments (text, author, time; answers under what they answer), asked of the
// engine without waiting whenever they change; it shows while the document has any. Choosing
// one goes to that change or comment in the document.
class ReviewPanel : public QListWidget
{
    Q_OBJECT

public:
    ReviewPanel(EngineClient *engine, DocumentReviewer *reviewer, const DocumentModel *model,
                QWidget *parent = nullptr);

private:
    void refresh();
    void showReview();

    EngineClient *m_engine;
    const DocumentModel *m_model;
    // Typing with changes recorded reports each key; the list follows once typing pauses.
    QTimer *m_pause;
    QList<engineprotocol::TrackedChange> m_changes;
    QList<engineprotocol::Comment> m_comments;
};

} // namespace framer
