#include "core/toolactions.h"

#include "core/clipboardformats.h"
#include "core/controlfailure.h"
#include "core/engineclient.h"
#include "enginetrace.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMimeData>

using namespace engineprotocol;

namespace framer {

namespace {

QJsonObject typed(const char *type, const QVariant &value)
{
    return {{"type", type}, {"value", QJsonValue::fromVariant(value)}};
}

QString refusal(const EngineClient::Failure &failure)
{
    return failure.message.isEmpty() ? QStringLiteral("文档引擎没有完成该操作") : failure.message;
}

} // namespace

ToolActions::ToolActions(EngineClient *engine, QObject *parent) : QObject(parent), m_engine(engine)
{
    connect(m_engine, &EngineClient::eventReceived, this, &ToolActions::onEngineEvent);
}

void ToolActions::setDocument(std::optional<DocumentKind> kind)
{
    m_situation.kind = kind;
    m_states.clear();
    emit statesChanged();
}

void ToolActions::setProtected(bool on)
{
    if (std::exchange(m_situation.isProtected, on) != on)
        emit statesChanged();
}

void ToolActions::setReadOnly(bool on)
{
    if (std::exchange(m_situation.readOnly, on) != on)
        emit statesChanged();
}

void ToolActions::setBusy(bool busy)
{
    if (std::exchange(m_situation.busy, busy) != busy)
        emit statesChanged();
}

ToolState ToolActions::state(Tool tool) const
{
    return toolState(tool, m_situation, m_states);
}

bool ToolActions::usable(Tool tool) const
{
    // Whether the document's situation allows the tool; what LibreOffice reported last may
    // trail what the user just did (a selection), so that is for the buttons to show only.
    const ToolState allowed = toolState(tool, m_situation, CommandStates());
    return allowed.visible && allowed.enabled;
}

void ToolActions::onEngineEvent(const Event &event)
{
    if (const auto *changed = std::get_if<event::StateChanged>(&event))
        if (m_situation.kind && m_states.apply(changed->command, changed->value))
            emit statesChanged();
}

void ToolActions::runCommand(Tool tool, const QString &command, const QJsonObject &arguments)
{
    if (!usable(tool))
        return;
    qCDebug(lcLatency) << "control: tool" << command;
    const QByteArray json = arguments.isEmpty()
                                ? QByteArray()
                                : QJsonDocument(arguments).toJson(QJsonDocument::Compact);
    m_engine->ask<Reply>(
        request::Uno{command, json, true, timeouts::CommandMs}, this,
        [this, tool](Reply &) { emit finished(tool, true, {}); },
        [this, tool](const EngineClient::Failure &failure) {
            qCWarning(lcFramer) << "tool" << toolInfo(tool).name << "refused:" << failure.message;
            emit finished(tool, false, refusal(failure));
        });
}

void ToolActions::run(Tool tool)
{
    if (!m_situation.kind)
        return;
    switch (tool) {
    case Tool::Cut:
    case Tool::Copy:
        return copy(tool == Tool::Cut);
    case Tool::Paste:
        return paste();
    default:
        if (const QString command = toolCommand(tool, *m_situation.kind); !command.isEmpty())
            runCommand(tool, command);
    }
}

void ToolActions::setFontName(const QString &family)
{
    if (!family.trimmed().isEmpty())
        runCommand(Tool::FontName, QStringLiteral(".uno:CharFontName"),
                   {{"CharFontName.FamilyName", typed("string", family.trimmed())}});
}

void ToolActions::setFontSize(double points)
{
    runCommand(Tool::FontSize, QStringLiteral(".uno:FontHeight"),
               {{"FontHeight.Height", typed("float", points)}});
}

void ToolActions::setColour(const QColor &colour)
{
    runCommand(Tool::FontColor, QStringLiteral(".uno:Color"),
               {{"Color", typed("long", int(colour.rgb() & 0xffffff))}});
}

void ToolActions::insertTable(int rows, int columns)
{
    // With both sizes given LibreOffice inserts the table without asking.
    runCommand(Tool::InsertTable, QStringLiteral(".uno:InsertTable"),
               {{"Rows", typed("long", rows)}, {"Columns", typed("long", columns)}});
}

void ToolActions::copy(bool cut)
{
    const Tool tool = cut ? Tool::Cut : Tool::Copy;
    if (!usable(tool))
        return;
    m_engine->ask<reply::Clipboard>(
        request::Copy{cut}, this,
        [this, tool](reply::Clipboard &copied) {
            if (auto content = desktopClipboardContent(copied.items))
                QGuiApplication::clipboard()->setMimeData(content.release());
            emit finished(tool, true, {});
        },
        [this, tool](const EngineClient::Failure &failure) {
            emit finished(tool, false, refusal(failure));
        });
}

void ToolActions::paste()
{
    if (!usable(Tool::Paste))
        return;
    const QMimeData *content = QGuiApplication::clipboard()->mimeData();
    const QList<ClipboardItem> items =
        content ? documentClipboardContent(*content) : QList<ClipboardItem>();
    if (items.isEmpty())
        return;
    m_engine->ask<Reply>(
        request::Paste{items}, this, [this](Reply &) { emit finished(Tool::Paste, true, {}); },
        [this](const EngineClient::Failure &failure) {
            emit finished(Tool::Paste, false, refusal(failure));
        });
}

void ToolActions::find(const QString &text, bool backward, bool matchCase)
{
    if (!usable(Tool::Find) || text.isEmpty())
        return;
    m_engine->ask<reply::Found>(
        request::Find{text, backward, matchCase}, this,
        [this](reply::Found &found) {
            emit searched(found.found, found.part, found.twips);
            emit finished(Tool::Find, true, {});
        },
        [this](const EngineClient::Failure &failure) {
            emit finished(Tool::Find, false, refusal(failure));
        });
}

} // namespace framer
