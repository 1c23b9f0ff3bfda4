#include "fakes.h"

using namespace automation;

namespace fakes {

Variant RecordingDispatch::invoke(DispId id, InvokeKind kind, const std::vector<Variant> &args)
{
    calls.push_back({id, kind, args});
    if (during)
        during(calls.back());
    if (failing.count(id))
        throw failure();
    auto it = results.find(id);
    return it == results.end() ? Variant() : it->second;
}

DispId RecordingDispatch::idOfName(std::string_view name)
{
    auto it = names.find(std::string(name));
    if (it == names.end())
        throw unknownName(name);
    return it->second;
}

std::vector<DispId> RecordingDispatch::ids() const
{
    std::vector<DispId> out;
    for (const Call &call : calls)
        out.push_back(call.id);
    return out;
}

void RecordingMessages::MsgBox(const QString &text, int style)
{
    shown.push_back({text, style});
    if (during)
        during(shown.back());
}

QStringList RecordingMessages::texts() const
{
    QStringList out;
    for (const Message &m : shown)
        out << m.text;
    return out;
}

qint64 RecordingLauncher::Shell(const QString &commandLine, int showState)
{
    launched.emplace_back(commandLine, showState);
    return 4242;
}

Variant FakeBrowser::invoke(DispId id, InvokeKind kind, const std::vector<Variant> &args)
{
    if (id == DispidNavigate2 && kind == InvokeKind::Method) {
        navigations.push_back(QString::fromStdString(args.at(0).toString()));
        EXPECT_EQ(args.size(), 1u) << "Navigate2 takes exactly one argument here";
        return {};
    }
    if (id == DispidDocument) {
        if (!page)
            throw AutomationError(hresult::Fail, "no page");
        return Variant::dispatch(page);
    }
    throw AutomationError(hresult::MemberNotFound, "no such member");
}

DispId FakeBrowser::idOfName(std::string_view name)
{
    throw unknownName(name);
}

void FakeBrowser::complete(std::shared_ptr<Dispatch> newPage)
{
    page = std::move(newPage);
    if (m_handler)
        m_handler(Variant::dispatch(page), Variant::bstr("about:test"));
}

} // namespace fakes

namespace fakes {

std::string describe(const Call &call)
{
    char id[16];
    std::snprintf(id, sizeof id, "%X", static_cast<unsigned>(call.id));
    std::string out = std::string(id) + " " + invokeKindName(call.kind) + "(";
    for (std::size_t i = 0; i < call.args.size(); ++i) {
        const Variant &arg = call.args[i];
        if (i)
            out += ", ";
        out += varTypeName(arg.type());
        if (arg.type() != VarType::Dispatch)
            out += " " + arg.toString();
    }
    return out + ")";
}

std::vector<std::string> describe(const std::vector<Call> &calls)
{
    std::vector<std::string> out;
    for (const Call &call : calls)
        out.push_back(describe(call));
    return out;
}

} // namespace fakes
