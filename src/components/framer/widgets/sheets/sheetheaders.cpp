#include "widgets/sheets/sheetheaders.h"

#include "core/documentmodel.h"
#include "core/engineclient.h"
#include "widgets/view/documentview.h"

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
    const bool shown = m_view->hasDocument() && m_view->model().kind() == DocumentKind::Spreadsheet;
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
        takeRoom();
}

void SheetHeaders::takeRoom()
{
    m_view->setHeaderRoom(room());
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
    const int generation = m_generation;
    m_engine->ask<reply::RowColumnHeaders>(
        request::RowColumnHeaders{area}, this,
        [this, generation](reply::RowColumnHeaders &headers) {
            if (generation != m_generation)
                return;
            m_fetching = false;
            m_headers = headers;
            QStringList rowLabels;
            for (const reply::HeaderSpan &row : headers.rows)
                rowLabels << row.label;
            const int width = m_rows->thicknessFor(rowLabels);
            if (width > m_rowBarWidth) {
                // Only ever wider while a sheet shows, so scrolling back does not make it jump.
                m_rowBarWidth = width;
                takeRoom();
            }
            follow();
        },
        [this, generation](const EngineClient::Failure &) {
            if (generation != m_generation)
                return;
            m_fetching = false;
            m_area = {}; // none now: the next scroll or change asks again
        });
}

} // namespace framer
