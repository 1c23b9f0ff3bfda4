#include "documentprotection.h"
#include "officepackage.h"
#include "packages.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace enginecore;
using namespace testpackages;

namespace {

const QByteArray ReadOnly = R"(<w:documentProtection w:edit="readOnly" w:enforcement="1"/>)";
const QByteArray Forms = R"(<w:documentProtection w:edit="forms" w:enforcement="true"/>)";
// Where LibreOffice 7.4 puts the protection it keeps from an opened file: after w:compat,
// against the schema's order, with empty password attributes.
const QByteArray KeptByLibreOffice =
    R"(<w:documentProtection w:edit="readOnly" w:enforcement="1" w:cryptProviderType="rsaAES" )"
    R"(w:hash="" w:salt=""/>)";

QByteArray lokSettings(const QByteArray &beforeTab, const QByteArray &atEnd = {})
{
    return wordSettings(atEnd).replace(R"(<w:defaultTabStop)", beforeTab + "<w:defaultTabStop");
}

struct WordCase
{
    const char *name;
    QByteArray settings;
    bool on;
    QByteArray expected;
};

void PrintTo(const WordCase &c, std::ostream *out)
{
    *out << c.name;
}

class WordProtection : public ::testing::TestWithParam<WordCase>
{
};

TEST_P(WordProtection, settingsCarryExactlyTheAskedProtection_atItsPlace)
{
    const auto changed = withWordProtection(GetParam().settings, GetParam().on);
    ASSERT_TRUE(changed.has_value());
    EXPECT_EQ(changed->toStdString(), GetParam().expected.toStdString());
    EXPECT_EQ(wordSettingsProtected(*changed), GetParam().on);
}

INSTANTIATE_TEST_SUITE_P(
    Settings, WordProtection,
    ::testing::Values(
        WordCase{"protect_beforeTheFirstLaterSetting", wordSettings(), true, lokSettings(ReadOnly)},
        WordCase{"protectAgain_movesLibreOfficesCopyToItsPlace", wordSettings(KeptByLibreOffice),
                 true, lokSettings(ReadOnly)},
        WordCase{"protect_replacesFormsProtection", wordSettings(Forms), true,
                 lokSettings(ReadOnly)},
        WordCase{"unprotect_removesReadOnly", wordSettings(KeptByLibreOffice), false,
                 wordSettings()},
        WordCase{"unprotect_leavesFormsProtectionToLibreOffice", wordSettings(Forms), false,
                 wordSettings(Forms)},
        WordCase{
            "protect_withOnlyEarlierSettings_goesLast",
            R"(<w:settings xmlns:w="http://schemas.openxmlformats.org/wordprocessingml/2006/main">)"
            R"(<w:zoom w:percent="90"/></w:settings>)",
            true,
            R"(<w:settings xmlns:w="http://schemas.openxmlformats.org/wordprocessingml/2006/main">)"
            R"(<w:zoom w:percent="90"/>)" +
                ReadOnly + "</w:settings>"},
        WordCase{"protect_usesTheFilesOwnPrefix",
                 R"(<s:settings xmlns:s="http://purl.oclc.org/ooxml/wordprocessingml/main">)"
                 R"(<s:trackRevisions/><s:defaultTabStop s:val="720"/></s:settings>)",
                 true,
                 R"(<s:settings xmlns:s="http://purl.oclc.org/ooxml/wordprocessingml/main">)"
                 R"(<s:trackRevisions/><s:documentProtection s:edit="readOnly" )"
                 R"(s:enforcement="1"/><s:defaultTabStop s:val="720"/></s:settings>)"}),
    [](const auto &info) { return std::string(info.param.name); });

TEST(WordProtectionRead, onlyEnforcedReadOnly_countsAsProtected)
{
    const struct
    {
        QByteArray element;
        bool protectedDocument;
    } cases[] = {
        {ReadOnly, true},
        {R"(<w:documentProtection w:edit="readOnly" w:enforcement="true"/>)", true},
        {R"(<w:documentProtection w:edit="readOnly" w:enforcement="on"/>)", true},
        {R"(<w:documentProtection w:edit="readOnly" w:enforcement="0"/>)", false},
        {R"(<w:documentProtection w:edit="readOnly"/>)", false},
        {Forms, false},
        {{}, false},
    };
    for (const auto &c : cases)
        EXPECT_EQ(wordSettingsProtected(wordSettings(c.element)), c.protectedDocument)
            << c.element.toStdString();
}

TEST(WordProtectionRead, somethingElse_isNoWordSettings)
{
    for (const QByteArray &settings :
         {QByteArray("<settings/>"), QByteArray("<w:settings"), openDocumentSettings({})})
        EXPECT_EQ(withWordProtection(settings, true), std::nullopt) << settings.toStdString();
}

const QByteArray LoadReadonlyOff =
    R"(<config:config-item config:name="LoadReadonly" config:type="boolean">false</config:config-item>)";
const QByteArray LoadReadonlyOn =
    R"(<config:config-item config:name="LoadReadonly" config:type="boolean">true</config:config-item>)";
const QByteArray OtherItem =
    R"(<config:config-item config:name="PrintTables" config:type="boolean">true</config:config-item>)";

TEST(OpenDocumentProtection, loadReadonly_isSetInTheConfigurationSettings_only)
{
    EXPECT_FALSE(openDocumentSettingsProtected(openDocumentSettings(OtherItem)))
        << "the view settings' item of that name is not the document's";
    const struct
    {
        QByteArray items;
        bool on;
        QByteArray expected;
    } cases[] = {
        {OtherItem + LoadReadonlyOff, true, OtherItem + LoadReadonlyOn},
        {OtherItem + LoadReadonlyOn, false, OtherItem + LoadReadonlyOff},
        {OtherItem, true, LoadReadonlyOn + OtherItem},
        {R"(<config:config-item config:name="LoadReadonly" config:type="boolean"/>)", true,
         LoadReadonlyOn},
    };
    for (const auto &c : cases) {
        const auto changed = withOpenDocumentProtection(openDocumentSettings(c.items), c.on);
        ASSERT_TRUE(changed.has_value()) << c.items.toStdString();
        EXPECT_EQ(changed->toStdString(), openDocumentSettings(c.expected).toStdString());
        EXPECT_EQ(openDocumentSettingsProtected(*changed), c.on);
    }
}

class PackageProtection : public ::testing::Test
{
protected:
    void SetUp() override { ASSERT_TRUE(m_dir.isValid()); }
    QString package(const QString &name, const Entries &entries)
    {
        const QString path = m_dir.filePath(name);
        EXPECT_TRUE(writePackage(path, entries));
        return path;
    }
    QTemporaryDir m_dir;
};

TEST_F(PackageProtection, wordFile_isProtectedAndUnprotectedInPlace_keepingItsOtherParts)
{
    const QString docx = package("a.docx", wordPackage(wordSettings()));
    QString error;
    ASSERT_TRUE(writeProtection(docx, true, &error)) << error.toStdString();
    EXPECT_TRUE(wordSettingsProtected(readPackageEntry(docx, "word/settings.xml").value()));
    EXPECT_EQ(readPackageEntry(docx, "word/document.xml"), QByteArray("<w:document/>"));
    EXPECT_TRUE(takeProtection(docx, false));
    EXPECT_TRUE(takeProtection(docx, true)) << "it carried protection until taken out";
    EXPECT_FALSE(takeProtection(docx, false));
    EXPECT_EQ(QDir(m_dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"a.docx"});
}

TEST_F(PackageProtection, openDocumentText_carriesLoadReadonly)
{
    const QString odt =
        package("a.odt", openDocumentPackage(openDocumentSettings(LoadReadonlyOff)));
    QString error;
    ASSERT_TRUE(writeProtection(odt, true, &error)) << error.toStdString();
    EXPECT_TRUE(takeProtection(odt, false));
}

TEST_F(PackageProtection, filesThatCannotCarryIt_areLeftAsTheyAre)
{
    QFile pdf(m_dir.filePath("a.pdf"));
    ASSERT_TRUE(pdf.open(QIODevice::WriteOnly));
    pdf.write("%PDF-1.7");
    pdf.close();
    const QString spreadsheet =
        package("a.ods", {{"mimetype", "application/vnd.oasis.opendocument.spreadsheet"},
                          {"settings.xml", openDocumentSettings(LoadReadonlyOff)}});
    QString error;
    for (const QString &path : {pdf.fileName(), spreadsheet}) {
        EXPECT_TRUE(writeProtection(path, true, &error)) << path.toStdString();
        EXPECT_FALSE(takeProtection(path, false)) << path.toStdString();
    }
}

TEST_F(PackageProtection, unreadableSettings_failTheWrite_andLeaveTheFile)
{
    const QString docx = package("a.docx", wordPackage("<w:settings broken"));
    const QByteArray before = [&] {
        QFile file(docx);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }();
    QString error;
    EXPECT_FALSE(writeProtection(docx, true, &error));
    EXPECT_TRUE(error.contains("word/settings.xml")) << error.toStdString();
    QFile file(docx);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), before);
}

} // namespace
