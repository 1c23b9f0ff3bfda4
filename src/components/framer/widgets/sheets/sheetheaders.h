#pragma once

#include "enginemessages.h"
#include "widgets/sheets/headerbar.h"

#include <QMargins>
#include <QObject>
#include <QRect>

namespace framer {

class DocumentView;
class EngineClient;

// The row and column headers of the spreadsheet a document view shows: two bars in the view's
// margins (the room it leaves them) that follow its scrolling and scale, with the headers of the
// area in sight asked of the engine without waiting, and again when the sheet's rows or columns
// change.
class SheetHeaders : public QObject
{
    Q_OBJECT

public:
    SheetHeaders(EngineClient *engine, DocumentView *view);

    // The room the bars take left of and above the viewport; none unless a sheet shows.
    QMargins room() const;
    HeaderBar *columnBar() const { return m_columns; }
    HeaderBar *rowBar() const { return m_rows; }

private:
    QList<QWidget *> parts() const { return {m_columns, m_rows, m_corner}; }
    void onDocumentChanged();
    // The bars need another room: the view lays itself out again.
    void takeRoom();
    void onEngineEvent(const engineprotocol::Event &event);
    // Places the bars and their sections for what the view shows now.
    void follow();
    void fetch(const QRect &area);
    void refetch();

    EngineClient *m_engine;
    DocumentView *m_view;
    HeaderBar *m_columns;
    HeaderBar *m_rows;
    QWidget *m_corner;
    bool m_shown = false;
    engineprotocol::reply::RowColumnHeaders m_headers;
    // The area the headers are of, or are asked for.
    QRect m_area;
    bool m_fetching = false;
    int m_generation = 0;
    int m_rowBarWidth = 0;
};

} // namespace framer
