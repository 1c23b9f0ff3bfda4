#include "flattext.h"

#include <QSaveFile>

namespace benchdocuments {

QByteArray flatText(const QString &paragraphs)
{
    return QStringLiteral(R"(<?xml version="1.0" encoding="UTF-8"?>
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
 <office:body><office:text>%1</office:text></office:body></office:document>)")
        .arg(paragraphs)
        .toUtf8();
}

bool writeFlatText(const QString &path, const QString &paragraphs)
{
    QSaveFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(flatText(paragraphs)) >= 0 &&
           file.commit();
}

} // namespace benchdocuments
