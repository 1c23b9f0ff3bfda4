#include "core/inputmapping.h"

#include <QString>

namespace framer {

namespace {

constexpr int KeyShift = 0x1000;
constexpr int KeyMod1 = 0x2000; // Ctrl
constexpr int KeyMod2 = 0x4000; // Alt

int specialKeyCode(int qtKey)
{
    switch (qtKey) {
    case Qt::Key_Down:
        return 1024;
    case Qt::Key_Up:
        return 1025;
    case Qt::Key_Left:
        return 1026;
    case Qt::Key_Right:
        return 1027;
    case Qt::Key_Home:
        return 1028;
    case Qt::Key_End:
        return 1029;
    case Qt::Key_PageUp:
        return 1030;
    case Qt::Key_PageDown:
        return 1031;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        return 1280;
    case Qt::Key_Escape:
        return 1281;
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
        return 1282;
    case Qt::Key_Backspace:
        return 1283;
    case Qt::Key_Space:
        return 1284;
    case Qt::Key_Insert:
        return 1285;
    case Qt::Key_Delete:
        return 1286;
    default:
        return 0;
    }
}

} // namespace

int engineModifiers(Qt::KeyboardModifiers modifiers)
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

int engineKeyCode(int qtKey, Qt::KeyboardModifiers modifiers)
{
    int code = 0;
    if (qtKey >= Qt::Key_0 && qtKey <= Qt::Key_9)
        code = 256 + (qtKey - Qt::Key_0);
    else if (qtKey >= Qt::Key_A && qtKey <= Qt::Key_Z)
        code = 512 + (qtKey - Qt::Key_A);
    else if (qtKey >= Qt::Key_F1 && qtKey <= Qt::Key_F26)
        code = 768 + (qtKey - Qt::Key_F1);
    else
        code = specialKeyCode(qtKey);
    return code == 0 ? 0 : code | engineModifiers(modifiers);
}

bool documentUsesKey(int qtKey, Qt::KeyboardModifiers modifiers)
{
    if (modifiers & (Qt::AltModifier | Qt::MetaModifier))
        return false;
    if (qtKey >= Qt::Key_F1 && qtKey <= Qt::Key_F35)
        return false;
    // The office's file commands (new, open, print, quit, save, close) are no editing: the
    // host's own, if it has them.
    static const QList<int> fileCommands = {Qt::Key_N, Qt::Key_O, Qt::Key_P,
                                            Qt::Key_Q, Qt::Key_S, Qt::Key_W};
    if ((modifiers & Qt::ControlModifier) && fileCommands.contains(qtKey))
        return false;
    if (engineKeyCode(qtKey, modifiers) != 0)
        return true;
    // Without Ctrl every other key types a character; with it only the keys above edit.
    return !(modifiers & Qt::ControlModifier) && qtKey < Qt::Key_Escape;
}

int engineButtons(Qt::MouseButtons buttons)
{
    int bits = 0;
    if (buttons & Qt::LeftButton)
        bits |= 1;
    if (buttons & Qt::MiddleButton)
        bits |= 2;
    if (buttons & Qt::RightButton)
        bits |= 4;
    return bits;
}

int typedCharacter(const QString &text)
{
    if (text.size() != 1)
        return 0;
    const QChar c = text[0];
    const bool typed =
        c.isPrint() || c == QLatin1Char('\r') || c == QLatin1Char('\b') || c == QLatin1Char('\t');
    return typed ? c.unicode() : 0;
}

} // namespace framer

namespace framer {

using engineprotocol::KeyAction;
using engineprotocol::request::Key;

QList<Key> textRequests(const QString &text)
{
    QList<Key> keys;
    for (const QChar c : text)
        for (KeyAction action : {KeyAction::Press, KeyAction::Release})
            keys.append(Key{action, c.unicode(), 0});
    return keys;
}

QList<Key> keyRequests(KeyAction action, int qtKey, Qt::KeyboardModifiers modifiers,
                       const QString &text)
{
    if (!(modifiers & Qt::ControlModifier) && text.size() > 1)
        return action == KeyAction::Press ? textRequests(text) : QList<Key>();
    const int code = engineKeyCode(qtKey, modifiers);
    const int character = typedCharacter(text);
    if (code == 0 && character == 0)
        return {};
    return {Key{action, character, code}};
}

} // namespace framer

namespace framer {

CompositionInput compositionRequests(bool composing, const QString &commit, const QString &preedit)
{
    using engineprotocol::request::Composition;
    CompositionInput input;
    if (composing) {
        if (!commit.isEmpty() || preedit.isEmpty())
            input.requests.append(Composition{commit, true});
        else
            input.requests.append(Composition{preedit, false});
    } else {
        for (const auto &key : textRequests(commit))
            input.requests.append(key);
    }
    const bool restarts = !preedit.isEmpty() && (!composing || !commit.isEmpty());
    if (restarts)
        input.requests.append(Composition{preedit, false});
    input.composing = !preedit.isEmpty();
    return input;
}

} // namespace framer
