#pragma once

#include <QString>

class QWidget;

namespace platform {

// Message-box styles the client uses: OK only, optionally with the information icon.
enum MessageStyle { vbOKOnly = 0, vbInformation = 64 };

// Shows a modal message box captioned with the application title. Tests replace it.
class MessageSink
{
public:
    virtual ~MessageSink() = default;
    virtual void MsgBox(const QString &text, int style = vbOKOnly) = 0;
};

class QtMessageSink : public MessageSink
{
public:
    explicit QtMessageSink(QWidget *parent = nullptr) : m_parent(parent) {}
    void setParent(QWidget *parent) { m_parent = parent; }
    void MsgBox(const QString &text, int style = vbOKOnly) override;

private:
    QWidget *m_parent;
};

} // namespace platform
