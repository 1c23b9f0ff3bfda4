#pragma once

#include <QByteArray>
#include <QString>
#include <QUrl>

#include <functional>

class QNetworkAccessManager;

namespace framer {

// Bytes so far and the total (-1 while unknown).
using ProgressHandler = std::function<void(qint64 done, qint64 total)>;

struct DownloadResult
{
    // The name the server gave in Content-Disposition, else the address's last segment.
    QString fileName;
    qint64 bytes = 0;
};

// The file name a Content-Disposition header carries (filename* preferred), reduced to a
// bare name; empty when there is none.
QString fileNameFromContentDisposition(const QByteArray &header);
// The last segment of an address or path, without its query; empty when there is none.
QString fileNameFromAddress(const QString &address);
// An http or https address, as opposed to a local path.
bool isWebAddress(const QString &source);

// Each transfer runs a nested event loop until it ends, so the window keeps repainting and
// taking input. Failures throw a ControlFailure naming the address and the cause.

// Streams url into targetPath through a temporary file in the same folder, which replaces
// targetPath only when the whole body has arrived; on failure nothing is left behind.
DownloadResult downloadFile(QNetworkAccessManager &network, const QUrl &url,
                            const QString &targetPath, const ProgressHandler &progress = {});

// Posts filePath as multipart/form-data with one file field named fieldName, under fileName.
// Returns the server's answer; anything but a 2xx status throws.
QByteArray uploadFile(QNetworkAccessManager &network, const QUrl &url, const QString &filePath,
                      const QString &fileName, const QString &fieldName = QStringLiteral("file"),
                      const ProgressHandler &progress = {});

} // namespace framer
