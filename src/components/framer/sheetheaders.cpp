#include "sheetheaders.h"

#include "documentview.h"
#include "engineclient.h"

#include <QPointer>
#include <QScrollBar>

using namespace engineprotocol;

namespace framer {

SheetHeaders::SheetHeaders(EngineClient *engine, DocumentView *view)
    : QObject(view), m_engine(engine), m_view(view), m_columns(new HeaderBar(Qt::Horizontal, view)),
      m_rows(new HeaderBar(Qt::Vertical, view)), m_corner(new QWidget(view))
{
    m_corner->setAutoFillBackground(true);
    m_corner->setBackgroundRole(QPalette::Button);
    for (QWidget *part : parts())
        part->hide();
    connect(view, &DocumentView::documentChanged, this, &SheetHeaders::onDocumentChanged);
    connect(view, &DocumentView::viewChanged, this, &SheetHeaders::follow);
    connect(view, &DocumentView::partShown, this, &SheetHeaders::refetch);
    connect(engine, &EngineClient::eventReceived, this, &SheetHeaders::onEngineEvent);
}

QMargins SheetHeaders::room() const
{
    if (!m_shown)
        return {};
    return QMargins(m_rowBarWidth, m_columns->thicknessFor({}), 0, 0);
}

void SheetHeaders::onDocumentChanged()
{
    const bool shown =
        m_view->hasDocument() && m_view->document().kind == DocumentKind::Spreadsheet;
    m_headers = {};
    m_area = {};
    ++m_generation;
    m_fetching = false;
    m_rowBarWidth = m_rows->thicknessFor({});
    m_columns->setSections({});
    m_rows->setSections({});
    for (QWidget *part : parts())
        part->setVisible(shown);
    if (shown != std::exchange(m_shown, shown))
        emit roomChanged();
}

void SheetHeaders::onEngineEvent(const Event &event)
{
    // A sheet that changes size may have changed its rows and columns too: a freshly loaded
    // workbook can still be laying out its column widths when the first headers are asked for.
    if (m_shown && (std::holds_alternative<event::HeadersChanged>(event) ||
                    std::holds_alternative<event::DocumentSize>(event)))
        refetch();
}

void SheetHeaders::refetch()
{
    m_area = {};
    ++m_generation;
    m_fetching = false;
    follow();
}

void SheetHeaders::follow()
{
    if (!m_shown)
        return;
    const QRect viewport = m_view->viewport()->geometry();
    const QMargins margins = room();
    m_columns->setGeometry(viewport.left(), viewport.top() - margins.top(), viewport.width(),
                           margins.top());
    m_rows->setGeometry(viewport.left() - margins.left(), viewport.top(), margins.left(),
                        viewport.height());
    m_corner->setGeometry(viewport.left() - margins.left(), viewport.top() - margins.top(),
                          margins.left(), margins.top());

    const TileGrid &grid = m_view->grid();
    const QPoint scroll = m_view->scrollPosition();
    m_columns->setSections(columnSections(m_headers.columns, grid, scroll, viewport.width()));
    m_rows->setSections(rowSections(m_headers.rows, grid, scroll, viewport.height()));
    const QRect cursor = m_view->cursorTwips();
    const QRect current = cursor.isEmpty() ? QRect() : grid.toViewport(cursor, scroll);
    m_columns->setCurrent(current.left(), current.left() + current.width());
    m_rows->setCurrent(current.top(), current.top() + current.height());

    if (!m_fetching && !headersCover(m_area, grid, scroll, viewport.size()))
        fetch(headerArea(grid, scroll, viewport.size()));
}

void SheetHeaders::fetch(const QRect &area)
{
    if (area.isEmpty())
        return;
    m_area = area;
    m_fetching = true;
    const QPointer<SheetHeaders> self(this);
    const int generation = m_generation;
    m_engine->post(request::RowColumnHeaders{area}, [self, generation](Reply *reply, const auto &) {
        if (!self || generation != self->m_generation)
            return;
        self->m_fetching = false;
        const auto *headers = reply ? std::get_if<reply::RowColumnHeaders>(reply) : nullptr;
        if (!headers) {
            self->m_area = {}; // none now: the next scroll or change asks again
            return;
        }
        self->m_headers = *headers;
        QStringList rowLabels;
        for (const reply::HeaderSpan &row : headers->rows)
            rowLabels << row.label;
        const int width = self->m_rows->thicknessFor(rowLabels);
        if (width > self->m_rowBarWidth) {
            // Only ever wider while a sheet shows, so scrolling back does not make it jump.
            self->m_rowBarWidth = width;
            emit self->roomChanged();
        }
        self->follow();
    });
}

} // namespace framer
