// quillary-icon-writer: writes the program's icon, drawn by the same code as the windows' icons,
// as PNG files in the icon theme's layout: <folder>/<size>x<size>/apps/<name>.png.
#include "appicons.h"

#include <QDir>
#include <QGuiApplication>
#include <QPixmap>
#include <QSaveFile>

#include <cstdio>

int main(int argc, char *argv[])
{
    // Drawing needs no screen.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const QStringList arguments = app.arguments().mid(1);
    if (arguments.size() < 3) {
        std::fputs("usage: quillary-icon-writer FOLDER NAME SIZE...\n", stderr);
        return 2;
    }
    const QDir folder(arguments[0]);
    const QString name = arguments[1];
    for (const QString &sizeText : arguments.mid(2)) {
        bool ok = false;
        const int size = sizeText.toInt(&ok);
        if (!ok || size < 1 || size > 1024) {
            std::fprintf(stderr, "quillary-icon-writer: not a size: %s\n", qPrintable(sizeText));
            return 2;
        }
        const QString apps = QStringLiteral("%1x%1/apps").arg(size);
        QSaveFile file(folder.filePath(apps + QLatin1Char('/') + name + QStringLiteral(".png")));
        if (!folder.mkpath(apps) || !file.open(QIODevice::WriteOnly) ||
            !platform::applicationIconPixmap(size).save(&file, "PNG") || !file.commit()) {
            std::fprintf(stderr, "quillary-icon-writer: cannot write %s: %s\n",
                         qPrintable(file.fileName()), qPrintable(file.errorString()));
            return 1;
        }
    }
    return 0;
}
