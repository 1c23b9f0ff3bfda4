// The Quillary document control in a program of its own:
//   quillary-minimal-host DOCUMENT            shows DOCUMENT (a path or an http(s) address)
//   quillary-minimal-host DOCUMENT --pdf OUT  writes it to OUT as PDF and exits; no display needed

#include <quillary/documentcontrol.h>

#include <QApplication>
#include <QCommandLineParser>

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace {

int failed(const quillary::ControlError &error)
{
    std::fprintf(stderr, "quillary-minimal-host: %s\n", qPrintable(error.message));
    return 1;
}

// A conversion needs no screen: without one, Qt draws off screen.
void allowHeadless(int argc, char *argv[])
{
    const bool converting = std::any_of(argv + 1, argv + argc, [](const char *argument) {
        return std::strncmp(argument, "--pdf", 5) == 0;
    });
    if (converting && qEnvironmentVariableIsEmpty("DISPLAY") &&
        qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") &&
        qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
}

} // namespace

int main(int argc, char *argv[])
{
    allowHeadless(argc, argv);
    QApplication app(argc, argv);
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Shows an office document or converts it to PDF."));
    parser.addHelpOption();
    parser.addPositionalArgument(QStringLiteral("document"),
                                 QStringLiteral("A file, or an http(s) address."));
    const QCommandLineOption pdf(QStringLiteral("pdf"),
                                 QStringLiteral("Write the document as PDF to <file> and exit."),
                                 QStringLiteral("file"));
    parser.addOption(pdf);
    parser.process(app);
    if (parser.positionalArguments().size() != 1)
        parser.showHelp(2);
    const QString document = parser.positionalArguments().constFirst();

    quillary::DocumentControl control;
    control.setWindowTitle(document);
    control.resize(1000, 800);
    if (!parser.isSet(pdf))
        control.show();
    if (!control.open(document))
        return failed(control.lastError());
    if (!parser.isSet(pdf))
        return app.exec();

    const std::shared_ptr<quillary::Document> opened = control.document();
    if (!opened)
        return failed(control.lastError());
    if (!opened->saveAs(parser.value(pdf), QStringLiteral("pdf")))
        return failed(opened->lastError());
    return 0;
}
