#pragma once

#include "engineclient.h"
#include "tilegrid.h"

#include <QAbstractScrollArea>
#include <QList>
#include <QRect>

class QTabBar;

namespace framer {

class SheetHeaders;

// Shows the loaded document from tiles the engine draws, fitted to the width for text and
// slides, at 100% for sheets, and forwards mouse and keyboard input to the engine as the
// document's own. Painting never waits for the engine: missing tiles are asked for and drawn
// when they arrive.
class DocumentView : public QAbstractScrollArea
{
    Q_OBJECT

public:
    explicit DocumentView(EngineClient *engine, QWidget *parent = nullptr);

    void setDocument(const engineprotocol::reply::DocumentInfo &info);
    // No document: an empty area with a hint, or the given message (why the engine stopped).
    void clearDocument(const QString &message = {});
    bool hasDocument() const { return m_hasDocument; }
    const engineprotocol::reply::DocumentInfo &document() const { return m_info; }
    QString message() const { return m_message; }

    // Draws every visible tile that is missing, waiting for the engine.
    void drawNow();
    // Shows another sheet or slide.
    void showPart(int part);

    const TileGrid &grid() const { return m_grid; }
    // The cursor, or the current cell of a sheet, in twips; empty when there is none.
    QRect cursorTwips() const { return m_cursor; }

    // The viewport's top left in the laid out document, and scrolling back there.
    QPoint scrollPosition() const { return scroll(); }
    void scrollTo(QPoint position);
    // The request for the tile at the viewport's top left, as it is drawn now.
    engineprotocol::request::Tile firstVisibleTile() const;

    // Document twips for a point of the viewport, and back.
    QPoint documentPoint(const QPoint &viewportPoint) const;
    QPoint viewportPoint(const QPoint &twips) const;

signals:
    // A document was set, or cleared.
    void documentChanged();
    // What the viewport shows moved or was laid out again.
    void viewChanged();
    void partShown(int part);

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void scrollContentsBy(int dx, int dy) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void keyReleaseEvent(QKeyEvent *event) override;
    void inputMethodEvent(QInputMethodEvent *event) override;
    QVariant inputMethodQuery(Qt::InputMethodQuery query) const override;
    bool focusNextPrevChild(bool next) override;

private:
    QPoint scroll() const;
    void onEngineEvent(const engineprotocol::Event &event);
    void relayout();
    void ensureCursorVisible();
    void requestMissingTiles();
    void storeTile(QPoint tile, int generation, const QImage &image);
    void sendMouse(engineprotocol::MouseAction action, QMouseEvent *event, int count);
    void sendKey(engineprotocol::KeyAction action, QKeyEvent *event);
    void send(const engineprotocol::Request &request);

    EngineClient *m_engine;
    engineprotocol::reply::DocumentInfo m_info;
    bool m_hasDocument = false;
    QString m_message;
    TileGrid m_grid;
    QRect m_cursor;
    bool m_cursorVisible = true;
    QList<QRect> m_selection;
    QTabBar *m_parts;
    SheetHeaders *m_headers;
};

} // namespace framer
