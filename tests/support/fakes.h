#pragma once

#include "browser.h"
#include "messagebox.h"
#include "processlauncher.h"

#include "automation/automationerror.h"
#include "automation/dispatch.h"

#include <gtest/gtest.h>

#include <QString>
#include <QWidget>

#include <functional>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

namespace fakes {

struct Call
{
    automation::DispId id;
    automation::InvokeKind kind;
    std::vector<automation::Variant> args;
};

// Records every call made on it; answers from a table, or fails the members it is told to.
class RecordingDispatch : public automation::Dispatch
{
public:
    automation::Variant invoke(automation::DispId id, automation::InvokeKind kind,
                               const std::vector<automation::Variant> &args) override;
    automation::DispId idOfName(std::string_view name) override;

    std::vector<Call> calls;
    std::map<automation::DispId, automation::Variant> results;
    std::set<automation::DispId> failing;
    std::map<std::string, automation::DispId> names;
    // Runs inside the call, after it was recorded (e.g. to spin a nested loop).
    std::function<void(const Call &)> during;

    std::vector<automation::DispId> ids() const;
};

// An error as a failing member raises it.
inline automation::AutomationError failure()
{
    return automation::AutomationError(automation::hresult::Fail, "模拟的失败");
}

struct Message
{
    QString text;
    int style;
};

class RecordingMessages : public platform::MessageSink
{
public:
    void MsgBox(const QString &text, int style) override;
    std::vector<Message> shown;
    std::function<void(const Message &)> during;
    QStringList texts() const;
};

class RecordingLauncher : public platform::ProcessLauncher
{
public:
    qint64 Shell(const QString &commandLine, int showState) override;
    std::vector<std::pair<QString, int>> launched;
};

// A browser that records navigations and completes documents when told to.
class FakeBrowser : public platform::Browser
{
public:
    FakeBrowser() : m_widget(new QWidget) {}
    QWidget *widget() override { return m_widget; }
    void setDocumentCompleteHandler(DocumentCompleteHandler handler) override
    {
        m_handler = std::move(handler);
    }
    automation::Variant invoke(automation::DispId id, automation::InvokeKind kind,
                               const std::vector<automation::Variant> &args) override;
    automation::DispId idOfName(std::string_view name) override;

    void complete(std::shared_ptr<automation::Dispatch> page);

    std::vector<QString> navigations;
    std::shared_ptr<automation::Dispatch> page;

private:
    QWidget *m_widget; // owned by the window it is placed in
    DocumentCompleteHandler m_handler;
};

} // namespace fakes

namespace fakes {
// One line per call: "id kind(TYPE value, ...)", for readable expectations.
std::vector<std::string> describe(const std::vector<Call> &calls);
std::string describe(const Call &call);
} // namespace fakes
