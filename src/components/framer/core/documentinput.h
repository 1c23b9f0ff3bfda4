#pragma once

#include "core/engineclient.h"

#include <QSet>

class QInputMethodEvent;
class QKeyEvent;

namespace framer {

// Sends the user's keys, clicks and composed text to the engine as the document's own input.
// Input is not answered: a refusal (a protected document) simply changes nothing.
class DocumentInput
{
public:
    explicit DocumentInput(EngineClient *engine) : m_engine(engine) {}

    void mouse(engineprotocol::MouseAction action, QPoint twips, int count,
               Qt::MouseButtons buttons, Qt::KeyboardModifiers modifiers);
    // A key's release goes only where its press went: a press the control took for itself
    // (Ctrl+C) leaves the document out of both.
    void key(engineprotocol::KeyAction action, const QKeyEvent &event);
    // An input method's pre-edit text is shown at the cursor while composed.
    void inputMethod(const QInputMethodEvent &event);
    bool isComposing() const { return m_composing; }
    // A new document, or none: no composition goes on.
    void reset()
    {
        m_composing = false;
        m_down.clear();
    }

private:
    void send(const engineprotocol::Request &request);

    EngineClient *m_engine;
    bool m_composing = false;
    QSet<int> m_down;
};

} // namespace framer
