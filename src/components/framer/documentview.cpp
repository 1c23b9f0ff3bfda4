#include "documentview.h"

#include "inputmapping.h"
#include "sheetheaders.h"

#include <QKeyEvent>
#include <QPainter>
#include <QPointer>
#include <QScrollBar>
#include <QTabBar>

using namespace engineprotocol;

namespace framer {

namespace {

constexpr int MaxTiles = 160; // about 40 MB of tiles at most

template <class... Handlers> struct Overloaded : Handlers...
{
    using Handlers::operator()...;
};

} // namespace

DocumentView::DocumentView(EngineClient *engine, QWidget *parent)
    : QAbstractScrollArea(parent), m_engine(engine), m_parts(new QTabBar(this)),
      m_headers(new SheetHeaders(engine, this))
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
}

QPoint DocumentView::scroll() const
{
    return QPoint(horizontalScrollBar()->value(), verticalScrollBar()->value());
}

void DocumentView::setDocument(const reply::DocumentInfo &info)
{
    m_info = info;
    m_hasDocument = true;
    m_message.clear();
    m_cursor = {};
    m_selection.clear();
    m_grid.dropTiles();
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
    verticalScrollBar()->setValue(0);
    horizontalScrollBar()->setValue(0);
    emit documentChanged();
    relayout();
    viewport()->update();
}

void DocumentView::clearDocument(const QString &message)
{
    m_hasDocument = false;
    m_info = {};
    m_message = message;
    m_grid.clear();
    m_selection.clear();
    m_cursor = {};
    m_parts->hide();
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    emit documentChanged();
    relayout();
    viewport()->update();
}

void DocumentView::showPart(int part)
{
    if (!m_hasDocument || part < 0 || part >= m_info.parts || part == m_info.part)
        return;
    m_info.part = part;
    m_grid.dropTiles();
    m_cursor = {};
    m_selection.clear();
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

    if (m_hasDocument)
        m_grid.layOut(m_info.width, m_info.height, viewport()->width(),
                      m_info.kind != DocumentKind::Spreadsheet);
    const QSize content = m_hasDocument ? m_grid.contentSize() : QSize();
    // A sheet's cells start right at its headers: the margin before them stays scrolled past.
    const int start = headers.isNull() ? 0 : TileGrid::Margin;
    horizontalScrollBar()->setRange(start, std::max(start, content.width() - viewport()->width()));
    horizontalScrollBar()->setPageStep(viewport()->width());
    verticalScrollBar()->setRange(start, std::max(start, content.height() - viewport()->height()));
    verticalScrollBar()->setPageStep(viewport()->height());
    emit viewChanged();
}

QPoint DocumentView::documentPoint(const QPoint &viewportPoint) const
{
    return m_grid.toTwips(viewportPoint, scroll());
}

QPoint DocumentView::viewportPoint(const QPoint &twips) const
{
    return m_grid.toViewport(QRect(twips, QSize(1, 1)), scroll()).topLeft();
}

void DocumentView::requestMissingTiles()
{
    const qreal ratio = devicePixelRatioF();
    const QSize pixels(int(TileGrid::TileSize * ratio), int(TileGrid::TileSize * ratio));
    const int generation = m_grid.generation();
    for (const QPoint tile :
         m_grid.takeMissing(m_grid.visibleTiles(scroll(), viewport()->size()))) {
        QPointer<DocumentView> self(this);
        m_engine->requestTile(m_info.part, m_grid.tileTwips(tile), pixels,
                              [self, tile, generation](const QImage &image) {
                                  if (self)
                                      self->storeTile(tile, generation, image);
                              });
    }
}

void DocumentView::storeTile(QPoint tile, int generation, const QImage &image)
{
    QImage drawn = image;
    drawn.setDevicePixelRatio(devicePixelRatioF());
    if (!m_grid.store(tile, generation, drawn))
        return;
    viewport()->update(m_grid.tileRect(tile, scroll()));
    m_grid.prune(m_grid.visibleTiles(scroll(), viewport()->size()).adjusted(-2, -2, 2, 2),
                 MaxTiles);
}

