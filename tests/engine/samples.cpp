#include "samples.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QLockFile>
#include <QProcess>
#include <QStandardPaths>
#include <QUrl>

namespace testsamples {

namespace {

const char *const TextSource = R"(<?xml version="1.0" encoding="UTF-8"?>
<office:document xmlns:office="urn:oasis:names:tc:opendocument:xmlns:office:1.0"
 xmlns:style="urn:oasis:names:tc:opendocument:xmlns:style:1.0"
 xmlns:text="urn:oasis:names:tc:opendocument:xmlns:text:1.0"
 xmlns:fo="urn:oasis:names:tc:opendocument:xmlns:xsl-fo-compatible:1.0"
 office:version="1.2" office:mimetype="application/vnd.oasis.opendocument.text">
 <office:automatic-styles>
  <style:style style:name="Break" style:family="paragraph">
   <style:paragraph-properties fo:break-before="page"/>
  </style:style>
 </office:automatic-styles>
 <office:body><office:text>
  <text:p>Quillary sample page one with some words to draw.</text:p>
  <text:p text:style-name="Break">Quillary sample page two.</text:p>
 </office:text></office:body>
</office:document>
)";

const char *const SheetSource = R"(<?xml version="1.0" encoding="UTF-8"?>
<office:document xmlns:office="urn:oasis:names:tc:opendocument:xmlns:office:1.0"
 xmlns:table="urn:oasis:names:tc:opendocument:xmlns:table:1.0"
 xmlns:text="urn:oasis:names:tc:opendocument:xmlns:text:1.0"
 office:version="1.2" office:mimetype="application/vnd.oasis.opendocument.spreadsheet">
 <office:body><office:spreadsheet>
  <table:table table:name="First">
   <table:table-row><table:table-cell><text:p>Quillary</text:p></table:table-cell>
    <table:table-cell><text:p>42</text:p></table:table-cell></table:table-row>
  </table:table>
  <table:table table:name="Second">
   <table:table-row><table:table-cell><text:p>second sheet</text:p></table:table-cell>
   </table:table-row>
  </table:table>
 </office:spreadsheet></office:body>
</office:document>
)";

const char *const SlidesSource = R"(<?xml version="1.0" encoding="UTF-8"?>
<office:document xmlns:office="urn:oasis:names:tc:opendocument:xmlns:office:1.0"
 xmlns:draw="urn:oasis:names:tc:opendocument:xmlns:drawing:1.0"
 xmlns:text="urn:oasis:names:tc:opendocument:xmlns:text:1.0"
 xmlns:svg="urn:oasis:names:tc:opendocument:xmlns:svg-compatible:1.0"
 xmlns:style="urn:oasis:names:tc:opendocument:xmlns:style:1.0"
 xmlns:presentation="urn:oasis:names:tc:opendocument:xmlns:presentation:1.0"
 office:version="1.2" office:mimetype="application/vnd.oasis.opendocument.presentation">
 <office:master-styles><style:master-page style:name="Default"/></office:master-styles>
 <office:body><office:presentation>
  <draw:page draw:name="One" draw:master-page-name="Default">
   <draw:frame svg:x="2cm" svg:y="2cm" svg:width="20cm" svg:height="4cm">
    <draw:text-box><text:p>Quillary slide one</text:p></draw:text-box></draw:frame>
  </draw:page>
  <draw:page draw:name="Two" draw:master-page-name="Default">
   <draw:frame svg:x="2cm" svg:y="2cm" svg:width="20cm" svg:height="4cm">
    <draw:text-box><text:p>Quillary slide two</text:p></draw:text-box></draw:frame>
  </draw:page>
  <draw:page draw:name="Three" draw:master-page-name="Default">
   <draw:frame svg:x="2cm" svg:y="2cm" svg:width="20cm" svg:height="4cm">
    <draw:text-box><text:p>Quillary slide three</text:p></draw:text-box></draw:frame>
  </draw:page>
 </office:presentation></office:body>
</office:document>
)";

struct Source
{
    const char *text;
    const char *extension;
    int parts;
    const char *kind;
};

Source sourceFor(const QString &format)
{
    if (format.startsWith(QLatin1String("xls")) || format == QLatin1String("ods"))
        return {SheetSource, "fods", 2, "spreadsheet"};
    if (format.startsWith(QLatin1String("ppt")) || format == QLatin1String("odp"))
        return {SlidesSource, "fodp", 3, "presentation"};
    return {TextSource, "fodt", 2, "text"};
}

} // namespace

QString cacheDir()
{
    const QString dir = QStringLiteral(QUILLARY_TEST_CACHE_DIR);
    QDir().mkpath(dir);
    return dir;
}

Sample sample(const QString &format)
{
    const Source source = sourceFor(format);
    const QByteArray hash =
        QCryptographicHash::hash(source.text, QCryptographicHash::Sha1).toHex().left(12);
    const QString dir = cacheDir() + QStringLiteral("/samples-") + QString::fromLatin1(hash);
    const QString target = dir + QStringLiteral("/sample.") + format;
    const Sample result{target, source.parts, QString::fromLatin1(source.kind)};

    QDir().mkpath(dir);
    QLockFile lock(dir + QStringLiteral(".lock"));
    lock.setStaleLockTime(0);
    lock.lock();
    if (QFile::exists(target))
        return result;

    const QString input = dir + QStringLiteral("/sample.") + QLatin1String(source.extension);
    QFile file(input);
    if (!file.open(QIODevice::WriteOnly) || file.write(source.text) < 0)
        return {};
    file.close();
    QProcess soffice;
    soffice.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    const QString profile =
        QUrl::fromLocalFile(cacheDir() + QStringLiteral("/soffice-profile")).toString();
    soffice.start(QStringLiteral("soffice"),
                  {QStringLiteral("-env:UserInstallation=") + profile, QStringLiteral("--headless"),
                   QStringLiteral("--convert-to"), format, QStringLiteral("--outdir"), dir, input});
    if (!soffice.waitForFinished(180000) || !QFile::exists(target))
        return {};
    return result;
}

} // namespace testsamples
