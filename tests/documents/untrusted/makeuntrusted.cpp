// Writes the documents the tests open as untrusted input: documents whose linked content points
// at a listener the tests start on 127.0.0.1, a decompression bomb, a document that takes more
// memory than a small engine has, a damaged package and a package that asks for a password.
//   makeuntrusted OUTPUT_DIR PORT
#include <zip.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

std::string g_base; // http://127.0.0.1:PORT

[[noreturn]] void die(const std::string &what)
{
    std::fprintf(stderr, "makeuntrusted: %s\n", what.c_str());
    std::exit(1);
}

void writeText(const std::string &path, const std::string &text)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << text;
    if (!out)
        die("cannot write " + path);
}

// A part whose bytes are made as libzip reads them: count copies of unit between head and tail.
struct Repeated
{
    std::string head, unit, tail;
    unsigned long long count = 0;
    unsigned long long position = 0;

    unsigned long long size() const { return head.size() + unit.size() * count + tail.size(); }
    char at(unsigned long long i) const
    {
        if (i < head.size())
            return head[i];
        i -= head.size();
        if (i < unit.size() * count)
            return unit[i % unit.size()];
        return tail[i - unit.size() * count];
    }
};

zip_int64_t readRepeated(void *state, void *data, zip_uint64_t length, zip_source_cmd_t command)
{
    auto *part = static_cast<Repeated *>(state);
    switch (command) {
    case ZIP_SOURCE_OPEN:
        part->position = 0;
        return 0;
    case ZIP_SOURCE_READ: {
        auto *out = static_cast<char *>(data);
        zip_uint64_t n = 0;
        for (; n < length && part->position < part->size(); ++n)
            out[n] = part->at(part->position++);
        return zip_int64_t(n);
    }
    case ZIP_SOURCE_STAT: {
        auto *stat = static_cast<zip_stat_t *>(data);
        zip_stat_init(stat);
        stat->size = part->size();
        stat->valid |= ZIP_STAT_SIZE;
        return sizeof(zip_stat_t);
    }
    case ZIP_SOURCE_CLOSE:
    case ZIP_SOURCE_FREE:
        return 0;
    case ZIP_SOURCE_ERROR:
        return 2 * sizeof(int);
    case ZIP_SOURCE_SUPPORTS:
        return zip_source_make_command_bitmap(ZIP_SOURCE_OPEN, ZIP_SOURCE_READ, ZIP_SOURCE_CLOSE,
                                              ZIP_SOURCE_STAT, ZIP_SOURCE_ERROR, ZIP_SOURCE_FREE,
                                              -1);
    default:
        return -1;
    }
}

class Package
{
public:
    explicit Package(const std::string &path) : m_path(path)
    {
        int error = 0;
        m_zip = zip_open(path.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &error);
        if (!m_zip)
            die("cannot create " + path);
    }
    void add(const std::string &name, const std::string &text, bool stored = false)
    {
        m_texts.push_back(text);
        const std::string &kept = m_texts.back();
        zip_source_t *source = zip_source_buffer(m_zip, kept.data(), kept.size(), 0);
        addSource(name, source, stored);
    }
    void add(const std::string &name, Repeated *part)
    {
        addSource(name, zip_source_function(m_zip, readRepeated, part), false);
    }
    void close()
    {
        if (zip_close(m_zip) != 0)
            die("cannot write " + m_path + ": " + zip_strerror(m_zip));
    }

private:
    void addSource(const std::string &name, zip_source_t *source, bool stored)
    {
        const zip_int64_t index =
            source ? zip_file_add(m_zip, name.c_str(), source, ZIP_FL_ENC_UTF_8) : -1;
        if (index < 0 ||
            zip_set_file_compression(m_zip, index, stored ? ZIP_CM_STORE : ZIP_CM_DEFLATE, 9) != 0)
            die("cannot add " + name + " to " + m_path);
    }

    std::string m_path;
    zip_t *m_zip = nullptr;
    std::vector<std::string> m_texts{};
};

