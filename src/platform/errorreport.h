#pragma once

#include <QString>

#include <cstdint>
#include <functional>

namespace platform {

class MessageSink;

// The one entry point every event handler runs through: an error that escapes the handler is
// shown in one message box with its number and description, and the program goes on.
class ErrorReport
{
public:
    explicit ErrorReport(MessageSink &messages) : m_messages(messages) {}

    // Returns false when the handler ended with an error.
    bool run(const std::function<void()> &handler) noexcept;

    static QString format(std::int32_t number, const QString &description);

private:
    MessageSink &m_messages;
};

} // namespace platform
