#include "documentview.h"

#include <QHBoxLayout>
#include <QJsonArray>
#include <QKeyEvent>
#include <QLabel>
#include <QLocale>
#include <QPainter>
#include <QPointer>
#include <QProgressBar>
#include <QScrollBar>
#include <QTabBar>

using engineprotocol::DocumentKind;

namespace framer {

namespace {

constexpr int Margin = 12;    // pixels around the page
constexpr int MaxTiles = 160; // about 40 MB of tiles at most
constexpr double ActualSize = 1.0 / 15.0;

// LibreOffice's own key and mouse numbers.
constexpr int KeyShift = 0x1000;
constexpr int KeyMod1 = 0x2000;
constexpr int KeyMod2 = 0x4000;
constexpr int KeyInput = 0;
constexpr int KeyUp = 1;
constexpr int MouseDown = 0;
constexpr int MouseUp = 1;
constexpr int MouseMove = 2;

QRect rectFromJson(const QJsonValue &value)
{
    const QJsonArray a = value.toArray();
    if (a.size() < 4)
        return {};
    return QRect(a[0].toInt(), a[1].toInt(), a[2].toInt(), a[3].toInt());
}

int modifierBits(Qt::KeyboardModifiers modifiers)
{
    int bits = 0;
    if (modifiers & Qt::ShiftModifier)
        bits |= KeyShift;
    if (modifiers & Qt::ControlModifier)
        bits |= KeyMod1;
    if (modifiers & Qt::AltModifier)
        bits |= KeyMod2;
    return bits;
}

QString byteCount(qint64 bytes)
{
    return QLocale::system().formattedDataSize(bytes, 1, QLocale::DataSizeTraditionalFormat);
}

} // namespace

int engineKeyCode(int qtKey, Qt::KeyboardModifiers modifiers)
{
    int code = 0;
    if (qtKey >= Qt::Key_0 && qtKey <= Qt::Key_9)
        code = 256 + (qtKey - Qt::Key_0);
    else if (qtKey >= Qt::Key_A && qtKey <= Qt::Key_Z)
        code = 512 + (qtKey - Qt::Key_A);
    else if (qtKey >= Qt::Key_F1 && qtKey <= Qt::Key_F26)
        code = 768 + (qtKey - Qt::Key_F1);
    else {
        switch (qtKey) {
        case Qt::Key_Down:
            code = 1024;
            break;
        case Qt::Key_Up:
            code = 1025;
            break;
        case Qt::Key_Left:
            code = 1026;
            break;
        case Qt::Key_Right:
            code = 1027;
            break;
        case Qt::Key_Home:
            code = 1028;
            break;
        case Qt::Key_End:
            code = 1029;
            break;
        case Qt::Key_PageUp:
            code = 1030;
            break;
        case Qt::Key_PageDown:
            code = 1031;
            break;
        case Qt::Key_Return:
        case Qt::Key_Enter:
            code = 1280;
            break;
        case Qt::Key_Escape:
            code = 1281;
            break;
        case Qt::Key_Tab:
        case Qt::Key_Backtab:
            code = 1282;
            break;
        case Qt::Key_Backspace:
            code = 1283;
            break;
        case Qt::Key_Space:
            code = 1284;
            break;
        case Qt::Key_Insert:
            code = 1285;
            break;
        case Qt::Key_Delete:
            code = 1286;
            break;
        default:
            return 0;
        }
    }
    return code | modifierBits(modifiers);
}

DocumentView::DocumentView(EngineClient *engine, QWidget *parent)
    : QAbstractScrollArea(parent), m_engine(engine), m_parts(new QTabBar(this)),
      m_transfer(new QWidget(this)), m_transferLabel(new QLabel(m_transfer)),
      m_transferBar(new QProgressBar(m_transfer))
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
            setCurrentPart(index);
    });

    m_transfer->setAutoFillBackground(true);
    m_transfer->setAccessibleName(QStringLiteral("传输进度"));
    auto *layout = new QHBoxLayout(m_transfer);
    layout->setContentsMargins(8, 4, 8, 4);
    m_transferLabel->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_transferBar->setMinimumWidth(160);
    layout->addWidget(m_transferLabel, 1);
    layout->addWidget(m_transferBar);
    m_transfer->hide();

    connect(m_engine, &EngineClient::engineEvent, this, &DocumentView::onEngineEvent);
}

