#pragma once

#include "enginemessages.h"

#include <QList>
#include <Qt>

class QString;

// Qt's keys, modifiers and mouse buttons in LibreOffice's numbers.
namespace framer {

// LibreOffice's key code (com::sun::star::awt::Key) for a Qt key, with its modifier bits;
// 0 for a key it has no code for.
int engineKeyCode(int qtKey, Qt::KeyboardModifiers modifiers);
int engineModifiers(Qt::KeyboardModifiers modifiers);
// Whether a key pressed in the document belongs to it before any shortcut of the host's window:
// typing, editing and moving keys, with or without Ctrl and Shift. Keys held with Alt or Meta
// (the host's menus, the desktop), function keys (the host's help and commands) and the office's
// file commands (Ctrl+N, O, P, Q, S, W) do not.
bool documentUsesKey(int qtKey, Qt::KeyboardModifiers modifiers);
// 1 left, 2 middle, 4 right.
int engineButtons(Qt::MouseButtons buttons);
// The character a key event's text types: one printable character, carriage return,
// backspace or tab; 0 for anything else.
int typedCharacter(const QString &text);

// What a key event sends the engine: nothing, the key, or for text of several characters
// (an input method's, or a paste of keys) each character pressed and released.
QList<engineprotocol::request::Key> keyRequests(engineprotocol::KeyAction action, int qtKey,
                                                Qt::KeyboardModifiers modifiers,
                                                const QString &text);
// The characters of committed text, each pressed and released.
QList<engineprotocol::request::Key> textRequests(const QString &text);

// What an input method's event sends: text committed outside a composition is typed; while
// composing, the pre-edit text is shown at the cursor and the commit ends it.
struct CompositionInput
{
    QList<engineprotocol::Request> requests;
    // Whether a composition is under way afterwards.
    bool composing = false;
};
CompositionInput compositionRequests(bool composing, const QString &commit, const QString &preedit);

} // namespace framer
