#include "widgets/view/documentview.h"

#include "core/documentmodel.h"
#include "core/zoomrules.h"
#include "enginetrace.h"

#include <QKeyEvent>
#include <QPainter>
#include <QScrollBar>
#include <QTabBar>

using namespace engineprotocol;
using quillary::Zoom;

namespace framer {

namespace {

template <class... Handlers> struct Overloaded : Handlers...
{
    using Handlers::operator()...;
};

Zoom defaultZoom(DocumentKind kind)
{
    return kind == DocumentKind::Spreadsheet ? Zoom::at(100) : Zoom::fitWidth();
}

} // namespace

DocumentView::DocumentView(EngineClient *engine, DocumentModel *model, QWidget *parent)
    : QAbstractScrollArea(parent), m_engine(engine), m_input(engine), m_model(model),
      m_tiles(new TilePainter(engine, m_grid, viewport(), [this] { return scroll(); })),
      m_parts(new QTabBar(this))
{
    setAccessibleName(QStringLiteral("文档视图"));
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_InputMethodEnabled);
    viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
    viewport()->setCursor(Qt::IBeamCursor);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    verticalScrollBar()->setSingleStep(40);
    horizontalScrollBar()->setSingleStep(40);

    m_parts->setAccessibleName(QStringLiteral("工作表或幻灯片"));
    m_parts->setShape(QTabBar::RoundedSouth);
    m_parts->setExpanding(false);
    m_parts->setFocusPolicy(Qt::NoFocus);
    m_parts->hide();
    connect(m_parts, &QTabBar::currentChanged, this, [this](int index) {
        if (index >= 0 && index != m_model->part())
            showPart(index);
    });
    connect(m_engine, &EngineClient::eventReceived, this, &DocumentView::onEngineEvent);
    connect(m_model, &DocumentModel::documentChanged, this, &DocumentView::onDocumentChanged);
    connect(m_tiles, &TilePainter::caughtUp, this, &DocumentView::caughtUp);
}

QPoint DocumentView::scroll() const
{
    return QPoint(horizontalScrollBar()->value(), verticalScrollBar()->value());
}

void DocumentView::scrollTo(QPoint target)
{
    horizontalScrollBar()->setValue(target.x());
    verticalScrollBar()->setValue(target.y());
}

void DocumentView::resetPlace()
{
    m_cursor = {};
    m_selection.clear();
    m_tiles->dropStandIns();
    m_input.reset();
}

bool DocumentView::hasDocument() const
{
    return m_model->hasDocument();
}

void DocumentView::setHeaderRoom(const QMargins &room)
{
    if (std::exchange(m_headerRoom, room) != room)
        relayout();
}

void DocumentView::onDocumentChanged()
{
    if (m_model->hasDocument())
        showDocument();
    else
        clearDocument();
}

void DocumentView::showDocument()
{
    const reply::DocumentInfo &info = m_model->info();
    m_message.clear();
    m_tiles->dropStandIns();
    m_input.reset();
    m_grid.dropTiles();
    m_zoom = defaultZoom(info.kind);
    {
        const QSignalBlocker blocker(m_parts);
        while (m_parts->count() > 0)
            m_parts->removeTab(0);
        if (info.kind == DocumentKind::Spreadsheet) {
            for (int i = 0; i < info.parts; ++i)
                m_parts->addTab(i < info.partNames.size() && !info.partNames[i].isEmpty()
                                    ? info.partNames[i]
                                    : QString::number(i + 1));
            m_parts->setCurrentIndex(info.part);
        }
    }
    // Slides have a panel of their own beside the view.
    m_parts->setVisible(info.kind == DocumentKind::Spreadsheet && info.parts > 0);
    // Always there with a document, so fitting the width cannot make it appear and change
    // the width again.
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    scrollTo({});
    emit documentChanged();
    relayout();
    askPageSize();
    viewport()->update();
    emit zoomChanged(m_zoom);
}

void DocumentView::setMessage(const QString &message)
{
    m_message = message;
    viewport()->update();
}

void DocumentView::clearDocument()
{
    m_grid.clear();
    resetPlace();
    m_parts->hide();
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    emit documentChanged();
    relayout();
    viewport()->update();
}

void DocumentView::askPageSize()
{
    m_engine->ask<reply::Rectangles>(request::PageRectangles{}, this,
                                     [this](reply::Rectangles &pages) {
                                         if (pages.twips.isEmpty() || !hasDocument())
                                             return;
                                         m_model->setPageSize(pages.twips.first().size());
                                         if (m_zoom.mode == Zoom::FitPage)
                                             setZoom(m_zoom);
                                     });
}

