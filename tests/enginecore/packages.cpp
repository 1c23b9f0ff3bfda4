#include "packages.h"

#include <QFile>

#include <zip.h>

namespace testpackages {

bool writePackage(const QString &path, const Entries &entries)
{
    int code = 0;
    zip_t *archive =
        zip_open(QFile::encodeName(path).constData(), ZIP_CREATE | ZIP_TRUNCATE, &code);
    if (!archive)
        return false;
    for (const auto &[name, bytes] : entries) {
        zip_source_t *source = zip_source_buffer(archive, bytes.constData(), bytes.size(), 0);
        if (!source || zip_file_add(archive, name.toUtf8().constData(), source, 0) < 0) {
            zip_discard(archive);
            return false;
        }
    }
    return zip_close(archive) == 0;
}

QByteArray wordSettings(const QByteArray &extra)
{
    return R"(<?xml version="1.0" encoding="UTF-8" standalone="yes"?>)"
           "\n"
           R"(<w:settings xmlns:w="http://schemas.openxmlformats.org/wordprocessingml/2006/main">)"
           R"(<w:zoom w:percent="100"/><w:defaultTabStop w:val="709"/>)"
           R"(<w:compat><w:compatSetting w:name="compatibilityMode" w:val="15"/></w:compat>)" +
           extra + "</w:settings>";
}

Entries wordPackage(const QByteArray &settings)
{
    return {{"[Content_Types].xml", "<Types/>"},
            {"word/document.xml", "<w:document/>"},
            {"word/settings.xml", settings}};
}

QByteArray openDocumentSettings(const QByteArray &items)
{
    return R"(<?xml version="1.0" encoding="UTF-8"?>)"
           R"(<office:document-settings )"
           R"(xmlns:office="urn:oasis:names:tc:opendocument:xmlns:office:1.0" )"
           R"(xmlns:config="urn:oasis:names:tc:opendocument:xmlns:config:1.0"><office:settings>)"
           R"(<config:config-item-set config:name="ooo:view-settings">)"
           R"(<config:config-item config:name="LoadReadonly" config:type="boolean">true)"
           R"(</config:config-item></config:config-item-set>)"
           R"(<config:config-item-set config:name="ooo:configuration-settings">)" +
           items + "</config:config-item-set></office:settings></office:document-settings>";
}

Entries openDocumentPackage(const QByteArray &settings)
{
    return {{"mimetype", "application/vnd.oasis.opendocument.text"},
            {"content.xml", "<office:document-content/>"},
            {"settings.xml", settings}};
}

} // namespace testpackages
