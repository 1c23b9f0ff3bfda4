#include "fakeoffice.h"

#include <LibreOfficeKit/LibreOfficeKitEnums.h>

#include <algorithm>

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

FakeDocument::FakeDocument(int type) : type(type) {}

FakeDocument::~FakeDocument()
{
    for (std::thread &thread : m_threads)
        thread.join();
}

void FakeDocument::callBack(int type, const QByteArray &payload)
{
    if (m_sink)
        m_sink(type, payload);
}

void FakeDocument::callBackFromAnotherThread(int type, const QByteArray &payload)
{
    m_threads.emplace_back([sink = m_sink, type, payload] { sink(type, payload); });
}

void FakeDocument::answer(const QByteArray &command, bool success)
{
    const QJsonObject result{{"commandName", QString::fromUtf8(command)}, {"success", success}};
    callBack(LOK_CALLBACK_UNO_COMMAND_RESULT, QJsonDocument(result).toJson(QJsonDocument::Compact));
}

void FakeDocument::setPart(int part)
{
    current = part;
    log << QStringLiteral("part %1").arg(part);
}

QByteArray FakeDocument::partInfo(int part)
{
    return QJsonDocument(QJsonObject{{"visible", sheets.value(part).visible ? "1" : "0"}})
        .toJson(QJsonDocument::Compact);
}

void FakeDocument::paintTile(uchar *buffer, QSize pixels, QRect twips)
{
    // Opaque white, so a test sees that the tile was drawn.
    std::fill(buffer, buffer + qsizetype(pixels.width()) * pixels.height() * 4, uchar(0xff));
    log << QStringLiteral("tile %1,%2 %3x%4")
               .arg(twips.x())
               .arg(twips.y())
               .arg(pixels.width())
               .arg(pixels.height());
}

void FakeDocument::paintPartTile(uchar *buffer, int part, QSize pixels, QRect twips)
{
    std::fill(buffer, buffer + qsizetype(pixels.width()) * pixels.height() * 4, uchar(0xff));
    log << QStringLiteral("part tile %1 %2,%3 %4x%5 of %6x%7")
               .arg(part)
               .arg(twips.x())
               .arg(twips.y())
               .arg(twips.width())
               .arg(twips.height())
               .arg(pixels.width())
               .arg(pixels.height());
}

void FakeDocument::postKeyEvent(int type, int character, int keyCode)
{
    log << QStringLiteral("key %1 %2 %3").arg(type).arg(character).arg(keyCode);
}

void FakeDocument::postMouseEvent(int type, QPoint twips, int count, int buttons, int modifiers)
{
    log << QStringLiteral("mouse %1 %2,%3 %4 %5 %6")
               .arg(type)
               .arg(twips.x())
               .arg(twips.y())
               .arg(count)
               .arg(buttons)
               .arg(modifiers);
}

void FakeDocument::postUnoCommand(const QByteArray &command, const QByteArray &arguments,
                                  bool notify)
{
    log << QStringLiteral("uno %1").arg(QString::fromUtf8(command));
    if (onCommand && onCommand(*this, command, arguments))
        return;
    if (notify)
        answer(command);
}

bool FakeDocument::saveAs(const QString &path, const QByteArray &format, const QByteArray &)
{
    log << QStringLiteral("save %1 %2").arg(path, QString::fromUtf8(format));
    if (savedBytes.isEmpty())
        return false;
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(savedBytes) == savedBytes.size();
}

QByteArray FakeDocument::commandValues(const QByteArray &command)
{
    if (command.startsWith(".uno:ViewRowColumnHeaders")) {
        log << QStringLiteral("values %1").arg(QString::fromUtf8(command));
        return rowColumnHeaders;
    }
    if (command != ".uno:Undo")
        return {};
    QJsonArray actions;
    for (int i = 0; i < undoSteps; ++i)
        actions.append(QJsonObject{{"index", i}});
    return QJsonDocument(QJsonObject{{"actions", actions}}).toJson(QJsonDocument::Compact);
}

QList<engineprotocol::ClipboardItem> FakeDocument::clipboard(const QList<QByteArray> &mimeTypes)
{
    QList<engineprotocol::ClipboardItem> items;
    for (const QByteArray &mimeType : mimeTypes) {
        const QString type = QString::fromUtf8(mimeType);
        const auto held = std::find_if(clipboardItems.cbegin(), clipboardItems.cend(),
                                       [&](const auto &item) { return item.mimeType == type; });
        items.append({type, held == clipboardItems.cend() ? QByteArray() : held->data});
    }
    return items;
}

bool FakeDocument::setClipboard(const QList<engineprotocol::ClipboardItem> &items)
{
    log << QStringLiteral("clipboard %1").arg(items.size());
    clipboardItems = items;
    return true;
}

void FakeDocument::postTextInput(int type, const QString &text)
{
    log << QStringLiteral("input %1 %2").arg(type).arg(text);
}

std::unique_ptr<enginecore::DocumentBackend> FakeOffice::load(const QString &path)
{
    loadedPaths << path;
    if (duringLoad)
        duringLoad();
    if (m_prepared.empty())
        return nullptr;
    auto document = std::move(m_prepared.front());
    m_prepared.erase(m_prepared.begin());
    return document;
}

FakeDocument *FakeOffice::prepare(int type)
{
    m_prepared.push_back(std::make_unique<FakeDocument>(type));
    return m_prepared.back().get();
}