const char *ContentTypes =
    R"(<?xml version="1.0" encoding="UTF-8" standalone="yes"?>)"
    R"(<Types xmlns="http://schemas.openxmlformats.org/package/2006/content-types">)"
    R"(<Default Extension="rels" ContentType="application/vnd.openxmlformats-package.relationships+xml"/>)"
    R"(<Default Extension="xml" ContentType="application/xml"/>)"
    R"(<Override PartName="/word/document.xml" ContentType="application/vnd.openxmlformats-officedocument.wordprocessingml.document.main+xml"/>)"
    R"(</Types>)";
const char *PackageRels =
    R"(<?xml version="1.0" encoding="UTF-8" standalone="yes"?>)"
    R"(<Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships">)"
    R"(<Relationship Id="rId1" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/officeDocument" Target="word/document.xml"/>)"
    R"(</Relationships>)";
const char *DocumentStart =
    R"(<?xml version="1.0" encoding="UTF-8" standalone="yes"?>)"
    R"(<w:document xmlns:w="http://schemas.openxmlformats.org/wordprocessingml/2006/main" )"
    R"(xmlns:r="http://schemas.openxmlformats.org/officeDocument/2006/relationships" )"
    R"(xmlns:wp="http://schemas.openxmlformats.org/drawingml/2006/wordprocessingDrawing" )"
    R"(xmlns:a="http://schemas.openxmlformats.org/drawingml/2006/main" )"
    R"(xmlns:pic="http://schemas.openxmlformats.org/drawingml/2006/picture"><w:body>)";
const char *DocumentEnd = "</w:body></w:document>";

std::string paragraph(const std::string &text)
{
    return "<w:p><w:r><w:t>" + text + "</w:t></w:r></w:p>";
}

// A Word document with a picture linked, not embedded, and an INCLUDEPICTURE field.
void linkedPictureDocx(const std::string &path)
{
    Package package(path);
    package.add("[Content_Types].xml", ContentTypes);
    package.add("_rels/.rels", PackageRels);
    package.add(
        "word/_rels/document.xml.rels",
        R"(<?xml version="1.0" encoding="UTF-8" standalone="yes"?>)"
        R"(<Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships">)"
        R"(<Relationship Id="rIdPic" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/image" Target=")" +
            g_base + R"(/docx.png" TargetMode="External"/></Relationships>)");
    package.add(
        "word/document.xml",
        std::string(DocumentStart) + paragraph("Linked picture below.") +
            R"(<w:p><w:r><w:drawing><wp:inline><wp:extent cx="952500" cy="952500"/>)"
            R"(<wp:docPr id="1" name="Picture 1"/><a:graphic><a:graphicData uri="http://schemas.openxmlformats.org/drawingml/2006/picture">)"
            R"(<pic:pic><pic:nvPicPr><pic:cNvPr id="1" name="linked.png"/><pic:cNvPicPr/></pic:nvPicPr>)"
            R"(<pic:blipFill><a:blip r:link="rIdPic"/><a:stretch><a:fillRect/></a:stretch></pic:blipFill>)"
            R"(<pic:spPr><a:xfrm><a:off x="0" y="0"/><a:ext cx="952500" cy="952500"/></a:xfrm>)"
            R"(<a:prstGeom prst="rect"><a:avLst/></a:prstGeom></pic:spPr></pic:pic></a:graphicData></a:graphic>)"
            R"(</wp:inline></w:drawing></w:r></w:p>)"
            R"(<w:p><w:r><w:fldChar w:fldCharType="begin"/></w:r><w:r><w:instrText xml:space="preserve"> INCLUDEPICTURE ")" +
            g_base +
            R"(/field.png" \d </w:instrText></w:r><w:r><w:fldChar w:fldCharType="end"/></w:r></w:p>)" +
            DocumentEnd);
    package.close();
}

const char *OdfNamespaces =
    R"(xmlns:office="urn:oasis:names:tc:opendocument:xmlns:office:1.0" )"
    R"(xmlns:text="urn:oasis:names:tc:opendocument:xmlns:text:1.0" )"
    R"(xmlns:table="urn:oasis:names:tc:opendocument:xmlns:table:1.0" )"
    R"(xmlns:draw="urn:oasis:names:tc:opendocument:xmlns:drawing:1.0" )"
    R"(xmlns:svg="urn:oasis:names:tc:opendocument:xmlns:svg-compatible:1.0" )"
    R"(xmlns:of="urn:oasis:names:tc:opendocument:xmlns:of:1.2" )"
    R"(xmlns:xlink="http://www.w3.org/1999/xlink" office:version="1.2" )";

