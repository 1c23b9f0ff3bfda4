#include "documentview.h"

#include "sheetheaders.h"
#include "zoomrules.h"

#include <QKeyEvent>
#include <QPainter>
#include <QPointer>
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

DocumentView::DocumentView(EngineClient *engine, QWidget *parent)
    : QAbstractScrollArea(parent), m_engine(engine), m_input(engine),
      m_tiles(new TilePainter(engine, m_grid, viewport(), [this] { return scroll(); })),
      m_parts(new QTabBar(this)), m_headers(new SheetHeaders(engine, this))
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
        if (index >= 0 && index != m_info.part)
            showPart(index);
    });
    connect(m_engine, &EngineClient::eventReceived, this, &DocumentView::onEngineEvent);
    connect(m_headers, &SheetHeaders::roomChanged, this, &DocumentView::relayout);
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

void DocumentView::setDocument(const reply::DocumentInfo &info)
{
    m_info = info;
    m_hasDocument = true;
    m_message.clear();
    m_tiles->dropStandIns();
    m_input.reset();
    m_grid.dropTiles();
    m_zoom = defaultZoom(info.kind);
    m_page = {};
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

void DocumentView::clearDocument(const QString &message)
{
    m_hasDocument = false;
    m_info = {};
    m_message = message;
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
    QPointer<DocumentView> self(this);
    m_engine->post(request::PageRectangles{}, [self](Reply *reply, const auto &) {
        const auto *pages = reply ? std::get_if<reply::Rectangles>(reply) : nullptr;
        if (!self || !pages || pages->twips.isEmpty() || !self->m_hasDocument)
            return;
        self->m_page = pages->twips.first().size();
        if (self->m_zoom.mode == Zoom::FitPage)
            self->setZoom(self->m_zoom);
    });
}

void DocumentView::showPart(int part)
{
    if (!m_hasDocument || part < 0 || part >= m_info.parts || part == m_info.part)
        return;
    m_info.part = part;
    m_grid.dropTiles();
    resetPlace();
    {
        const QSignalBlocker blocker(m_parts);
        m_parts->setCurrentIndex(part);
    }
    QPointer<DocumentView> self(this);
    const int generation = m_grid.generation();
    m_engine->post(request::SetPart{part}, [self, generation](Reply *reply, const auto &) {
        const auto *info = reply ? std::get_if<reply::DocumentInfo>(reply) : nullptr;
        if (!self || !info || generation != self->m_grid.generation())
            return;
        self->m_info.width = info->width;
        self->m_info.height = info->height;
        self->relayout();
        self->viewport()->update();
    });
    verticalScrollBar()->setValue(0);
    relayout();
    viewport()->update();
    emit partShown(part);
}

void DocumentView::relayout()
{
    const int barHeight = m_parts->isVisible() ? m_parts->sizeHint().height() : 0;
    const QMargins headers = m_headers->room();
    setViewportMargins(headers.left(), headers.top(), 0, barHeight);
    const QRect area = viewport()->geometry();
    m_parts->setGeometry(area.left() - headers.left(), area.bottom() + 1,
                         area.width() + headers.left(), barHeight);

    if (m_hasDocument) {
        const QSize room = viewport()->size() - QSize(2, 2) * TileGrid::Margin;
        const QSize size(int(m_info.width), int(m_info.height));
        m_grid.layOutAt(m_info.width, m_info.height, viewport()->width(),
                        zoomScale(m_zoom, m_page.isEmpty() ? size : m_page, size, room));
    }
    const QSize content = m_hasDocument ? m_grid.contentSize() : QSize();
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
    if (m_hasDocument) {
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
    if (m_hasDocument)
        setZoom(Zoom::at(nextZoomStep(zoomPercent(), direction)), anchor);
}

void DocumentView::reveal(int part, const QRect &twips)
{
    if (!m_hasDocument || (m_info.kind != DocumentKind::Text && part != m_info.part))
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
    m_tiles->drawNow(m_info.part);
}

request::Tile DocumentView::firstVisibleTile() const
{
    if (!m_hasDocument)
        return {};
    const QRect tiles = m_grid.visibleTiles(scroll(), viewport()->size());
    if (tiles.isEmpty())
        return {};
    const int pixels = int(TileGrid::TileSize * devicePixelRatioF());
    return {m_info.part, m_grid.tileTwips(tiles.topLeft()), QSize(pixels, pixels)};
}

void DocumentView::onEngineEvent(const Event &event)
{
    // Where the cursor is comes before the document is shown: it is kept for it.
    const bool aboutPlace = std::holds_alternative<event::CursorMoved>(event) ||
                            std::holds_alternative<event::CursorVisible>(event) ||
                            std::holds_alternative<event::Selection>(event);
    if (!m_hasDocument && !aboutPlace)
        return;
    std::visit(Overloaded{
                   [this](const event::Invalidate &e) {
                       if (m_info.kind != DocumentKind::Text && e.part && *e.part != m_info.part)
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
                       m_info.width = e.width;
                       m_info.height = e.height;
                       relayout();
                       m_grid.invalidateAll();
                       viewport()->update();
                   },
                   [this](const event::PartChanged &e) {
                       // A text document's "parts" are its pages, all in one space.
                       if (m_info.kind == DocumentKind::Text || e.part == m_info.part ||
                           e.part < 0 || e.part >= m_info.parts)
                           return;
                       m_info.part = e.part;
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
    QPainter painter(viewport());
    const QColor backdrop = palette().color(QPalette::Window).darker(108);
    painter.fillRect(event->rect(), m_hasDocument ? backdrop : palette().color(QPalette::Base));
    if (!m_hasDocument) {
        painter.setPen(palette().color(QPalette::PlaceholderText));
        const QString text = m_message.isEmpty() ? QStringLiteral("没有打开的文档") : m_message;
        painter.drawText(viewport()->rect().adjusted(16, 16, -16, -16),
                         Qt::AlignCenter | Qt::TextWordWrap, text);
        return;
    }
    m_tiles->paint(painter, event->rect(), QRect(0, 0, int(m_info.width), int(m_info.height)),
                   m_info.part);
    const QPoint at = scroll();
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(0, 120, 215, 70));
    for (const QRect &rect : m_selection)
        painter.drawRect(m_grid.toViewport(rect, at));
    if (m_cursorVisible && !m_cursor.isNull() && hasFocus()) {
        QRect caret = m_grid.toViewport(m_cursor, at);
        if (m_info.kind == DocumentKind::Spreadsheet) {
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
