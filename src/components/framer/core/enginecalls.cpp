#include "core/engineclient.h"

#include "core/controlfailure.h"

#include <QDir>
#include <QFileInfo>
#include <QScopeGuard>

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
    reply::DocumentInfo info;
    reading(path, [&](const QString &staged) {
        info = call<reply::DocumentInfo>(loadRequest(staged), m_options.loadTimeoutMs, subject);
    });
    return info;
}

bool EngineClient::reachesDirectly(const QString &path) const
{
    return m_options.workFolder.isEmpty() ||
           QFileInfo(path).absoluteFilePath().startsWith(QDir(m_options.workFolder).absolutePath() +
                                                         QLatin1Char('/'));
}

QString EngineClient::newStagingFolder()
{
    const QString folder = m_options.workFolder + QStringLiteral("/staged-%1").arg(++m_stagings);
    if (!QDir().mkpath(folder))
        fail(QStringLiteral("无法创建临时文件夹“%1”").arg(QDir::toNativeSeparators(folder)));
    return folder;
}

void EngineClient::reading(const QString &path, const std::function<void(const QString &)> &use)
{
    if (reachesDirectly(path))
        return use(QFileInfo(path).absoluteFilePath());
    const QString folder = newStagingFolder();
    const auto cleanUp = qScopeGuard([folder] { QDir(folder).removeRecursively(); });
    const QString copy = folder + QLatin1Char('/') + QFileInfo(path).fileName();
    QFile file(path);
    if (!file.copy(copy))
        fail(QStringLiteral("无法读取文件“%1”：%2")
                 .arg(QDir::toNativeSeparators(path), file.errorString()));
    use(copy);
}

void EngineClient::writing(const QString &path, const std::function<void(const QString &)> &produce)
{
    if (reachesDirectly(path))
        return produce(QFileInfo(path).absoluteFilePath());
    const QString folder = newStagingFolder();
    const auto cleanUp = qScopeGuard([folder] { QDir(folder).removeRecursively(); });
    const QString written = folder + QLatin1Char('/') + QFileInfo(path).fileName();
    produce(written);
    QFile result(written);
    QFile::remove(path);
    if (!result.rename(path))
        fail(QStringLiteral("无法写入文件“%1”：%2")
                 .arg(QDir::toNativeSeparators(path), result.errorString()));
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
    if (startUnderUsersName())
        return;
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
    if (!isRunning()) // a fresh engine holds no document
        return;
    call<reply::Done>(request::Close{}, m_options.callTimeoutMs);
    startUnderUsersName();
}

bool EngineClient::startUnderUsersName()
{
    // Spreadsheets record changes under the name the engine started with: an engine that
    // holds no document starts again under a new one; one that does once it is closed.
    if (!isRunning() || m_holdsDocument || m_userSettings.author == m_engineUserName)
        return false;
    stopEngine({});
    start();
    return true;
}

void EngineClient::save(const QString &path, const QString &format, const QString &subject,
                        const QString &options)
{
    writing(path, [&](const QString &staged) {
        call<reply::Saved>(request::Save{staged, format, options}, m_options.loadTimeoutMs,
                           subject);
    });
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
