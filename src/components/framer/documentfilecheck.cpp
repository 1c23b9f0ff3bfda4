#include "framer/documentfilecheck.h"

#include <QFile>
#include <QFileInfo>

namespace framer {

namespace {

constexpr qsizetype SampleBytes = 64 * 1024;

bool startsWith(QByteArrayView head, QByteArrayView prefix)
{
    return head.size() >= prefix.size() && head.first(prefix.size()) == prefix;
}

QByteArrayView skipBomAndSpace(QByteArrayView head)
{
    if (startsWith(head, "\xEF\xBB\xBF"))
        head = head.sliced(3);
    while (!head.isEmpty() && (head.front() == ' ' || head.front() == '\t' ||
                               head.front() == '\r' || head.front() == '\n'))
        head = head.sliced(1);
    return head;
}

bool looksLikeText(QByteArrayView head)
{
    if (startsWith(head, "\xFF\xFE") || startsWith(head, "\xFE\xFF"))
        return true; // UTF-16 with a byte order mark
    qsizetype controls = 0;
    for (char c : head) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte == 0)
            return false;
        if (byte < 0x20 && byte != '\t' && byte != '\n' && byte != '\r' && byte != '\f' &&
            byte != 0x1A && byte != 0x1B)
            ++controls;
    }
    // Legacy encodings (GBK, Latin-1) are text too, so only stray control bytes count
    // against it; random data has about one in ten.
    return controls * 100 <= head.size();
}

} // namespace

FileSignature detectSignature(QByteArrayView head)
{
    if (head.isEmpty())
        return FileSignature::Unknown;
    if (startsWith(head, "PK\x03\x04"))
        return FileSignature::Zip;
    if (startsWith(head, QByteArrayView("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8)))
        return FileSignature::Ole2;
    if (startsWith(head, "{\\rtf"))
        return FileSignature::Rtf;
    const QByteArrayView trimmed = skipBomAndSpace(head);
    if (startsWith(trimmed, "<") && looksLikeText(head))
        return FileSignature::Markup;
    if (looksLikeText(head))
        return FileSignature::Text;
    return FileSignature::Unknown;
}

std::optional<QString> checkDocumentFile(const QString &path, const QString &displayName,
                                         qint64 maxBytes)
{
    const QString name = displayName.isEmpty() ? QFileInfo(path).fileName() : displayName;
    const QFileInfo info(path);
    if (!info.exists())
        return QStringLiteral("文件“%1”不存在").arg(name);
    if (!info.isFile())
        return QStringLiteral("“%1”不是文件").arg(name);
    if (info.size() == 0)
        return QStringLiteral("文件“%1”是空文件，无法打开").arg(name);
    if (info.size() > maxBytes)
        return QStringLiteral("文件“%1”太大（%2 MB），最大允许 %3 MB")
            .arg(name)
            .arg(info.size() / (1024 * 1024))
            .arg(maxBytes / (1024 * 1024));
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QStringLiteral("无法读取文件“%1”：%2").arg(name, file.errorString());
    const QByteArray head = file.read(SampleBytes);
    if (detectSignature(head) == FileSignature::Unknown)
        return QStringLiteral("文件“%1”不是可识别的Office文档（文件已损坏或格式不受支持）")
            .arg(name);
    return std::nullopt;
}

} // namespace framer
