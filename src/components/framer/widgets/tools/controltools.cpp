#include "widgets/tools/controltools.h"

#include "core/documentmodel.h"
#include "core/inputmapping.h"
#include "core/toolactions.h"
#include "widgets/tools/editingtoolbar.h"
#include "widgets/tools/findbar.h"
#include "widgets/view/documentview.h"

#include <QAction>
#include <QKeyEvent>
#include <QMenu>

#include <algorithm>

using quillary::Zoom;

namespace framer {

ControlTools::ControlTools(EngineClient *engine, DocumentView *view, QWidget *control)
    : QObject(control), m_view(view), m_actions(new ToolActions(engine, this)),
      m_toolBar(new EditingToolBar(control)), m_findBar(new FindBar(control))
{
    m_findBar->hide();
    // The tools follow the document the view shows.
    const DocumentModel *model = &view->model();
    connect(model, &DocumentModel::documentChanged, this, [this, model] {
        setDocument(model->hasDocument() ? std::optional(model->kind()) : std::nullopt);
    });
    connect(model, &DocumentModel::protectionChanged, this, &ControlTools::setProtected);
    connect(model, &DocumentModel::readOnlyChanged, m_actions, &ToolActions::setReadOnly);
    connect(model, &DocumentModel::readOnlyChanged, m_toolBar, &EditingToolBar::showReadOnly);
    connect(m_actions, &ToolActions::statesChanged, this, &ControlTools::showStates);
    connect(m_actions, &ToolActions::finished, this,
            [this](Tool, bool done, const QString &message) {
                if (!done)
                    emit failed(message);
            });
    connect(m_actions, &ToolActions::searched, this,
            [this](bool found, int part, const QList<QRect> &twips) {
                m_findBar->showFound(found);
                if (found && !twips.isEmpty())
                    m_view->reveal(part, twips.first());
            });

    connect(m_toolBar, &EditingToolBar::toolTriggered, this, [this](Tool tool) {
        if (tool == Tool::Find)
            return openFindBar();
        if (tool == Tool::Print)
            return emit printRequested();
        if (tool == Tool::PrintPreview)
            return emit printPreviewRequested();
        if (tool == Tool::InsertComment)
            return emit commentRequested();
        if (tool == Tool::CompareDocuments)
            return emit compareRequested();
        m_actions->run(tool);
        // Typing goes on in the document after a press.
        m_view->setFocus(Qt::OtherFocusReason);
    });
    connect(m_toolBar, &EditingToolBar::fontChosen, m_actions, &ToolActions::setFontName);
    connect(m_toolBar, &EditingToolBar::sizeChosen, m_actions, &ToolActions::setFontSize);
    connect(m_toolBar, &EditingToolBar::colourChosen, m_actions, &ToolActions::setColour);
    connect(m_toolBar, &EditingToolBar::tableChosen, m_actions, &ToolActions::insertTable);
    connect(m_toolBar, &EditingToolBar::zoomChosen, m_view,
            [this](const Zoom &zoom) { m_view->setZoom(zoom); });
    // Once a font, size, colour, table or zoom is chosen, typing goes on in the document.
    const auto backToDocument = [this] { m_view->setFocus(Qt::OtherFocusReason); };
    connect(m_toolBar, &EditingToolBar::fontChosen, this, backToDocument);
    connect(m_toolBar, &EditingToolBar::sizeChosen, this, backToDocument);
    connect(m_toolBar, &EditingToolBar::colourChosen, this, backToDocument);
    connect(m_toolBar, &EditingToolBar::tableChosen, this, backToDocument);
    connect(m_toolBar, &EditingToolBar::zoomChosen, this, backToDocument);
    connect(m_view, &DocumentView::zoomChanged, m_toolBar, &EditingToolBar::showZoom);
    connect(m_view, &DocumentView::contextMenuRequested, this, &ControlTools::showContextMenu);
    connect(m_findBar, &FindBar::searchRequested, m_actions, &ToolActions::find);
    connect(m_findBar, &FindBar::closed, m_view,
            [this] { m_view->setFocus(Qt::OtherFocusReason); });
    addShortcuts(control);
    m_view->installEventFilter(this);
    showStates();
}

// While the document has the keyboard, the keys it uses are its own before the host window's
// shortcuts see them: a host's Ctrl+E must not fire while the user centres a paragraph. The
// control's own shortcuts (the desktop's clipboard, find, zoom) stay shortcuts.
bool ControlTools::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_view && event->type() == QEvent::ShortcutOverride && m_view->hasDocument()) {
        auto *key = static_cast<QKeyEvent *>(event);
        if (documentUsesKey(key->key(), key->modifiers()) && !isOwnShortcut(*key))
            key->accept();
    }
    return QObject::eventFilter(watched, event);
}