void DocumentView::setDocument(const DocumentInfo &info)
{
    m_info = info;
    m_hasDocument = true;
    m_message.clear();
    m_cursor = {};
    m_selection.clear();
    m_tiles.clear();
    ++m_generation;
    {
        const QSignalBlocker blocker(m_parts);
        while (m_parts->count() > 0)
            m_parts->removeTab(0);
        if (info.kind != DocumentKind::Text) {
            for (int i = 0; i < info.parts; ++i)
                m_parts->addTab(i < info.partNames.size() && !info.partNames[i].isEmpty()
                                    ? info.partNames[i]
                                    : QString::number(i + 1));
            m_parts->setCurrentIndex(info.part);
        }
    }
    m_parts->setVisible(info.kind != DocumentKind::Text && info.parts > 0);
    // Always there with a document, so fitting the width cannot make it appear and change
    // the width again.
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    verticalScrollBar()->setValue(0);
    horizontalScrollBar()->setValue(0);
    relayout();
    viewport()->update();
}

void DocumentView::clearDocument(const QString &message)
{
    m_hasDocument = false;
    m_info = {};
    m_message = message;
    m_tiles.clear();
    m_selection.clear();
    m_cursor = {};
    ++m_generation;
    m_parts->hide();
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    relayout();
    viewport()->update();
}

void DocumentView::setCurrentPart(int part)
{
    if (!m_hasDocument || part < 0 || part >= m_info.parts || part == m_info.part)
        return;
    m_info.part = part;
    m_tiles.clear();
    m_cursor = {};
    m_selection.clear();
    ++m_generation;
    {
        const QSignalBlocker blocker(m_parts);
        m_parts->setCurrentIndex(part);
    }
    QPointer<DocumentView> self(this);
    const int generation = m_generation;
    m_engine->post(QStringLiteral("setPart"), {{"part", part}},
                   [self, generation](const engineprotocol::Message *reply, const QString &) {
                       if (!self || !reply || generation != self->m_generation)
                           return;
                       const DocumentInfo info = DocumentInfo::fromReply(reply->header);
                       self->m_info.width = info.width;
                       self->m_info.height = info.height;
                       self->relayout();
                       self->viewport()->update();
                   });
    verticalScrollBar()->setValue(0);
    relayout();
    viewport()->update();
}

void DocumentView::relayout()
{
    const int barHeight = m_parts->isVisible() ? m_parts->sizeHint().height() : 0;
    setViewportMargins(0, 0, 0, barHeight);
    const QRect area = viewport()->geometry();
    m_parts->setGeometry(area.left(), area.bottom() + 1, area.width(), barHeight);
    const int transferHeight = m_transfer->sizeHint().height();
    m_transfer->setGeometry(0, 0, width(), transferHeight);

    const int oldScale1000 = int(m_scale * 100000);
    if (!m_hasDocument || m_info.width <= 0) {
        horizontalScrollBar()->setRange(0, 0);
        verticalScrollBar()->setRange(0, 0);
        return;
    }
    if (m_info.kind == DocumentKind::Spreadsheet)
        m_scale = ActualSize;
    else
        m_scale = std::clamp(double(viewport()->width() - 2 * Margin) / double(m_info.width),
                             ActualSize / 8, ActualSize * 4);
    if (int(m_scale * 100000) != oldScale1000) {
        m_tiles.clear();
        ++m_generation;
    }
    const int contentWidth = int(m_info.width * m_scale) + 2 * Margin;
    const int contentHeight = int(m_info.height * m_scale) + 2 * Margin;
    m_offsetX = std::max(0, (viewport()->width() - contentWidth) / 2);
    horizontalScrollBar()->setRange(0, std::max(0, contentWidth - viewport()->width()));
    horizontalScrollBar()->setPageStep(viewport()->width());
    verticalScrollBar()->setRange(0, std::max(0, contentHeight - viewport()->height()));
    verticalScrollBar()->setPageStep(viewport()->height());
}

QPoint DocumentView::documentPoint(const QPoint &p) const
{
    const double x = (p.x() + horizontalScrollBar()->value() - m_offsetX - Margin) / m_scale;
    const double y = (p.y() + verticalScrollBar()->value() - Margin) / m_scale;
    return QPoint(int(x), int(y));
}

QRect DocumentView::toViewport(const QRect &twips) const
{
    const int left =
        int(std::floor(twips.x() * m_scale)) + Margin + m_offsetX - horizontalScrollBar()->value();
    const int top = int(std::floor(twips.y() * m_scale)) + Margin - verticalScrollBar()->value();
    return QRect(left, top, std::max(1, int(std::ceil(twips.width() * m_scale))),
                 std::max(1, int(std::ceil(twips.height() * m_scale))));
}

