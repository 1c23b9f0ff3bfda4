#pragma once

#include "enginemessages.h"

#include <QListWidget>

class QTimer;

namespace framer {

class DocumentModel;
class DocumentReviewer;
class EngineClient;

// Beside a text document, the list of its recorded changes (kind, excerpt, author, time), asked
// of the engine without waiting whenever LibreOffice reports they changed; it shows while the
// document has any. Choosing one selects that change in the document.
class ReviewPanel : public QListWidget
{
    Q_OBJECT

public:
    ReviewPanel(EngineClient *engine, DocumentReviewer *reviewer, const DocumentModel *model,
                QWidget *parent = nullptr);

private:
    void refresh();
    void showChanges(const QList<engineprotocol::TrackedChange> &changes);

    EngineClient *m_engine;
    const DocumentModel *m_model;
    // Typing with changes recorded reports each key; the list follows once typing pauses.
    QTimer *m_pause;
};

} // namespace framer
