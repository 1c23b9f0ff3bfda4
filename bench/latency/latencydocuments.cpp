#include "latencydocuments.h"

#include "flattext.h"

#include <QSaveFile>

namespace latencydocuments {

namespace {

const char *const Namespaces =
    R"( xmlns:office="urn:oasis:names:tc:opendocument:xmlns:office:1.0")"
    R"( xmlns:style="urn:oasis:names:tc:opendocument:xmlns:style:1.0")"
    R"( xmlns:text="urn:oasis:names:tc:opendocument:xmlns:text:1.0")"
    R"( xmlns:table="urn:oasis:names:tc:opendocument:xmlns:table:1.0")"
    R"( xmlns:draw="urn:oasis:names:tc:opendocument:xmlns:drawing:1.0")"
    R"( xmlns:presentation="urn:oasis:names:tc:opendocument:xmlns:presentation:1.0")"
    R"( xmlns:svg="urn:oasis:names:tc:opendocument:xmlns:svg-compatible:1.0")"
    R"( xmlns:fo="urn:oasis:names:tc:opendocument:xmlns:xsl-fo-compatible:1.0")";

bool write(const QString &path, const QString &mimeType, const QString &body)
{
    const QByteArray text = QStringLiteral(R"(<?xml version="1.0" encoding="UTF-8"?>)"
                                           "<office:document%1 office:version=\"1.2\" "
                                           "office:mimetype=\"%2\"><office:body>%3</office:body>"
                                           "</office:document>")
                                .arg(QLatin1String(Namespaces), mimeType, body)
                                .toUtf8();
    QSaveFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(text) == text.size() && file.commit();
}

} // namespace

bool writeText(const QString &path, int pages)
{
    QString body;
    for (int page = 0; page < pages; ++page)
        for (int paragraph = 0; paragraph < 12; ++paragraph)
            body +=
                QStringLiteral("<text:p%1>Page %2, paragraph %3: the quick brown fox jumps "
                               "over the lazy dog, again and again, to fill the line.</text:p>")
                    .arg(page > 0 && paragraph == 0 ? QStringLiteral(" text:style-name=\"Break\"")
                                                    : QString())
                    .arg(page + 1)
                    .arg(paragraph + 1);
    return benchdocuments::writeFlatText(path, body);
}

bool writeSheets(const QString &path)
{
    QString body = QStringLiteral("<office:spreadsheet>");
    for (int sheet = 0; sheet < 3; ++sheet) {
        body += QStringLiteral("<table:table table:name=\"Sheet%1\">").arg(sheet + 1);
        for (int row = 0; row < 60; ++row) {
            body += QStringLiteral("<table:table-row>");
            for (int column = 0; column < 12; ++column)
                body += QStringLiteral("<table:table-cell office:value-type=\"float\" "
                                       "office:value=\"%1\"><text:p>%1</text:p></table:table-cell>")
                            .arg((sheet + 1) * 1000 + row * 12 + column);
            body += QStringLiteral("</table:table-row>");
        }
        body += QStringLiteral("</table:table>");
    }
    body += QStringLiteral("</office:spreadsheet>");
    return write(path, QStringLiteral("application/vnd.oasis.opendocument.spreadsheet"), body);
}

bool writeSlides(const QString &path)
{
    QString body = QStringLiteral("<office:presentation>");
    for (int slide = 0; slide < 3; ++slide)
        body += QStringLiteral("<draw:page draw:name=\"Slide%1\"><draw:frame svg:x=\"2cm\" "
                               "svg:y=\"2cm\" svg:width=\"20cm\" svg:height=\"4cm\"><draw:text-box>"
                               "<text:p>Slide %1: the quick brown fox</text:p></draw:text-box>"
                               "</draw:frame><draw:rect svg:x=\"4cm\" svg:y=\"8cm\" "
                               "svg:width=\"%2cm\" svg:height=\"6cm\"/></draw:page>")
                    .arg(slide + 1)
                    .arg(6 + 4 * slide);
    body += QStringLiteral("</office:presentation>");
    return write(path, QStringLiteral("application/vnd.oasis.opendocument.presentation"), body);
}

} // namespace latencydocuments
