#include "confinement.h"
#include "engineconnection.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>

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
    QCommandLineOption isolate(QStringLiteral("isolate-network"),
                               QStringLiteral("Run without a route to any network."));
    QCommandLineOption allowHosts(QStringLiteral("allow-hosts"),
                                  QStringLiteral("Hosts whose linked content may be fetched "
                                                 "(comma-separated); none by default."),
                                  QStringLiteral("hosts"));
    QCommandLineOption memory(QStringLiteral("memory-limit"),
                              QStringLiteral("Most bytes of address space the engine may use."),
                              QStringLiteral("bytes"));
    QCommandLineOption confine(QStringLiteral("confine-files"),
                               QStringLiteral("Open no files outside this folder, the profile "
                                              "and the system's read-only folders."),
                               QStringLiteral("dir"));
    QCommandLineOption userName(QStringLiteral("user-name"),
                                QStringLiteral("The user changes are recorded under."),
                                QStringLiteral("name"));
    parser.addOptions({server, office, profiles, isolate, allowHosts, memory, confine, userName});
    parser.process(app);
    if (!parser.isSet(server)) {
        std::fputs("quillary-office-engine: --server is required\n", stderr);
        return 2;
    }
    // Before LibreOffice starts: its threads would keep the process out of a new namespace.
    QString error;
    if (parser.isSet(isolate) && !confinement::leaveNetwork(&error))
        std::fprintf(stderr,
                     "quillary-office-engine: no network namespace (%s); LibreOffice's own "
                     "settings keep documents from fetching\n",
                     qPrintable(error));
    if (const quint64 bytes = parser.value(memory).toULongLong();
        bytes > 0 && !confinement::limitMemory(bytes, &error))
        std::fprintf(stderr, "quillary-office-engine: no memory limit (%s)\n", qPrintable(error));

    EngineConnection engine({parser.value(server), parser.value(office), parser.value(profiles),
                             parser.value(allowHosts).split(QLatin1Char(','), Qt::SkipEmptyParts),
                             parser.value(userName)});
    bool ready = engine.connectToClient() && engine.prepareProfile();
    // Once the socket and the profile are there, and before LibreOffice's threads start.
    if (ready && parser.isSet(confine)) {
        const auto access = confinement::engineFileAccess(
            parser.value(confine), engine.profileRoot(),
            {QCoreApplication::applicationDirPath(), parser.value(office),
             QDir::cleanPath(parser.value(office) + QStringLiteral("/.."))});
        if (!confinement::confineFiles(access, &error))
            std::fprintf(stderr,
                         "quillary-office-engine: no file confinement (%s); documents are "
                         "staged in the work folder all the same\n",
                         qPrintable(error));
    }
    if (!ready || !engine.startOffice()) {
        std::fprintf(stderr, "quillary-office-engine: %s\n", qPrintable(engine.lastError()));
        engine.shutdown();
        return 1;
    }
    const int status = app.exec();
    engine.shutdown();
    return status;
}
