#include "engineconnection.h"

#include <QCommandLineParser>
#include <QCoreApplication>

#include <cstdio>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("quillary-office-engine"));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Renders and edits office documents for the "
                                                    "Quillary document control."));
    parser.addHelpOption();
    QCommandLineOption server(QStringLiteral("server"),
                              QStringLiteral("Local socket of the control to connect to."),
                              QStringLiteral("name"));
    QCommandLineOption office(QStringLiteral("office"),
                              QStringLiteral("LibreOffice program folder."), QStringLiteral("dir"),
                              QStringLiteral(QUILLARY_LIBREOFFICE_PROGRAM_DIR));
    QCommandLineOption profiles(QStringLiteral("profile-root"),
                                QStringLiteral("Folder for the engine's private profiles."),
                                QStringLiteral("dir"));
    parser.addOptions({server, office, profiles});
    parser.process(app);
    if (!parser.isSet(server)) {
        std::fputs("quillary-office-engine: --server is required\n", stderr);
        return 2;
    }

    EngineConnection engine({parser.value(server), parser.value(office), parser.value(profiles)});
    if (!engine.connectToClient() || !engine.startOffice()) {
        std::fprintf(stderr, "quillary-office-engine: %s\n", qPrintable(engine.lastError()));
        engine.shutdown();
        return 1;
    }
    const int status = app.exec();
    engine.shutdown();
    return status;
}
