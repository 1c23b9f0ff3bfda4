#include "externalcontent.h"

#include "officepackage.h"

#include <QFile>
#include <QRegularExpression>

namespace enginecore {

namespace {

// A part this big is read no further: the scan is for the notice, not for protection.
constexpr qint64 ScannedBytes = 32 * 1024 * 1024;

// An address that leaves the document: a scheme (but data: and LibreOffice's own), an
// absolute path, or a climb out of it.
const QString Outside =
    QStringLiteral(R"((?:(?!data:|vnd\.sun\.star\.)[a-z][a-z0-9+.-]*:|/|\.\./))");

bool matches(const QByteArray &text, const QString &pattern)
{
    const QRegularExpression expression(pattern, QRegularExpression::CaseInsensitiveOption);
    return expression.match(QString::fromUtf8(text)).hasMatch();
}

// OpenDocument, packaged or flat: frames whose content is elsewhere, linked sections, sheets
// and DDE links, web-service formulas.
bool odfNamesExternal(const QByteArray &xml)
{
    return matches(xml, QStringLiteral(R"(<(?:draw:image|draw:object|draw:object-ole|)"
                                       R"(draw:plugin|draw:floating-frame|text:section-source|)"
                                       R"(table:table-source)\b[^>]*xlink:href="%1)")
                            .arg(Outside)) ||
           matches(xml, QStringLiteral(R"(<(?:office:dde-source|table:dde-link|text:dde-connection)"
                                       R"(-decl)\b|WEBSERVICE\s*\()"));
}

// Word, Excel and PowerPoint 2007 and later: relationships to targets outside the package
// (other than hyperlinks), fields that include other files, web-service formulas.
bool ooxmlPartNamesExternal(const QString &name, const QByteArray &xml)
{
    if (name.endsWith(QLatin1String(".rels"))) {
        static const QRegularExpression relationship(QStringLiteral(R"(<Relationship\b[^>]*>)"),
                                                     QRegularExpression::CaseInsensitiveOption);
        for (const auto &match : relationship.globalMatch(QString::fromUtf8(xml))) {
            const QString element = match.captured();
            if (element.contains(QLatin1String("TargetMode=\"External\"")) &&
                !element.contains(QLatin1String("/hyperlink\"")))
                return true;
        }
        return false;
    }
    return matches(xml, QStringLiteral(R"((?:instrText[^>]*>|w:instr=")\s*)"
                                       R"((?:INCLUDEPICTURE|INCLUDETEXT|LINK)\b|WEBSERVICE\s*\()"));
}

// HTML (as such or named .doc/.xls): remote pictures, stylesheets, backgrounds, frames.
bool htmlNamesExternal(const QByteArray &html)
{
    return matches(html, QStringLiteral(R"(<(?:img|input|embed|iframe|frame|script)\b[^>]*)"
                                        R"(\bsrc\s*=\s*["']?%1)")
                             .arg(Outside)) ||
           matches(html, QStringLiteral(R"(<link\b[^>]*\bhref\s*=\s*["']?%1)").arg(Outside)) ||
           matches(html, QStringLiteral(R"(\bbackground\s*=\s*["']?%1|url\(\s*["']?%1|@import)")
                             .arg(Outside));
}

QByteArray head(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.read(ScannedBytes) : QByteArray();
}

} // namespace

bool namesExternalContent(const QString &path)
{
    const QStringList entries = packageEntries(path);
    if (entries.isEmpty()) {
        const QByteArray text = head(path);
        if (text.contains("<office:document"))
            return odfNamesExternal(text);
        // RTF and Word 97 keep field codes as text.
        if (text.startsWith("{\\rtf") || text.startsWith("\xD0\xCF\x11\xE0"))
            return matches(text, QStringLiteral(R"(\b(?:INCLUDEPICTURE|INCLUDETEXT)\s)"));
        return htmlNamesExternal(text);
    }
    for (const QString &name : entries) {
        if (name.startsWith(QLatin1String("xl/externalLinks/")))
            return true;
        const bool odf =
            name == QLatin1String("content.xml") || name == QLatin1String("styles.xml");
        const bool ooxml = name.endsWith(QLatin1String(".rels")) ||
                           name == QLatin1String("word/document.xml") ||
                           name.startsWith(QLatin1String("xl/worksheets/"));
        if (!odf && !ooxml)
            continue;
        const auto bytes = readPackageEntry(path, name);
        if (!bytes)
            continue;
        if (odf ? odfNamesExternal(*bytes) : ooxmlPartNamesExternal(name, *bytes))
            return true;
    }
    return false;
}

} // namespace enginecore