void DocumentView::showPart(int part)
{
    if (!hasDocument() || part < 0 || part >= m_model->parts() || part == m_model->part())
        return;
    m_model->setPart(part);
    m_grid.dropTiles();
    resetPlace();
    {
        const QSignalBlocker blocker(m_parts);
        m_parts->setCurrentIndex(part);
    }
    const int generation = m_grid.generation();
    m_engine->ask<reply::DocumentInfo>(request::SetPart{part}, this,
                                       [this, generation](reply::DocumentInfo &info) {
                                           if (generation != m_grid.generation())
                                               return;
                                           m_model->setSize(info.width, info.height);
                                           relayout();
                                           viewport()->update();
                                       });
    verticalScrollBar()->setValue(0);
    relayout();
    viewport()->update();
    emit partShown(part);
}

void DocumentView::relayout()
{
    const int barHeight = m_parts->isVisible() ? m_parts->sizeHint().height() : 0;
    const QMargins headers = m_headerRoom;
    setViewportMargins(headers.left(), headers.top(), 0, barHeight);
    const QRect area = viewport()->geometry();
    m_parts->setGeometry(area.left() - headers.left(), area.bottom() + 1,
                         area.width() + headers.left(), barHeight);

    if (hasDocument()) {
        const QSize room = viewport()->size() - QSize(2, 2) * TileGrid::Margin;
        const reply::DocumentInfo &info = m_model->info();
        const QSize size = m_model->size();
        const QSize page = m_model->pageSize();
        m_grid.layOutAt(info.width, info.height, viewport()->width(),
                        zoomScale(m_zoom, page.isEmpty() ? size : page, size, room));
    }
    const QSize content = hasDocument() ? m_grid.contentSize() : QSize();
    // A sheet's cells start right at its headers: the margin before them stays scrolled past.
    const int start = headers.isNull() ? 0 : TileGrid::Margin;
    horizontalScrollBar()->setRange(start, std::max(start, content.width() - viewport()->width()));
    horizontalScrollBar()->setPageStep(viewport()->width());
    verticalScrollBar()->setRange(start, std::max(start, content.height() - viewport()->height()));
    verticalScrollBar()->setPageStep(viewport()->height());
    emit viewChanged();
}

void DocumentView::setZoom(const Zoom &zoom, std::optional<QPoint> anchor)
{
    m_zoom = zoom;
    if (hasDocument()) {
        const QRect caret = m_grid.toViewport(m_cursor, scroll());
        const bool caretShown = !m_cursor.isNull() && viewport()->rect().contains(caret.center());
        const QPoint at =
            anchor.value_or(caretShown ? caret.center() : viewport()->rect().center());
        const QPoint twips = documentPoint(at);
        const int generation = m_grid.generation();
        auto drawn = m_grid.drawnTiles();
        relayout();
        if (m_grid.generation() != generation)
            m_tiles->keepForNewScale(std::move(drawn));
        scrollTo(m_grid.scrollKeeping(twips, at));
        viewport()->update();
    }
    emit zoomChanged(m_zoom);
}

int DocumentView::zoomPercent() const
{
    return framer::zoomPercent(m_grid.scale());
}

void DocumentView::zoomBy(int direction, std::optional<QPoint> anchor)
{
    if (hasDocument())
        setZoom(Zoom::at(nextZoomStep(zoomPercent(), direction)), anchor);
}

void DocumentView::reveal(int part, const QRect &twips)
{
    if (!hasDocument() || (m_model->kind() != DocumentKind::Text && part != m_model->part()))
        return;
    scrollTo(m_grid.scrollToShow(twips, scroll(), viewport()->size()));
}

QPoint DocumentView::documentPoint(const QPoint &viewportPoint) const
{
    return m_grid.toTwips(viewportPoint, scroll());
}

QPoint DocumentView::viewportPoint(const QPoint &twips) const
{
    return m_grid.toViewport(QRect(twips, QSize(1, 1)), scroll()).topLeft();
}

void DocumentView::drawNow()
{
    m_tiles->drawNow(m_model->part());
}

