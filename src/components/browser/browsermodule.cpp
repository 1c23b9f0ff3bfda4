#include "webenginebrowser.h"

#include <QCoreApplication>
#include <QLoggingCategory>
#include <QOpenGLContext>

// Exported by QtGui: the context every OpenGL context of the program shares with.
Q_GUI_EXPORT QOpenGLContext *qt_gl_global_share_context();
Q_GUI_EXPORT void qt_gl_set_global_share_context(QOpenGLContext *context);

Q_LOGGING_CATEGORY(lcBrowserModule, "quillary.browser.module")

// The browser as a loadable module: the program loads Chromium's libraries only once its window
// is on screen, so they never delay the first paint.
extern "C" Q_DECL_EXPORT platform::Browser *quillaryCreateBrowser(QWidget *parent)
{
    // Qt WebEngine renders through a context shared program-wide. Qt would create it while the
    // application object is built, which costs the first paint 50-150 ms of OpenGL start-up on a
    // software renderer; created here, it costs nothing before the window is on screen. The
    // program owns no other OpenGL context that could have been created without it.
    if (!qt_gl_global_share_context()) {
        auto *context = new QOpenGLContext(QCoreApplication::instance());
        if (!context->create())
            qCWarning(lcBrowserModule) << "cannot create the shared OpenGL context";
        qt_gl_set_global_share_context(context);
        QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    }
    return new browser::WebEngineBrowser(parent);
}
