#include "externalcontent.h"
#include "officepackage.h"
#include "officesettings.h"
#include "testdocuments.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using enginecore::PackageCheck;

TEST(UntrustedInput, checkPackage_judgesTheDirectoryBeforeAnythingUnpacks)
{
    const quint64 ceiling = enginecore::MaxUnpackedBytes;
    const struct
    {
        const char *document;
        quint64 ceiling;
        PackageCheck::Verdict verdict;
    } cases[] = {
        {"sample.docx", ceiling, PackageCheck::Acceptable},
        {"sample.xlsx", ceiling, PackageCheck::Acceptable},
        {"sample.odp", ceiling, PackageCheck::Acceptable},
        {"sample.doc", ceiling, PackageCheck::NotAPackage},
        {"sample.fodt", ceiling, PackageCheck::NotAPackage},
        {"heavy.docx", ceiling, PackageCheck::Acceptable}, // 90 MiB: no expansion rule yet
        {"bomb.docx", ceiling, PackageCheck::TooLarge},
        // Past any ceiling, 1.5 GiB from 4.5 MiB is no document's doing.
        {"bomb.docx", 4ULL << 30, PackageCheck::TooLarge},
        {"sample.docx", 1024, PackageCheck::TooLarge},
    };
    for (const auto &c : cases) {
        const PackageCheck check = enginecore::checkPackage(
            testdocuments::path(QString::fromLatin1(c.document)), c.ceiling);
        EXPECT_EQ(check.verdict, c.verdict) << c.document << ": " << check.detail.toStdString();
    }
}

TEST(UntrustedInput, namesExternalContent_findsLinksButNotHyperlinks)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const auto write = [&](const char *name, const QByteArray &bytes) {
        QFile file(dir.filePath(QString::fromLatin1(name)));
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
        return file.fileName();
    };
    const struct
    {
        QString path;
        bool names;
    } cases[] = {
        {testdocuments::path("linked-picture.docx"), true},
        {testdocuments::path("linked-picture.fodt"), true},
        {testdocuments::path("linked-sheet.fods"), true},
        {testdocuments::path("remote-html.doc"), true},
        {testdocuments::path("sample.docx"), false},
        {testdocuments::path("sample.odt"), false},
        {testdocuments::path("sample.xlsx"), false},
        {testdocuments::path("sample.html"), false},
        {testdocuments::path("sample.fodt"), false},
        {write("hyperlink.html", "<p><a href=\"http://example.org/\">link</a> "
                                 "<img src=\"data:image/png;base64,AAAA\"></p>"),
         false},
        {write("relative.html", "<p><img src=\"../../secret.png\"></p>"), true},
        {write("file.html", "<p><img src=\"file:///etc/hostname\"></p>"), true},
    };
    for (const auto &c : cases)
        EXPECT_EQ(enginecore::namesExternalContent(c.path), c.names) << c.path.toStdString();
}

TEST(UntrustedInput, withEngineSettings_replacesItsOwnAndKeepsLibreOffices)
{
    const QByteArray kept =
        "<item oor:path=\"/org.openoffice.Office.Common/Misc\"><prop "
        "oor:name=\"FirstRun\" oor:op=\"fuse\"><value>false</value></prop></item>";
    const QByteArray loosened =
        "<item oor:path=\"/org.openoffice.Office.Common/Security/Scripting\"><prop "
        "oor:name=\"MacroSecurityLevel\" oor:op=\"fuse\"><value>0</value></prop></item>";
    const QByteArray registry = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<oor:items "
                                "xmlns:oor=\"http://openoffice.org/2001/registry\">\n" +
                                kept + '\n' + loosened + "\n</oor:items>\n";
    for (const QByteArray &before : {QByteArray(), registry}) {
        const QByteArray blocked = enginecore::withEngineSettings(before, {});
        EXPECT_TRUE(blocked.endsWith("</oor:items>\n"));
        EXPECT_EQ(blocked.count("<oor:items"), 1);
        EXPECT_EQ(blocked.contains(kept), !before.isEmpty());
        EXPECT_FALSE(blocked.contains(loosened));
        EXPECT_TRUE(blocked.contains("\"MacroSecurityLevel\" oor:op=\"fuse\"><value>3<"));
        EXPECT_TRUE(
            blocked.contains("\"BlockUntrustedRefererLinks\" oor:op=\"fuse\"><value>true<"));
        EXPECT_TRUE(blocked.contains("\"ooInetNoProxy\" oor:op=\"fuse\"><value></value>"));
    }
    const QByteArray allowed = enginecore::withEngineSettings(
        registry, {QStringLiteral("intranet.example"), QStringLiteral("10.0.0.5")});
    EXPECT_TRUE(allowed.contains("\"BlockUntrustedRefererLinks\" oor:op=\"fuse\"><value>false<"));
    EXPECT_TRUE(allowed.contains("<value>intranet.example;10.0.0.5</value>"));
    // Written again over itself, nothing doubles.
    EXPECT_EQ(enginecore::withEngineSettings(allowed, {}),
              enginecore::withEngineSettings(registry, {}));
    // The user's name, split where LibreOffice keeps a surname, escaped, and gone once unset.
    const QByteArray named =
        enginecore::withEngineSettings(registry, {}, QStringLiteral("Jane\n <Q> Doe"));
    EXPECT_TRUE(named.contains("\"givenname\" oor:op=\"fuse\"><value>Jane &lt;Q&gt;</value>"));
    EXPECT_TRUE(named.contains("\"sn\" oor:op=\"fuse\"><value>Doe</value>"));
    EXPECT_TRUE(enginecore::withEngineSettings(named, {}).contains(
        "\"givenname\" oor:op=\"fuse\"><value></value>"));
}
