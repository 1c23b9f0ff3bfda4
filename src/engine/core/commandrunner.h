#pragma once

#include "callbackqueue.h"
#include "documentbackend.h"
#include "enginemessages.h"

#include <QByteArray>

#include <functional>
#include <optional>

namespace enginecore {

// Runs .uno: commands on a document and keeps its input in order. LibreOffice handles typed
// characters, other keys, clicks and commands at different times on its own thread; the
// runner waits where one kind follows another, so each is applied in the order it came.
class CommandRunner
{
public:
    // What kind of input was posted last.
    enum class Input { None, Character, Command, Mouse, Composition };
    using Observer = std::function<void(const Callback &)>;

    explicit CommandRunner(CallbackQueue &queue);

    // The document commands go to; null when none is loaded. Forgets pending input.
    void setDocument(DocumentBackend *document);

    // Runs command after the input posted so far and waits for its result; observe sees
    // every callback meanwhile. Nothing when it did not finish within timeoutMs.
    std::optional<engineprotocol::reply::CommandResult> run(const QByteArray &command,
                                                            const QByteArray &arguments = {},
                                                            int timeoutMs = 30000,
                                                            const Observer &observe = {});
    // Posts command without waiting; it counts as pending input. False when earlier input
    // did not settle first.
    bool post(const QByteArray &command, const QByteArray &arguments);

    // Before posting input of kind next: waits for earlier input of another kind. False when
    // LibreOffice did not apply it in time.
    bool settleBefore(Input next);
    // Waits until LibreOffice has applied every input posted so far.
    bool settleInput();
    // Waits for a callback that may trail a command's result (LibreOffice flushes some, a
    // graphic selection among them, only when next idle).
    bool waitFor(const std::function<bool(const Callback &)> &accept, int timeoutMs);

private:
    bool settle();

    CallbackQueue &m_queue;
    DocumentBackend *m_document = nullptr;
    bool m_inputPending = false;
    Input m_lastInput = Input::None;
};

} // namespace enginecore
