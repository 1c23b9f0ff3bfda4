#pragma once

#include "enginemessages.h"

#include <QObject>

namespace framer {

class DocumentView;
class EngineClient;
class FormulaBar;

// Connects a formula bar to the engine for the spreadsheet a view shows: the bar shows the
// current cell as the engine reports it, and what the user enters there goes to the engine
// without waiting; a refusal (a protected document, an address off the sheet) shows in the
// bar and the cell's content comes back.
class CellEditing : public QObject
{
    Q_OBJECT

public:
    CellEditing(EngineClient *engine, DocumentView *view, FormulaBar *bar);

private:
    void onDocumentChanged();
    void onEngineEvent(const engineprotocol::Event &event);
    void send(const engineprotocol::Request &request);

    EngineClient *m_engine;
    DocumentView *m_view;
    FormulaBar *m_bar;
};

} // namespace framer