request::Tile DocumentView::firstVisibleTile() const
{
    if (!hasDocument())
        return {};
    const QRect tiles = m_grid.visibleTiles(scroll(), viewport()->size());
    if (tiles.isEmpty())
        return {};
    const int pixels = int(TileGrid::TileSize * devicePixelRatioF());
    return {m_model->part(), m_grid.tileTwips(tiles.topLeft()), QSize(pixels, pixels)};
}

void DocumentView::onEngineEvent(const Event &event)
{
    // Where the cursor is comes before the document is shown: it is kept for it.
    const bool aboutPlace = std::holds_alternative<event::CursorMoved>(event) ||
                            std::holds_alternative<event::CursorVisible>(event) ||
                            std::holds_alternative<event::Selection>(event);
    if (!hasDocument() && !aboutPlace)
        return;
    std::visit(Overloaded{
                   [this](const event::Invalidate &e) {
                       if (m_model->kind() != DocumentKind::Text && e.part &&
                           *e.part != m_model->part())
                           return;
                       if (e.twips)
                           m_grid.invalidate(*e.twips);
                       else
                           m_grid.invalidateAll();
                       viewport()->update();
                   },
                   [this](const event::CursorMoved &e) {
                       m_cursor = e.twips;
                       ensureCursorVisible();
                       viewport()->update();
                       emit viewChanged();
                   },
                   [this](const event::CursorVisible &e) {
                       m_cursorVisible = e.visible;
                       viewport()->update();
                   },
                   [this](const event::Selection &e) {
                       m_selection = e.twips;
                       viewport()->update();
                   },
                   [this](const event::DocumentSize &e) {
                       // A document that grew longer keeps what its tiles show (LibreOffice
                       // invalidates what moved); a wider one is laid out anew.
                       const bool wider = e.width != m_model->info().width;
                       m_model->setSize(e.width, e.height);
                       relayout();
                       if (wider)
                           m_grid.invalidateAll();
                       viewport()->update();
                   },
                   [this](const event::PartChanged &e) {
                       // A text document's "parts" are its pages, all in one space.
                       if (m_model->kind() == DocumentKind::Text || e.part == m_model->part() ||
                           e.part < 0 || e.part >= m_model->parts())
                           return;
                       m_model->setPart(e.part);
                       m_grid.dropTiles();
                       m_tiles->dropStandIns();
                       emit partShown(e.part);
                       const QSignalBlocker blocker(m_parts);
                       m_parts->setCurrentIndex(e.part);
                       viewport()->update();
                   },
                   [](const auto &) {},
               },
               event);
}

void DocumentView::ensureCursorVisible()
{
    // Follow the caret as the user types or moves it.
    if (!m_cursor.isNull())
        scrollTo(m_grid.scrollToShow(m_cursor, scroll(), viewport()->size()));
}

void DocumentView::paintEvent(QPaintEvent *event)
{
    qCDebug(lcLatency) << "control: painting" << event->rect();
    QPainter painter(viewport());
    const QColor backdrop = palette().color(QPalette::Window).darker(108);
    painter.fillRect(event->rect(), hasDocument() ? backdrop : palette().color(QPalette::Base));
    if (!hasDocument()) {
        painter.setPen(palette().color(QPalette::PlaceholderText));
        const QString text = m_message.isEmpty() ? QStringLiteral("没有打开的文档") : m_message;
        painter.drawText(viewport()->rect().adjusted(16, 16, -16, -16),
                         Qt::AlignCenter | Qt::TextWordWrap, text);
        return;
    }
    m_tiles->paint(painter, event->rect(), QRect(QPoint(), m_model->size()), m_model->part());
    const QPoint at = scroll();
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(0, 120, 215, 70));
    for (const QRect &rect : m_selection)
        painter.drawRect(m_grid.toViewport(rect, at));
    if (m_cursorVisible && !m_cursor.isNull() && hasFocus()) {
        QRect caret = m_grid.toViewport(m_cursor, at);
        if (m_model->kind() == DocumentKind::Spreadsheet) {
            painter.setBrush(Qt::NoBrush);
            painter.setPen(QPen(QColor(0, 90, 200), 2));
            painter.drawRect(caret);
        } else {
            caret.setWidth(std::max(2, caret.width()));
            painter.fillRect(caret, Qt::black);
        }
    }
}

void DocumentView::resizeEvent(QResizeEvent *event)
{
    QAbstractScrollArea::resizeEvent(event);
    relayout();
}

void DocumentView::scrollContentsBy(int, int)
{
    viewport()->update();
    emit viewChanged();
}

} // namespace framer