void DocumentView::drawNow()
{
    const QRect visible = m_grid.visibleTiles(scroll(), viewport()->size());
    QList<QPoint> missing;
    QList<QRect> twips;
    for (int row = visible.top(); row <= visible.bottom() && !visible.isEmpty(); ++row)
        for (int column = visible.left(); column <= visible.right(); ++column)
            if (m_grid.tile({column, row}).image.isNull()) {
                missing.append({column, row});
                twips.append(m_grid.tileTwips({column, row}));
            }
    const qreal ratio = devicePixelRatioF();
    const QSize pixels(int(TileGrid::TileSize * ratio), int(TileGrid::TileSize * ratio));
    const int generation = m_grid.generation();
    const QList<QImage> images = m_engine->renderTiles(m_info.part, twips, pixels);
    for (qsizetype i = 0; i < missing.size(); ++i)
        storeTile(missing[i], generation, images[i]);
    viewport()->update();
}

void DocumentView::scrollTo(QPoint position)
{
    horizontalScrollBar()->setValue(position.x());
    verticalScrollBar()->setValue(position.y());
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
    if (!m_hasDocument)
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
                       if (e.part == m_info.part || e.part < 0 || e.part >= m_info.parts)
                           return;
                       m_info.part = e.part;
                       m_grid.dropTiles();
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
    if (m_cursor.isNull())
        return;
    const QPoint target = m_grid.scrollToShow(m_cursor, scroll(), viewport()->size());
    horizontalScrollBar()->setValue(target.x());
    verticalScrollBar()->setValue(target.y());
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
    const QPoint at = scroll();
    const QRect tiles = m_grid.visibleTiles(at, viewport()->size());
    bool missing = false;
    // Tiles at the edges reach past the document; what LibreOffice draws there is not ours.
    painter.setClipRect(m_grid.toViewport(QRect(0, 0, int(m_info.width), int(m_info.height)), at)
                            .adjusted(0, 0, 1, 1));
    for (int row = tiles.top(); row <= tiles.bottom() && !tiles.isEmpty(); ++row)
        for (int column = tiles.left(); column <= tiles.right(); ++column) {
            const QRect target = m_grid.tileRect({column, row}, at);
            if (!target.intersects(event->rect()))
                continue;
            const TileGrid::Tile tile = m_grid.tile({column, row});
            if (tile.image.isNull()) {
                painter.fillRect(target, Qt::white);
                missing = true;
            } else {
                painter.drawImage(target, tile.image);
                missing = missing || tile.stale;
            }
        }
    painter.setClipping(false);
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
    if (missing)
        requestMissingTiles();
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

void DocumentView::send(const Request &request)
{
    // Input is not answered: a refusal (a protected document) simply changes nothing.
    m_engine->post(request, [](Reply *, const auto &) {});
}

void DocumentView::sendMouse(MouseAction action, QMouseEvent *event, int count)
{
    if (m_hasDocument)
        send(request::Mouse{action, documentPoint(event->position().toPoint()), count,
                            engineButtons(event->buttons() | event->button()),
                            engineModifiers(event->modifiers())});
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
    if (event->buttons() != Qt::NoButton)
        sendMouse(MouseAction::Move, event, 1);
}

void DocumentView::mouseDoubleClickEvent(QMouseEvent *event)
{
    sendMouse(MouseAction::Press, event, 2);
}

void DocumentView::sendKey(KeyAction action, QKeyEvent *event)
{
    for (const request::Key &key :
         keyRequests(action, event->key(), event->modifiers(), event->text()))
        send(key);
}

void DocumentView::keyPressEvent(QKeyEvent *event)
{
    if (!m_hasDocument)
        return QAbstractScrollArea::keyPressEvent(event);
    sendKey(KeyAction::Press, event);
}

void DocumentView::keyReleaseEvent(QKeyEvent *event)
{
    if (!m_hasDocument)
        return QAbstractScrollArea::keyReleaseEvent(event);
    sendKey(KeyAction::Release, event);
}

void DocumentView::inputMethodEvent(QInputMethodEvent *event)
{
    // Chinese and other composed text arrives here once the input method commits it.
    if (m_hasDocument)
        for (const request::Key &key : textRequests(event->commitString()))
            send(key);
    event->accept();
}

QVariant DocumentView::inputMethodQuery(Qt::InputMethodQuery query) const
{
    if (query == Qt::ImCursorRectangle && !m_cursor.isNull())
        return m_grid.toViewport(m_cursor, scroll());
    if (query == Qt::ImEnabled)
        return m_hasDocument;
    return QAbstractScrollArea::inputMethodQuery(query);
}

bool DocumentView::focusNextPrevChild(bool next)
{
    // Tab belongs to the document while one is shown.
    return m_hasDocument ? false : QAbstractScrollArea::focusNextPrevChild(next);
}

} // namespace framer