QRect DocumentView::tileViewportRect(int column, int row) const
{
    // Tiles sit on the view's own pixel grid, exactly one tile apart: placing them from their
    // rounded twips would stretch some by a pixel and leave seams through the text.
    return QRect(column * TileSize + Margin + m_offsetX - horizontalScrollBar()->value(),
                 row * TileSize + Margin - verticalScrollBar()->value(), TileSize, TileSize);
}

QRect DocumentView::tileTwips(int column, int row) const
{
    const double side = TileSize / m_scale;
    const int x = int(std::lround(column * side));
    const int y = int(std::lround(row * side));
    return QRect(x, y, int(std::lround((column + 1) * side)) - x,
                 int(std::lround((row + 1) * side)) - y);
}

QRect DocumentView::visibleTiles() const
{
    if (!m_hasDocument || m_scale <= 0)
        return {};
    const int contentWidth = int(m_info.width * m_scale);
    const int contentHeight = int(m_info.height * m_scale);
    const int left = std::max(0, horizontalScrollBar()->value() - m_offsetX - Margin);
    const int top = std::max(0, verticalScrollBar()->value() - Margin);
    const int right = std::min(contentWidth, left + viewport()->width());
    const int bottom = std::min(contentHeight, top + viewport()->height());
    if (right <= left || bottom <= top)
        return {};
    return QRect(QPoint(left / TileSize, top / TileSize),
                 QPoint((right - 1) / TileSize, (bottom - 1) / TileSize));
}

void DocumentView::requestMissingTiles()
{
    const QRect tiles = visibleTiles();
    if (tiles.isEmpty())
        return;
    const qreal ratio = devicePixelRatioF();
    const QSize pixels(int(TileSize * ratio), int(TileSize * ratio));
    for (int row = tiles.top(); row <= tiles.bottom(); ++row)
        for (int column = tiles.left(); column <= tiles.right(); ++column) {
            const quint64 key = tileKey(column, row);
            Tile &tile = m_tiles[key];
            if (tile.pending || (!tile.image.isNull() && !tile.stale))
                continue;
            tile.pending = true;
            QPointer<DocumentView> self(this);
            const int generation = m_generation;
            m_engine->requestTile(m_info.part, tileTwips(column, row), pixels,
                                  [self, key, generation](const QImage &image) {
                                      if (self)
                                          self->storeTile(key, generation, image);
                                  });
        }
}

void DocumentView::storeTile(quint64 key, int generation, const QImage &image)
{
    if (generation != m_generation)
        return;
    auto it = m_tiles.find(key);
    if (it == m_tiles.end())
        return;
    it->pending = false;
    if (image.isNull())
        return; // the engine could not draw it; keep what was there
    it->image = image;
    it->image.setDevicePixelRatio(devicePixelRatioF());
    it->stale = false;
    const int column = int(quint32(key));
    const int row = int(key >> 32);
    viewport()->update(tileViewportRect(column, row));
    pruneTiles();
}

void DocumentView::pruneTiles()
{
    if (m_tiles.size() <= MaxTiles)
        return;
    const QRect keep = visibleTiles().adjusted(-2, -2, 2, 2);
    for (auto it = m_tiles.begin(); it != m_tiles.end();) {
        const QPoint position(int(quint32(it.key())), int(it.key() >> 32));
        if (!it->pending && !keep.contains(position))
            it = m_tiles.erase(it);
        else
            ++it;
    }
}

void DocumentView::drawNow()
{
    const QRect tiles = visibleTiles();
    const qreal ratio = devicePixelRatioF();
    const QSize pixels(int(TileSize * ratio), int(TileSize * ratio));
    for (int row = tiles.top(); row <= tiles.bottom() && !tiles.isEmpty(); ++row)
        for (int column = tiles.left(); column <= tiles.right(); ++column) {
            const quint64 key = tileKey(column, row);
            if (!m_tiles.value(key).image.isNull())
                continue;
            const QImage image = m_engine->renderTile(m_info.part, tileTwips(column, row), pixels);
            Tile &tile = m_tiles[key];
            tile.image = image;
            tile.image.setDevicePixelRatio(ratio);
            tile.stale = false;
        }
    viewport()->update();
}