// An OpenDocument text with a linked picture and a section linked to another document.
std::string linkedPictureOdt()
{
    return std::string(R"(<?xml version="1.0" encoding="UTF-8"?><office:document )") +
           OdfNamespaces +
           R"(office:mimetype="application/vnd.oasis.opendocument.text"><office:body><office:text>)"
           R"(<text:p>Linked picture below.</text:p><text:p>)"
           R"(<draw:frame draw:name="linked" text:anchor-type="as-char" svg:width="2cm" svg:height="2cm">)"
           R"(<draw:image xlink:href=")" +
           g_base +
           R"(/odt.png" xlink:type="simple" xlink:show="embed" xlink:actuate="onLoad"/></draw:frame></text:p>)"
           R"(<text:section text:name="linked"><text:section-source xlink:href=")" +
           g_base +
           R"(/section.odt" xlink:type="simple"/><text:p>Cached section text.</text:p></text:section>)"
           R"(</office:text></office:body></office:document>)";
}

// An OpenDocument text with an OLE object linked to another document and a DDE link to a
// cell of another workbook, both with their cached content.
std::string linkedObjectsOdt()
{
    return std::string(R"(<?xml version="1.0" encoding="UTF-8"?><office:document )") +
           OdfNamespaces +
           R"(office:mimetype="application/vnd.oasis.opendocument.text"><office:body><office:text>)"
           R"(<text:dde-connection-decls><text:dde-connection-decl office:name="linkedcell" )"
           R"(office:dde-application="soffice" office:dde-topic=")" +
           g_base +
           R"(/dde.ods" office:dde-item="Sheet1.A1" office:automatic-update="true"/>)"
           R"(</text:dde-connection-decls>)"
           R"(<text:p>Linked object below.</text:p><text:p>)"
           R"(<draw:frame draw:name="object" text:anchor-type="as-char" svg:width="4cm" svg:height="2cm">)"
           R"(<draw:object xlink:href=")" +
           g_base +
           R"(/object.ods" xlink:type="simple" xlink:show="embed" xlink:actuate="onLoad"/>)"
           R"(</draw:frame></text:p>)"
           R"(<text:p>DDE: <text:dde-connection text:connection-name="linkedcell">cached cell</text:dde-connection></text:p>)"
           R"(</office:text></office:body></office:document>)";
}

// A spreadsheet asking a web service and another workbook.
std::string linkedSheetOds()
{
    return std::string(R"(<?xml version="1.0" encoding="UTF-8"?><office:document )") +
           OdfNamespaces +
           R"(office:mimetype="application/vnd.oasis.opendocument.spreadsheet"><office:body><office:spreadsheet>)"
           R"(<table:table table:name="Links"><table:table-row>)"
           R"(<table:table-cell table:formula="of:=WEBSERVICE(&quot;)" +
           g_base +
           R"~(/ws&quot;)" office:value-type="string"><text:p>cached</text:p></table:table-cell>)~"
           R"(<table:table-cell table:formula="of:=['file:///etc/passwd'#$Sheet1.A1]+[')" +
           g_base +
           R"(/other.ods'#$Sheet1.A1]" office:value-type="float" office:value="7"><text:p>7</text:p></table:table-cell>)"
           R"(</table:table-row></table:table></office:spreadsheet></office:body></office:document>)";
}

// HTML saved as a Word document, as web pages often are: remote stylesheet, picture, background.
std::string remoteHtml()
{
    return "<html><head><meta charset=\"utf-8\"><link rel=\"stylesheet\" href=\"" + g_base +
           "/style.css\"><style>@import url(" + g_base +
           "/import.css);</style></head>"
           "<body background=\"" +
           g_base +
           "/background.png\"><p>Remote picture below.</p>"
           "<img src=\"" +
           g_base + "/html.png\" width=\"50\" height=\"50\"></body></html>\n";
}

