#pragma once

#include "hostedcontrol.h"
#include "testserver.h"

#include "automation/variant.h"

#include <QNetworkAccessManager>
#include <QTemporaryDir>

#include <gtest/gtest.h>

// One control, and so one engine, for a whole suite: documents from copies of the test
// documents or from a loopback server, a save dialog the test answers, and drive C and the
// folder for kept recovery copies in a folder of the test's.
class RealControlTest : public ::testing::Test
{
protected:
    static void SetUpTestSuite();
    static void TearDownTestSuite();
    void SetUp() override;

    static automation::Variant call(automation::DispId id,
                                    std::vector<automation::Variant> args = {},
                                    automation::InvokeKind kind = automation::InvokeKind::Method);
    static automation::Variant str(const QString &text);
    // The error a call raised, or "<no error>".
    static std::string errorOf(const std::function<void()> &call);
    static QString folder(const QString &name);
    static QString keptFolder() { return folder(QStringLiteral("kept")); }
    static QString address(const char *path) { return s_server->base() + QLatin1String(path); }

    // Opens a copy of a test document (sample.docx, ...) from a folder of the test's.
    static void openCopy(const QString &document);
    // Types text into the document view, key by key.
    static void type(const QString &text);
    // The document's text, saved as plain text through the save dialog.
    static QString documentText();
    // Kills the engine as a crash would.
    static void killEngine();

    static inline QTemporaryDir *s_files = nullptr;
    static inline ScriptedFileDialogs *s_dialogs = nullptr;
    static inline QNetworkAccessManager *s_network = nullptr;
    static inline TestServer *s_server = nullptr;
    static inline HostedControl *s_control = nullptr;
    static inline int s_saved = 0;
};

QByteArray readAll(const QString &path);
bool writeFile(const QString &path, const QByteArray &bytes);
