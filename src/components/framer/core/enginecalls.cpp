#include "core/engineclient.h"

#include "core/controlfailure.h"

#include <QFileInfo>

// The engine client's typed calls: documents in and out, the user's settings, and tiles.
using namespace engineprotocol;

namespace framer {

QImage tileImage(reply::Tile &&tile)
{
    const int width = tile.size.width();
    const int height = tile.size.height();
    if (width <= 0 || height <= 0 || tile.pixels.size() != qsizetype(width) * height * 4)
        return {};
    // LibreOffice paints premultiplied BGRA, which is ARGB32 in memory on little-endian hosts.
    auto *bytes = new QByteArray(std::move(tile.pixels));
    return QImage(
        reinterpret_cast<uchar *>(bytes->data()), width, height, qsizetype(width) * 4,
        QImage::Format_ARGB32_Premultiplied,
        [](void *info) { delete static_cast<QByteArray *>(info); }, bytes);
}

reply::DocumentInfo EngineClient::load(const QString &path, const QString &subject)
{
    return call<reply::DocumentInfo>(loadRequest(path), m_options.loadTimeoutMs, subject);
}

request::Load EngineClient::loadRequest(const QString &path) const
{
    return {QFileInfo(path).absoluteFilePath(), m_userSettings};
}

void EngineClient::setUserSettings(const UserSettings &settings)
{
    if (settings == m_userSettings)
        return;
    m_userSettings = settings;
    // An engine started later gets them with its first document.
    if (isRunning())
        post(request::ApplySettings{settings}, [](Reply *reply, const Failure &failure) {
            // An engine that stops meanwhile takes them with its next document.
            if (!reply && failure.cause == Failure::Cause::Refused)
                qCWarning(lcFramer)
                    << "the engine did not take the user's settings:" << failure.message;
        });
}

void EngineClient::close()
{
    if (isRunning()) // a fresh engine holds no document
        call<reply::Done>(request::Close{}, m_options.callTimeoutMs);
}

void EngineClient::save(const QString &path, const QString &format, const QString &subject,
                        const QString &options)
{
    call<reply::Saved>(request::Save{QFileInfo(path).absoluteFilePath(), format, options},
                       m_options.loadTimeoutMs, subject);
}

QImage EngineClient::renderTile(int part, const QRect &twips, const QSize &pixels)
{
    return tileImage(
        call<reply::Tile>(request::Tile{part, twips, pixels}, m_options.callTimeoutMs));
}

QList<QImage> EngineClient::renderTiles(int part, const QList<QRect> &twips, const QSize &pixels)
{
    if (twips.isEmpty())
        return {};
    std::vector<Request> requests;
    for (const QRect &area : twips)
        requests.push_back(request::Tile{part, area, pixels});
    QList<QImage> images;
    for (Answer &answer : exchange(requests, m_options.callTimeoutMs, {})) {
        // A tile the engine would not draw stays empty; an engine that died fails the lot.
        if (answer.failure && answer.failure->cause != Failure::Cause::Refused)
            raise(*answer.failure, {});
        auto *tile = answer.reply ? std::get_if<reply::Tile>(&*answer.reply) : nullptr;
        images.append(tile ? tileImage(std::move(*tile)) : QImage());
    }
    return images;
}

void EngineClient::requestTile(int part, const QRect &twips, const QSize &pixels,
                               const QObject *context, std::function<void(const QImage &)> done)
{
    ask<reply::Tile>(
        request::Tile{part, twips, pixels}, context,
        [done](reply::Tile &tile) { done(tileImage(std::move(tile))); },
        [done](const Failure &) { done(QImage()); });
}

} // namespace framer