void DocumentView::invalidate(const QRect &twips, bool all)
{
    for (auto it = m_tiles.begin(); it != m_tiles.end(); ++it) {
        const QPoint position(int(quint32(it.key())), int(it.key() >> 32));
        if (all || tileTwips(position.x(), position.y()).intersects(twips))
            it->stale = true;
    }
    viewport()->update();
}

void DocumentView::onEngineEvent(const QJsonObject &event)
{
    if (!m_hasDocument)
        return;
    const QString name = event.value("event").toString();
    const bool otherPart = m_info.kind != DocumentKind::Text && event.contains("part") &&
                           event.value("part").toInt() != m_info.part;
    if (name == QLatin1String(engineprotocol::event::Invalidate)) {
        if (!otherPart)
            invalidate(rectFromJson(event.value("rect")), event.value("all").toBool());
    } else if (name == QLatin1String(engineprotocol::event::Cursor)) {
        if (event.contains("visible"))
            m_cursorVisible = event.value("visible").toBool();
        if (event.contains("rect")) {
            m_cursor = rectFromJson(event.value("rect"));
            ensureCursorVisible();
        }
        viewport()->update();
    } else if (name == QLatin1String(engineprotocol::event::Selection)) {
        m_selection.clear();
        for (const QJsonValue &rect : event.value("rects").toArray())
            m_selection.append(rectFromJson(rect));
        viewport()->update();
    } else if (name == QLatin1String(engineprotocol::event::DocumentSize)) {
        m_info.width = event.value("width").toInteger();
        m_info.height = event.value("height").toInteger();
        relayout();
        invalidate({}, true);
    } else if (name == QLatin1String(engineprotocol::event::Part)) {
        const int part = event.value("part").toInt();
        if (part != m_info.part && part >= 0 && part < m_info.parts) {
            m_info.part = part;
            m_tiles.clear();
            ++m_generation;
            const QSignalBlocker blocker(m_parts);
            m_parts->setCurrentIndex(part);
            viewport()->update();
        }
    }
}

