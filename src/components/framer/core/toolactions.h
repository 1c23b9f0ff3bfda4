#pragma once

#include "core/commandstates.h"
#include "core/tools.h"

#include <QColor>
#include <QJsonObject>
#include <QObject>

namespace framer {

class EngineClient;

// What the tools do: each runs through the engine's command path and its result is awaited
// without holding up the window; copy, cut and paste trade with the desktop's clipboard. It
// follows the document's command states and says how each tool should show.
class ToolActions : public QObject
{
    Q_OBJECT

public:
    explicit ToolActions(EngineClient *engine, QObject *parent = nullptr);

    // A document of kind was loaded, or none is (nullopt): the states start afresh.
    void setDocument(std::optional<engineprotocol::DocumentKind> kind);
    void setProtected(bool on);
    void setReadOnly(bool on);
    void setBusy(bool busy);
    ToolState state(Tool tool) const;
    std::optional<engineprotocol::DocumentKind> documentKind() const { return m_situation.kind; }

    // A tool's own command (undo, bold, align, bullets, ...), or the clipboard's and find's.
    void run(Tool tool);
    void setFontName(const QString &family);
    void setFontSize(double points);
    void setColour(const QColor &colour);
    void insertTable(int rows, int columns);
    void copy(bool cut);
    void paste();
    void find(const QString &text, bool backward, bool matchCase);

signals:
    // Some tool's state changed.
    void statesChanged();
    // A tool's action came back: done, or refused with a message for the user.
    void finished(framer::Tool tool, bool done, const QString &message);
    // A search came back: the match (its part and rectangles) or none.
    void searched(bool found, int part, const QList<QRect> &twips);

private:
    void runCommand(Tool tool, const QString &command, const QJsonObject &arguments = {});
    void onEngineEvent(const engineprotocol::Event &event);
    bool usable(Tool tool) const;

    EngineClient *m_engine;
    CommandStates m_states;
    DocumentSituation m_situation;
};

} // namespace framer
