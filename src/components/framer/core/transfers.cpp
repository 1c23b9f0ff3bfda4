#include "core/transfers.h"

#include "core/controlfailure.h"
#include "core/pendingfile.h"

#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QHttpMultiPart>
#include <QLoggingCategory>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QPointer>
#include <QRegularExpression>

#include <memory>

namespace framer {

namespace {

// Abort when a server sends nothing for this long.
constexpr int StallTimeoutMs = 60000;
// Bounds what Qt buffers ahead of the file, so memory stays flat for any size.
constexpr qint64 ReadBufferBytes = 1024 * 1024;
constexpr qsizetype ChunkBytes = 256 * 1024;
constexpr qsizetype ServerTextChars = 300;

[[noreturn]] void raise(const QString &description)
{
    qCWarning(lcFramer).noquote() << description;
    fail(description);
}

QString bareName(QString name)
{
    name.replace(QLatin1Char('\\'), QLatin1Char('/'));
    name = name.section(QLatin1Char('/'), -1).trimmed();
    if (name == QLatin1String(".") || name == QLatin1String(".."))
        return {};
    name.remove(QRegularExpression(QStringLiteral("[\\x00-\\x1f]")));
    return name;
}

int statusOf(QNetworkReply *reply)
{
    return reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
}

QString statusText(QNetworkReply *reply)
{
    const QString reason =
        reply->attribute(QNetworkRequest::HttpReasonPhraseAttribute).toString().trimmed();
    return reason.isEmpty() ? QString::number(statusOf(reply))
                            : QStringLiteral("%1 %2").arg(statusOf(reply)).arg(reason);
}

QString networkErrorText(QNetworkReply *reply)
{
    switch (reply->error()) {
    case QNetworkReply::RemoteHostClosedError:
        return QStringLiteral("连接中断（%1）").arg(reply->errorString());
    case QNetworkReply::ConnectionRefusedError:
        return QStringLiteral("无法连接服务器（%1）").arg(reply->errorString());
    case QNetworkReply::HostNotFoundError:
        return QStringLiteral("找不到服务器（%1）").arg(reply->errorString());
    case QNetworkReply::TimeoutError:
    case QNetworkReply::OperationCanceledError:
        return QStringLiteral("服务器长时间无响应（%1）").arg(reply->errorString());
    default:
        return reply->errorString();
    }
}

QNetworkRequest makeRequest(const QUrl &url)
{
    QNetworkRequest request(url);
    request.setTransferTimeout(StallTimeoutMs);
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                         QNetworkRequest::NoLessSafeRedirectPolicy);
    return request;
}

void requireHttpAddress(const QUrl &url, const QString &verb)
{
    const QString scheme = url.scheme().toLower();
    if (!url.isValid() || (scheme != QLatin1String("http") && scheme != QLatin1String("https")))
        raise(
            QStringLiteral("%1失败：“%2”不是有效的 http 或 https 地址").arg(verb, url.toString()));
}

} // namespace