// A Word document whose one part unpacks to 1.5 GiB of paragraphs.
void bombDocx(const std::string &path)
{
    Package package(path);
    package.add("[Content_Types].xml", ContentTypes);
    package.add("_rels/.rels", PackageRels);
    Repeated body{DocumentStart, paragraph("quillary quillary quillary"), DocumentEnd};
    body.count = (3ULL << 29) / body.unit.size();
    package.add("word/document.xml", &body);
    package.close();
}

// A Word document within the package rules (90 MiB unpacked) that LibreOffice needs far more
// than a gigabyte of memory for: two million paragraphs.
void heavyDocx(const std::string &path)
{
    Package package(path);
    package.add("[Content_Types].xml", ContentTypes);
    package.add("_rels/.rels", PackageRels);
    Repeated body{DocumentStart, paragraph("quillary quillary quillary"), DocumentEnd};
    body.count = (90ULL << 20) / body.unit.size();
    package.add("word/document.xml", &body);
    package.close();
}

// A Word document whose first entry's own header names another part than the directory does.
void damagedDocx(const std::string &path)
{
    Package package(path);
    package.add("[Content_Types].xml", ContentTypes);
    package.add("_rels/.rels", PackageRels);
    package.add("word/document.xml",
                std::string(DocumentStart) + paragraph("Damaged.") + DocumentEnd);
    package.close();
    std::ifstream in(path, std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const auto at = bytes.find("[Content_Types].xml");
    if (at == std::string::npos)
        die("no local header in " + path);
    bytes[at + 1] = 'X';
    writeText(path, bytes);
}

// An OpenDocument text whose content is marked encrypted: LibreOffice asks for a password.
void encryptedOdt(const std::string &path)
{
    Package package(path);
    package.add("mimetype", "application/vnd.oasis.opendocument.text", true);
    package.add(
        "META-INF/manifest.xml",
        R"(<?xml version="1.0" encoding="UTF-8"?>)"
        R"(<manifest:manifest xmlns:manifest="urn:oasis:names:tc:opendocument:xmlns:manifest:1.0" manifest:version="1.2">)"
        R"(<manifest:file-entry manifest:full-path="/" manifest:version="1.2" manifest:media-type="application/vnd.oasis.opendocument.text"/>)"
        R"(<manifest:file-entry manifest:full-path="content.xml" manifest:media-type="text/xml" manifest:size="512">)"
        R"(<manifest:encryption-data manifest:checksum-type="urn:oasis:names:tc:opendocument:xmlns:manifest:1.0#sha256-1k" manifest:checksum="AAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAA=">)"
        R"(<manifest:algorithm manifest:algorithm-name="http://www.w3.org/2001/04/xmlenc#aes256-cbc" manifest:initialisation-vector="AAAAAAAAAAAAAAAAAAAAAA=="/>)"
        R"(<manifest:start-key-generation manifest:start-key-generation-name="http://www.w3.org/2000/09/xmldsig#sha256" manifest:key-size="32"/>)"
        R"(<manifest:key-derivation manifest:key-derivation-name="PBKDF2" manifest:key-size="32" manifest:iteration-count="1000" manifest:salt="AAAAAAAAAAAAAAAAAAAAAA=="/>)"
        R"(</manifest:encryption-data></manifest:file-entry></manifest:manifest>)");
    std::string cipher(512, '\0');
    for (std::size_t i = 0; i < cipher.size(); ++i)
        cipher[i] = char((i * 151 + 7) & 0xff);
    package.add("content.xml", cipher, true);
    package.close();
}

} // namespace

int main(int argc, char *argv[])
{
    if (argc != 3)
        die("usage: makeuntrusted OUTPUT_DIR PORT");
    const std::string dir = argv[1];
    g_base = std::string("http://127.0.0.1:") + argv[2];
    linkedPictureDocx(dir + "/linked-picture.docx");
    writeText(dir + "/linked-picture.fodt", linkedPictureOdt());
    writeText(dir + "/linked-objects.fodt", linkedObjectsOdt());
    writeText(dir + "/linked-sheet.fods", linkedSheetOds());
    writeText(dir + "/remote-html.doc", remoteHtml());
    bombDocx(dir + "/bomb.docx");
    heavyDocx(dir + "/heavy.docx");
    damagedDocx(dir + "/damaged.docx");
    encryptedOdt(dir + "/encrypted.odt");
    return 0;
}
