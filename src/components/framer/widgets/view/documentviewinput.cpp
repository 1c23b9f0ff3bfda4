#include "widgets/view/documentview.h"

#include <QContextMenuEvent>
#include <QKeyEvent>

// The document view's side of the user's input: what goes to the document, what the control
// handles itself (the context menu, Ctrl+wheel).
using namespace engineprotocol;

namespace framer {

namespace {

constexpr int WheelStep = 120; // one notch of a mouse wheel

} // namespace

void DocumentView::wheelEvent(QWheelEvent *event)
{
    if (!(event->modifiers() & Qt::ControlModifier) || !hasDocument())
        return QAbstractScrollArea::wheelEvent(event);
    // Ctrl+wheel zooms about the pointer, a step per notch (touchpads add up small turns).
    m_wheel += event->angleDelta().y();
    // Delivered through the viewport: the position is the viewport's.
    const QPoint anchor = event->position().toPoint();
    for (; m_wheel >= WheelStep; m_wheel -= WheelStep)
        zoomBy(1, anchor);
    for (; m_wheel <= -WheelStep; m_wheel += WheelStep)
        zoomBy(-1, anchor);
    event->accept();
}

void DocumentView::contextMenuEvent(QContextMenuEvent *event)
{
    if (hasDocument())
        emit contextMenuRequested(event->globalPos());
}

void DocumentView::sendMouse(MouseAction action, QMouseEvent *event, int count)
{
    // The right button opens the control's own menu; the document does not see it.
    if (hasDocument() && event->button() != Qt::RightButton)
        m_input.mouse(action, documentPoint(event->position().toPoint()), count,
                      (event->buttons() | event->button()) & ~Qt::RightButton, event->modifiers());
}

void DocumentView::mousePressEvent(QMouseEvent *event)
{
    setFocus(Qt::MouseFocusReason);
    sendMouse(MouseAction::Press, event, 1);
}

void DocumentView::mouseReleaseEvent(QMouseEvent *event)
{
    sendMouse(MouseAction::Release, event, 1);
}

void DocumentView::mouseMoveEvent(QMouseEvent *event)
{
    if (event->buttons() & ~Qt::RightButton)
        sendMouse(MouseAction::Move, event, 1);
}

void DocumentView::mouseDoubleClickEvent(QMouseEvent *event)
{
    sendMouse(MouseAction::Press, event, 2);
}

void DocumentView::keyPressEvent(QKeyEvent *event)
{
    if (!hasDocument())
        return QAbstractScrollArea::keyPressEvent(event);
    m_input.key(KeyAction::Press, *event);
}

void DocumentView::keyReleaseEvent(QKeyEvent *event)
{
    if (!hasDocument())
        return QAbstractScrollArea::keyReleaseEvent(event);
    m_input.key(KeyAction::Release, *event);
}

void DocumentView::inputMethodEvent(QInputMethodEvent *event)
{
    if (hasDocument())
        m_input.inputMethod(*event);
    event->accept();
}

QVariant DocumentView::inputMethodQuery(Qt::InputMethodQuery query) const
{
    if (query == Qt::ImCursorRectangle && !m_cursor.isNull())
        return m_grid.toViewport(m_cursor, scroll());
    if (query == Qt::ImEnabled)
        return hasDocument();
    return QAbstractScrollArea::inputMethodQuery(query);
}

bool DocumentView::focusNextPrevChild(bool next)
{
    // Tab belongs to the document while one is shown.
    return hasDocument() ? false : QAbstractScrollArea::focusNextPrevChild(next);
}

} // namespace framer