QString fileNameFromContentDisposition(const QByteArray &header)
{
    // filename*=charset'lang'percent-encoded wins over a plain filename=.
    static const QRegularExpression extended(
        QStringLiteral("filename\\*\\s*=\\s*([^';]*)'[^']*'([^;\\s]+)"),
        QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression plain(
        QStringLiteral("filename\\s*=\\s*(?:\"((?:[^\"\\\\]|\\\\.)*)\"|([^;\\s]+))"),
        QRegularExpression::CaseInsensitiveOption);
    const QString text = QString::fromUtf8(header);
    if (const auto match = extended.match(text); match.hasMatch()) {
        const QByteArray decoded = QByteArray::fromPercentEncoding(match.captured(2).toLatin1());
        const QString charset = match.captured(1).trimmed().toLower();
        const QString name = charset == QLatin1String("iso-8859-1") ? QString::fromLatin1(decoded)
                                                                    : QString::fromUtf8(decoded);
        if (const QString bare = bareName(name); !bare.isEmpty())
            return bare;
    }
    if (const auto match = plain.match(text); match.hasMatch()) {
        QString name = match.captured(1).isNull() ? match.captured(2) : match.captured(1);
        name.replace(QRegularExpression(QStringLiteral("\\\\(.)")), QStringLiteral("\\1"));
        // Some servers percent-encode the plain form as well.
        if (name.contains(QLatin1Char('%')))
            name = QString::fromUtf8(QByteArray::fromPercentEncoding(name.toUtf8()));
        return bareName(name);
    }
    return {};
}

bool isWebAddress(const QString &source)
{
    return source.startsWith(QLatin1String("http://"), Qt::CaseInsensitive) ||
           source.startsWith(QLatin1String("https://"), Qt::CaseInsensitive);
}

QString fileNameFromAddress(const QString &address)
{
    const QUrl url(address);
    const QString scheme = url.scheme().toLower();
    if (scheme == QLatin1String("http") || scheme == QLatin1String("https"))
        return bareName(url.path(QUrl::FullyDecoded));
    QString path = address;
    path = path.section(QLatin1Char('?'), 0, 0);
    return bareName(path);
}

DownloadResult downloadFile(QNetworkAccessManager &network, const QUrl &url,
                            const QString &targetPath, const ProgressHandler &progress)
{
    requireHttpAddress(url, QStringLiteral("下载"));
    const QString address = url.toString();
    // Like curl, without waiting for the disk at the end: the rename alone keeps the target
    // whole, and the network, not the disk, sets the pace.
    PendingFile pending(targetPath);
    QString openError;
    if (!pending.open(&openError))
        raise(QStringLiteral("下载“%1”失败：无法写入“%2”：%3")
                  .arg(address, QDir::toNativeSeparators(targetPath), openError));
    QFile &file = pending.file();

    std::unique_ptr<QNetworkReply, void (*)(QNetworkReply *)> reply(network.get(makeRequest(url)),
                                                                    [](QNetworkReply *r) {
                                                                        r->disconnect();
                                                                        r->abort();
                                                                        r->deleteLater();
                                                                    });
    reply->setReadBufferSize(ReadBufferBytes);
    QString writeError;
    DownloadResult result;
    QByteArray chunk(ChunkBytes, Qt::Uninitialized);
    QEventLoop loop;
    QObject::connect(reply.get(), &QNetworkReply::readyRead, &loop, [&] {
        const int status = statusOf(reply.get());
        if (status != 0 && (status < 200 || status > 299))
            return; // an error page is not the file
        // Through one buffer, so a download of any size allocates nothing as it runs.
        for (qint64 count; (count = reply->read(chunk.data(), chunk.size())) > 0;) {
            if (file.write(chunk.constData(), count) != count) {
                writeError = file.errorString();
                reply->abort();
                return;
            }
            result.bytes += count;
        }
    });
    if (progress)
        QObject::connect(reply.get(), &QNetworkReply::downloadProgress, &loop, progress);
    QObject::connect(reply.get(), &QNetworkReply::finished, &loop, &QEventLoop::quit);
    if (!reply->isFinished())
        loop.exec();

    const int status = statusOf(reply.get());
    if (!writeError.isEmpty())
        raise(QStringLiteral("下载“%1”失败：无法写入“%2”：%3")
                  .arg(address, QDir::toNativeSeparators(targetPath), writeError));
    if (status != 0 && (status < 200 || status > 299))
        raise(QStringLiteral("下载“%1”失败：服务器返回 %2").arg(address, statusText(reply.get())));
    if (reply->error() != QNetworkReply::NoError)
        raise(QStringLiteral("下载“%1”失败：%2").arg(address, networkErrorText(reply.get())));
    const qint64 announced = reply->header(QNetworkRequest::ContentLengthHeader).toLongLong();
    if (announced > 0 && result.bytes != announced)
        raise(QStringLiteral("下载“%1”失败：连接中断（收到 %2 字节，应为 %3 字节）")
                  .arg(address)
                  .arg(result.bytes)
                  .arg(announced));
    if (QString commitError; !pending.commit(&commitError))
        raise(QStringLiteral("下载“%1”失败：无法保存“%2”：%3")
                  .arg(address, QDir::toNativeSeparators(targetPath), commitError));

    result.fileName =
        fileNameFromContentDisposition(reply->rawHeader(QByteArrayLiteral("Content-Disposition")));
    if (result.fileName.isEmpty())
        result.fileName = fileNameFromAddress(reply->url().toString());
    return result;
}

QByteArray uploadFile(QNetworkAccessManager &network, const QUrl &url, const QString &filePath,
                      const QString &fileName, const QString &fieldName,
                      const ProgressHandler &progress)
{
    requireHttpAddress(url, QStringLiteral("上传"));
    const QString address = url.toString();
    auto *multipart = new QHttpMultiPart(QHttpMultiPart::FormDataType);
    auto *file = new QFile(filePath, multipart);
    if (!file->open(QIODevice::ReadOnly)) {
        const QString error = file->errorString();
        delete multipart;
        raise(QStringLiteral("上传到“%1”失败：无法读取“%2”：%3").arg(address, filePath, error));
    }
    QHttpPart part;
    QString quotedName = fileName;
    quotedName.replace(QLatin1Char('"'), QLatin1Char('_'));
    part.setHeader(QNetworkRequest::ContentDispositionHeader,
                   QStringLiteral("form-data; name=\"%1\"; filename=\"%2\"")
                       .arg(fieldName, quotedName)
                       .toUtf8());
    part.setHeader(QNetworkRequest::ContentTypeHeader,
                   QByteArrayLiteral("application/octet-stream"));
    part.setBodyDevice(file);
    multipart->append(part);

    std::unique_ptr<QNetworkReply, void (*)(QNetworkReply *)> reply(
        network.post(makeRequest(url), multipart), [](QNetworkReply *r) {
            r->disconnect();
            r->abort();
            r->deleteLater();
        });
    multipart->setParent(reply.get());
    QEventLoop loop;
    if (progress)
        QObject::connect(reply.get(), &QNetworkReply::uploadProgress, &loop, progress);
    QObject::connect(reply.get(), &QNetworkReply::finished, &loop, &QEventLoop::quit);
    if (!reply->isFinished())
        loop.exec();

    const int status = statusOf(reply.get());
    const QByteArray body = reply->readAll();
    if (status >= 200 && status <= 299 && reply->error() == QNetworkReply::NoError)
        return body;
    QString serverText = QString::fromUtf8(body).simplified();
    if (serverText.size() > ServerTextChars)
        serverText = serverText.left(ServerTextChars) + QStringLiteral("…");
    if (status != 0)
        raise(QStringLiteral("上传到“%1”失败：服务器返回 %2%3")
                  .arg(address, statusText(reply.get()),
                       serverText.isEmpty() ? QString() : QStringLiteral("：") + serverText));
    raise(QStringLiteral("上传到“%1”失败：%2").arg(address, networkErrorText(reply.get())));
}

} // namespace framer
