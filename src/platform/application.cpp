#include "application.h"

#include <QApplication>
#include <QFont>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

namespace platform {

QString applicationTitle()
{
    return QStringLiteral("Quillary控件");
}
int versionMajor()
{
    return 2017;
}
int versionMinor()
{
    return 1;
}
int versionRevision()
{
    return 6;
}

void setUpApplication(QApplication &app)
{
    // No display name: Qt would append it to every window title the window manager shows.
    app.setApplicationName(applicationTitle());
    // Ties the windows to the installed menu entry and its icon.
    app.setDesktopFileName(QStringLiteral(QUILLARY_APP_ID));
    app.setApplicationVersion(QStringLiteral("%1.%2.0.%3")
                                  .arg(versionMajor())
                                  .arg(versionMinor())
                                  .arg(versionRevision()));

    const QStringList serif = {QStringLiteral("Noto Serif CJK SC"),
                               QStringLiteral("Noto Sans CJK SC")};
    QFont::insertSubstitutions(QStringLiteral("宋体"), serif);
    QFont::insertSubstitutions(QStringLiteral("SimSun"), serif);

    // The windows' default font: 9 pt, 12 pixels per full-width character at 96 dpi.
    QFont font(QStringLiteral("Noto Sans CJK SC"));
    font.setPointSizeF(9);
    app.setFont(font);

    // Qt's own dialogs (print, the control's input boxes) speak the windows' language.
    auto *qtTexts = new QTranslator(&app);
    if (qtTexts->load(QLocale(QLocale::Chinese, QLocale::China), QStringLiteral("qtbase"),
                      QStringLiteral("_"), QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        app.installTranslator(qtTexts);
}

} // namespace platform
