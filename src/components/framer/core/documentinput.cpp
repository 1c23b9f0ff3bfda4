#include "core/documentinput.h"

#include "core/inputmapping.h"

#include <QInputMethodEvent>
#include <QKeyEvent>

using namespace engineprotocol;

namespace framer {

void DocumentInput::send(const Request &request)
{
    m_engine->post(request, [](Reply *, const auto &) {});
}

void DocumentInput::mouse(MouseAction action, QPoint twips, int count, Qt::MouseButtons buttons,
                          Qt::KeyboardModifiers modifiers)
{
    send(request::Mouse{action, twips, count, engineButtons(buttons), engineModifiers(modifiers)});
}

void DocumentInput::key(KeyAction action, const QKeyEvent &event)
{
    if (action == KeyAction::Press)
        m_down.insert(event.key());
    else if (!m_down.remove(event.key()))
        return;
    for (const request::Key &key :
         keyRequests(action, event.key(), event.modifiers(), event.text()))
        send(key);
}

void DocumentInput::inputMethod(const QInputMethodEvent &event)
{
    const CompositionInput input =
        compositionRequests(m_composing, event.commitString(), event.preeditString());
    for (const Request &request : input.requests)
        send(request);
    m_composing = input.composing;
}

} // namespace framer
