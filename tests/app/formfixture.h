#pragma once

#include "fakes.h"
#include "form1.h"

#include "sequentialfiles.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

// A main window built from recording fakes, as main() builds it from the real components.
class FormTest : public ::testing::Test
{
protected:
    FormTest() { makeForm(programDir.path()); }

    // A main window of its own, as the program makes it in programDirectory.
    void makeForm(const QString &programDirectory)
    {
        Form1Parts parts;
        parts.serverBase = serverBase;
        parts.quillaryWidget = new QWidget;
        parts.quillaryWidget->setFocusPolicy(Qt::StrongFocus);
        browser.widget()->setFocusPolicy(Qt::StrongFocus);
        parts.quillaryControl = control;
        parts.browser = &browser;
        parts.messages = &messages;
        parts.launcher = &launcher;
        parts.files = &files;
        parts.programDirectory = programDirectory;
        parts.terminate = [this] { ++terminated; };
        form = std::make_unique<Form1>(std::move(parts));
    }

    const QString serverBase = QStringLiteral("http://127.0.0.1:9");
    QTemporaryDir programDir;
    std::shared_ptr<fakes::RecordingDispatch> control =
        std::make_shared<fakes::RecordingDispatch>();
    fakes::FakeBrowser browser;
    fakes::RecordingMessages messages;
    fakes::RecordingLauncher launcher;
    platform::SequentialFiles files{programDir.path()};
    int terminated = 0;
    std::unique_ptr<Form1> form;
};
