#pragma once

#include "core/tools.h"

#include <QKeySequence>
#include <QList>
#include <QObject>

#include <optional>

class QKeyEvent;
class QWidget;

namespace framer {

class DocumentView;
class EditingToolBar;
class EngineClient;
class FindBar;
class ToolActions;

// The control's editing tools: the tool bar above the document, the find bar, the context
// menu and the keys that reach them, wired to the view and to what the tools do.
class ControlTools : public QObject
{
    Q_OBJECT

public:
    // The tool bar and the find bar are made for control, which lays them out.
    ControlTools(EngineClient *engine, DocumentView *view, QWidget *control);

    EditingToolBar *toolBar() const { return m_toolBar; }
    FindBar *findBar() const { return m_findBar; }
    ToolActions *actions() const { return m_actions; }

    void setBusy(bool busy);

signals:
    // A tool's action was refused; message says why.
    void failed(const QString &message);
    // 打印 (Ctrl+P) and 打印预览 were asked for; the control's API prints.
    void printRequested();
    void printPreviewRequested();
    // 批注 was pressed; the control asks for the comment's text.
    void commentRequested();
    // 比较 was pressed; the control asks what to compare with.
    void compareRequested();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void setDocument(std::optional<engineprotocol::DocumentKind> kind);
    void setProtected(bool on);
    void addShortcuts(QWidget *control);
    bool isOwnShortcut(const QKeyEvent &key) const;
    void showStates();
    void showContextMenu(const QPoint &globalPosition);
    void openFindBar();

    DocumentView *m_view;
    ToolActions *m_actions;
    EditingToolBar *m_toolBar;
    FindBar *m_findBar;
    QList<QKeySequence> m_ownShortcuts;
};

} // namespace framer
