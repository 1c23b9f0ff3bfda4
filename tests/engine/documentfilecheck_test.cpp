#include "framer/documentfilecheck.h"

#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using framer::FileSignature;

namespace {

QByteArray randomBytes(qsizetype size, quint32 seed)
{
    QRandomGenerator generator(seed);
    QByteArray bytes(size, Qt::Uninitialized);
    for (char &c : bytes)
        c = static_cast<char>(generator.bounded(256));
    return bytes;
}

} // namespace

TEST(DocumentFileCheck, detectSignature_namesEachKnownKind)
{
    const struct
    {
        QByteArray head;
        FileSignature expected;
    } cases[] = {
        {QByteArray("PK\x03\x04\x14\x00\x06\x00", 8), FileSignature::Zip},
        {QByteArray("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1\x00\x00", 10), FileSignature::Ole2},
        {"{\\rtf1\\ansi hello}", FileSignature::Rtf},
        {"\xEF\xBB\xBF  <!DOCTYPE html><html></html>", FileSignature::Markup},
        {"<?xml version=\"1.0\"?><office:document/>", FileSignature::Markup},
        {"plain words\r\nand a second line\tindented\n", FileSignature::Text},
        {"\xC4\xE3\xBA\xC3\xA3\xAC\xCA\xC0\xBD\xE7\r\n", FileSignature::Text}, // GBK
        {QByteArray("\xFF\xFEh\0i\0", 6), FileSignature::Text},                // UTF-16
        {QByteArray("PK\x05\x06", 4), FileSignature::Unknown},
        {QByteArray("text with a \0 inside", 20), FileSignature::Unknown},
        {"%PDF-1.7\n\x01\x02\x03\x04\x05\x06\x07\x08", FileSignature::Unknown},
        {{}, FileSignature::Unknown},
    };
    for (const auto &c : cases)
        EXPECT_EQ(framer::detectSignature(c.head), c.expected) << c.head.toHex().toStdString();
}

TEST(DocumentFileCheck, randomBytes_areNeverTakenForADocument)
{
    for (quint32 seed = 1; seed <= 200; ++seed)
        EXPECT_EQ(framer::detectSignature(randomBytes(4096, seed)), FileSignature::Unknown)
            << "seed " << seed;
}

TEST(DocumentFileCheck, checkDocumentFile_refusesBadFilesNamingThem)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const auto write = [&](const QString &name, const QByteArray &bytes) {
        QFile file(dir.filePath(name));
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
        return file.fileName();
    };
    const struct
    {
        QString path;
        qint64 cap;
        const char *fragment; // empty: accepted
    } cases[] = {
        {write("good.doc", QByteArray("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8) + QByteArray(600, 0)),
         1 << 20, ""},
        {write("random.doc", randomBytes(100000, 7)), 1 << 20, "不是可识别的Office文档"},
        {write("empty.docx", {}), 1 << 20, "空文件"},
        {write("big.txt", QByteArray(5000, 'a')), 4096, "太大"},
        {dir.filePath("missing.doc"), 1 << 20, "不存在"},
        {dir.path(), 1 << 20, "不是文件"},
    };
    for (const auto &c : cases) {
        const auto problem = framer::checkDocumentFile(c.path, QStringLiteral("显示名.doc"), c.cap);
        if (!*c.fragment) {
            EXPECT_FALSE(problem.has_value()) << c.path.toStdString();
            continue;
        }
        ASSERT_TRUE(problem.has_value()) << c.path.toStdString();
        EXPECT_TRUE(problem->contains(QString::fromUtf8(c.fragment))) << problem->toStdString();
        EXPECT_TRUE(problem->contains(QStringLiteral("显示名.doc"))) << problem->toStdString();
    }
}
