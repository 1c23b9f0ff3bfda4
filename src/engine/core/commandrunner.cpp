#include "commandrunner.h"

#include "enginetrace.h"

#include <LibreOfficeKit/LibreOfficeKitEnums.h>

#include <QJsonDocument>
#include <QJsonObject>

using engineprotocol::reply::CommandResult;

namespace enginecore {

namespace {

constexpr int SettleTimeoutMs = 20000;

std::optional<CommandResult> resultOf(const Callback &callback)
{
    if (callback.type != LOK_CALLBACK_UNO_COMMAND_RESULT)
        return std::nullopt;
    const QJsonObject object = QJsonDocument::fromJson(callback.payload).object();
    return CommandResult{object.value(QStringLiteral("commandName")).toString(),
                         object.value(QStringLiteral("success")).toBool(), callback.payload};
}

} // namespace

CommandRunner::CommandRunner(CallbackQueue &queue) : m_queue(queue) {}

void CommandRunner::setDocument(DocumentBackend *document)
{
    m_document = document;
    m_inputPending = false;
    m_lastInput = Input::None;
}

std::optional<CommandResult> CommandRunner::run(const QByteArray &command,
                                                const QByteArray &arguments, int timeoutMs,
                                                const Observer &observe)
{
    if (!settleInput())
        return std::nullopt;
    qCDebug(lcLatency) << "engine: running" << command;
    m_document->postUnoCommand(command, arguments, true);
    qCDebug(lcLatency) << "engine: posted" << command;
    std::optional<CommandResult> result;
    const QString name = QString::fromUtf8(command);
    const bool finished = m_queue.waitFor(
        [&](const Callback &callback) {
            if (observe)
                observe(callback);
            result = resultOf(callback);
            return result && result->command == name;
        },
        timeoutMs);
    qCDebug(lcLatency) << "engine: ran" << command;
    return finished ? result : std::nullopt;
}

bool CommandRunner::post(const QByteArray &command, const QByteArray &arguments)
{
    if (!settleInput())
        return false;
    m_document->postUnoCommand(command, arguments, false);
    m_inputPending = true;
    return true;
}

bool CommandRunner::settleBefore(Input next)
{
    const Input previous = std::exchange(m_lastInput, next);
    m_inputPending = true;
    if (previous == Input::None || previous == next)
        return true;
    return settle();
}

bool CommandRunner::settleInput()
{
    if (!m_inputPending)
        return true;
    m_lastInput = Input::None;
    if (!settle())
        return false;
    m_inputPending = false;
    return true;
}

bool CommandRunner::waitFor(const std::function<bool(const Callback &)> &accept, int timeoutMs)
{
    return m_queue.waitFor(accept, timeoutMs);
}

bool CommandRunner::settle()
{
    // A command posted after input runs after it, so its result tells that the input has been
    // applied. .uno:ModifiedStatus only reports state: it changes nothing and always answers.
    qCDebug(lcLatency) << "engine: settling input";
    m_document->postUnoCommand(".uno:ModifiedStatus", {}, true);
    return m_queue.waitFor(
        [](const Callback &callback) {
            const auto result = resultOf(callback);
            return result && result->command == QLatin1String(".uno:ModifiedStatus");
        },
        SettleTimeoutMs);
}

} // namespace enginecore
