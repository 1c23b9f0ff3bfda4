// Build-time tool: draws the demonstration pictures the web site serves.
#include "pictures.h"

#include <QDir>
#include <QGuiApplication>
#include <QSaveFile>

#include <cstdio>

int main(int argc, char *argv[])
{
    QGuiApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s OUTPUT_DIR\n", argv[0]);
        return 2;
    }
    const QDir dir(QString::fromLocal8Bit(argv[1]));
    if (!dir.mkpath(QStringLiteral("."))) {
        std::fprintf(stderr, "cannot create %s\n", argv[1]);
        return 1;
    }

    const QString bannerPath = dir.filePath(QStringLiteral("quillary.jpg"));
    if (!quillary::pictures::drawBanner(480, 270).save(bannerPath, "JPG", 90)) {
        std::fprintf(stderr, "cannot write %s (is Qt's JPEG image plugin installed?)\n",
                     qPrintable(bannerPath));
        return 1;
    }

    const QString sealPath = dir.filePath(QStringLiteral("003.gif"));
    const std::string gif = quillary::pictures::encodeGif(
        quillary::pictures::toTransparentIndexed(quillary::pictures::drawSeal(240)));
    QSaveFile file(sealPath);
    if (!file.open(QIODevice::WriteOnly) ||
        file.write(gif.data(), qint64(gif.size())) != qint64(gif.size()) || !file.commit()) {
        std::fprintf(stderr, "cannot write %s: %s\n", qPrintable(sealPath),
                     qPrintable(file.errorString()));
        return 1;
    }
    return 0;
}