bool ControlTools::isOwnShortcut(const QKeyEvent &key) const
{
    // Shift may be part of the key itself (Ctrl+Plus is Ctrl+Shift+= on many layouts).
    const QKeySequence pressed(key.keyCombination());
    const QKeySequence unshifted(
        QKeyCombination(key.modifiers() & ~Qt::ShiftModifier, Qt::Key(key.key())));
    return std::any_of(m_ownShortcuts.cbegin(), m_ownShortcuts.cend(),
                       [&](const QKeySequence &own) { return own == pressed || own == unshifted; });
}

void ControlTools::addShortcuts(QWidget *control)
{
    const auto add = [this, control](const QList<QKeySequence> &keys, const auto &handle) {
        m_ownShortcuts.append(keys);
        auto *action = new QAction(control);
        action->setShortcuts(keys);
        action->setShortcutContext(Qt::WidgetWithChildrenShortcut);
        control->addAction(action);
        connect(action, &QAction::triggered, control, handle);
    };
    // The desktop's clipboard, not LibreOffice's own, so these keys do not reach the document.
    add(QKeySequence::keyBindings(QKeySequence::Copy), [this] { m_actions->run(Tool::Copy); });
    add(QKeySequence::keyBindings(QKeySequence::Cut), [this] { m_actions->run(Tool::Cut); });
    add(QKeySequence::keyBindings(QKeySequence::Paste), [this] { m_actions->run(Tool::Paste); });
    add(QKeySequence::keyBindings(QKeySequence::Find), [this] { openFindBar(); });
    add(QKeySequence::keyBindings(QKeySequence::Print), [this] {
        if (m_actions->state(Tool::Print).enabled)
            emit printRequested();
    });
    add({QKeySequence(Qt::CTRL | Qt::Key_Plus), QKeySequence(Qt::CTRL | Qt::Key_Equal)},
        [this] { m_view->zoomBy(1); });
    add({QKeySequence(Qt::CTRL | Qt::Key_Minus)}, [this] { m_view->zoomBy(-1); });
    add({QKeySequence(Qt::CTRL | Qt::Key_0)}, [this] {
        if (m_view->hasDocument())
            m_view->setZoom(Zoom::at(100));
    });
}

void ControlTools::openFindBar()
{
    if (m_actions->state(Tool::Find).enabled)
        m_findBar->open();
}

void ControlTools::setDocument(std::optional<engineprotocol::DocumentKind> kind)
{
    m_actions->setDocument(kind);
    if (!kind)
        m_findBar->hide();
}

void ControlTools::setProtected(bool on)
{
    m_actions->setProtected(on);
}

void ControlTools::setBusy(bool busy)
{
    m_actions->setBusy(busy);
}

void ControlTools::showStates()
{
    for (const ToolInfo &info : toolTable())
        m_toolBar->showState(info.tool, m_actions->state(info.tool));
}

void ControlTools::showContextMenu(const QPoint &globalPosition)
{
    QMenu menu(m_view);
    menu.setAccessibleName(QStringLiteral("编辑菜单"));
    for (Tool tool : {Tool::Cut, Tool::Copy, Tool::Paste})
        menu.addAction(m_toolBar->action(tool));
    menu.exec(globalPosition);
}

} // namespace framer