void DocumentView::ensureCursorVisible()
{
    if (m_cursor.isEmpty())
        return;
    // Follow the caret as the user types or moves it, with a little room around it.
    const QRect caret = toViewport(m_cursor).adjusted(-Margin, -Margin, Margin, Margin);
    const QRect area = viewport()->rect();
    if (caret.top() < area.top())
        verticalScrollBar()->setValue(verticalScrollBar()->value() + caret.top() - area.top());
    else if (caret.bottom() > area.bottom() && caret.height() < area.height())
        verticalScrollBar()->setValue(verticalScrollBar()->value() + caret.bottom() -
                                      area.bottom());
    if (caret.left() < area.left())
        horizontalScrollBar()->setValue(horizontalScrollBar()->value() + caret.left() -
                                        area.left());
    else if (caret.right() > area.right() && caret.width() < area.width())
        horizontalScrollBar()->setValue(horizontalScrollBar()->value() + caret.right() -
                                        area.right());
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
    const QRect tiles = visibleTiles();
    bool missing = false;
    // Tiles at the edges reach past the document; what LibreOffice draws there is not ours.
    painter.setClipRect(
        toViewport(QRect(0, 0, int(m_info.width), int(m_info.height))).adjusted(0, 0, 1, 1));
    for (int row = tiles.top(); row <= tiles.bottom() && !tiles.isEmpty(); ++row)
        for (int column = tiles.left(); column <= tiles.right(); ++column) {
            const QRect target = tileViewportRect(column, row);
            if (!target.intersects(event->rect()))
                continue;
            const Tile tile = m_tiles.value(tileKey(column, row));
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
        painter.drawRect(toViewport(rect));
    if (m_cursorVisible && !m_cursor.isEmpty() && hasFocus()) {
        QRect caret = toViewport(m_cursor);
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
}

void DocumentView::sendMouse(int action, QMouseEvent *event, int count)
{
    if (!m_hasDocument)
        return;
    int buttons = 0;
    const Qt::MouseButtons pressed = event->buttons() | event->button();
    if (pressed & Qt::LeftButton)
        buttons |= 1;
    if (pressed & Qt::MiddleButton)
        buttons |= 2;
    if (pressed & Qt::RightButton)
        buttons |= 4;
    const QPoint point = documentPoint(event->position().toPoint());
    m_engine->post(QStringLiteral("mouse"),
                   {{"action", action},
                    {"x", point.x()},
                    {"y", point.y()},
                    {"count", count},
                    {"buttons", buttons},
                    {"modifiers", modifierBits(event->modifiers())}},
                   [](const engineprotocol::Message *, const QString &) {});
}

void DocumentView::mousePressEvent(QMouseEvent *event)
{
    setFocus(Qt::MouseFocusReason);
    sendMouse(MouseDown, event, 1);
}

void DocumentView::mouseReleaseEvent(QMouseEvent *event)
{
    sendMouse(MouseUp, event, 1);
}

void DocumentView::mouseMoveEvent(QMouseEvent *event)
{
    if (event->buttons() != Qt::NoButton)
        sendMouse(MouseMove, event, 1);
}

void DocumentView::mouseDoubleClickEvent(QMouseEvent *event)
{
    sendMouse(MouseDown, event, 2);
}

void DocumentView::sendKey(int action, QKeyEvent *event)
{
    const int code = engineKeyCode(event->key(), event->modifiers());
    int character = 0;
    const QString text = event->text();
    if (text.size() == 1 && (text[0].isPrint() || text[0] == QLatin1Char('\r') ||
                             text[0] == QLatin1Char('\b') || text[0] == QLatin1Char('\t')))
        character = text[0].unicode();
    if (!(event->modifiers() & Qt::ControlModifier) && text.size() > 1) {
        if (action == KeyInput)
            sendText(text);
        return;
    }
    if (code == 0 && character == 0)
        return;
    m_engine->post(QStringLiteral("key"), {{"action", action}, {"char", character}, {"key", code}},
                   [](const engineprotocol::Message *, const QString &) {});
}

void DocumentView::sendText(const QString &text)
{
    for (const QChar c : text) {
        for (int action : {KeyInput, KeyUp})
            m_engine->post(QStringLiteral("key"),
                           {{"action", action}, {"char", int(c.unicode())}, {"key", 0}},
                           [](const engineprotocol::Message *, const QString &) {});
    }
}

void DocumentView::keyPressEvent(QKeyEvent *event)
{
    if (!m_hasDocument)
        return QAbstractScrollArea::keyPressEvent(event);
    sendKey(KeyInput, event);
}

void DocumentView::keyReleaseEvent(QKeyEvent *event)
{
    if (!m_hasDocument)
        return QAbstractScrollArea::keyReleaseEvent(event);
    sendKey(KeyUp, event);
}

void DocumentView::inputMethodEvent(QInputMethodEvent *event)
{
    // Chinese and other composed text arrives here once the input method commits it.
    if (m_hasDocument && !event->commitString().isEmpty())
        sendText(event->commitString());
    event->accept();
}

QVariant DocumentView::inputMethodQuery(Qt::InputMethodQuery query) const
{
    if (query == Qt::ImCursorRectangle && !m_cursor.isEmpty())
        return toViewport(m_cursor);
    if (query == Qt::ImEnabled)
        return m_hasDocument;
    return QAbstractScrollArea::inputMethodQuery(query);
}

bool DocumentView::focusNextPrevChild(bool next)
{
    // Tab belongs to the document while one is shown.
    return m_hasDocument ? false : QAbstractScrollArea::focusNextPrevChild(next);
}

void DocumentView::showTransfer(const QString &label, const QString &address)
{
    m_transferLabel->setText(QStringLiteral("%1 %2").arg(label, address));
    m_transferBar->setRange(0, 0);
    m_transferBar->setFormat(QString());
    m_transfer->setGeometry(0, 0, width(), m_transfer->sizeHint().height());
    m_transfer->show();
    m_transfer->raise();
}

void DocumentView::setTransferProgress(qint64 done, qint64 total)
{
    if (total > 0) {
        // Scale to a range an int holds whatever the size.
        m_transferBar->setRange(0, 1000);
        m_transferBar->setValue(int(std::min<qint64>(1000, done * 1000 / total)));
        m_transferBar->setFormat(QStringLiteral("%1 / %2").arg(byteCount(done), byteCount(total)));
    } else {
        m_transferBar->setRange(0, 0);
        m_transferBar->setFormat(byteCount(done));
    }
    m_transferBar->setTextVisible(true);
}

void DocumentView::hideTransfer()
{
    m_transfer->hide();
}

bool DocumentView::transferShown() const
{
    return !m_transfer->isHidden();
}

QString DocumentView::transferText() const
{
    return m_transferLabel->text() + QLatin1Char(' ') + m_transferBar->text();
}

} // namespace framer
