#pragma once

#include "enginemessages.h"

#include <QListWidget>

class QTimer;

namespace framer {

class DocumentModel;
class DocumentReviewer;
class EngineClient;

// Beside a document, the list of its recorded changes (kind, excerpt, author,
// time) and then of its comments (text, author, time; answers under what they answer), asked of the
// engine without waiting whenever they change; it shows while the document has any. Choosing
// one goes to that change or comment in the document; its context menu decides on a change
// (接受, 拒绝) or answers, edits or deletes a comment (回复, 编辑, 删除), which the control does.
class ReviewPanel : public QListWidget
{
    Q_OBJECT

public:
    ReviewPanel(EngineClient *engine, DocumentReviewer *reviewer, const DocumentModel *model,
                QWidget *parent = nullptr);

signals:
    void acceptRequested(int changeId);
    void rejectRequested(int changeId);
    void replyRequested(int commentId);
    void editRequested(int commentId, const QString &text);
    void deleteRequested(int commentId);

protected:
    void contextMenuEvent(QContextMenuEvent *event) override;

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
