#include "pages.h"

#include <array>
#include <cstdio>
#include <ctime>

namespace quillary::server {
namespace {

constexpr std::string_view editCaption = "编辑";
constexpr std::string_view readCaption = "阅读";

std::string page(std::string_view title, const std::string &body)
{
    std::string html = "<!DOCTYPE html>\n<html lang=\"zh-CN\">\n<head>\n<meta charset=\"utf-8\">\n"
                       "<title>";
    html += htmlEscape(title);
    html += "</title>\n<style>\n"
            "body{font-family:sans-serif;margin:16px;line-height:1.6}\n"
            "div.doc{margin:4px 0}\n"
            "span.meta{color:#666;font-size:90%}\n"
            "table{border-collapse:collapse}td,th{border:1px solid #bbb;padding:2px 8px}\n"
            "</style>\n</head>\n<body>\n";
    html += body;
    html += "</body>\n</html>\n";
    return html;
}

std::string link(const std::string &address, std::string_view caption)
{
    return "<a href=\"" + htmlEscape(address) + "\">" + htmlEscape(caption) + "</a>";
}

std::string backToList()
{
    return "<p>" + link("/quillary/webdocumentlist.asp", "返回文档列表") + "</p>\n";
}

std::string details(const DocumentInfo &document)
{
    std::string html = "<p>文件名：" + htmlEscape(document.name) + "</p>\n";
    html += "<p>大小：" + formatSize(document.size) + "</p>\n";
    html += "<p>最后保存：" + formatTime(document.savedAt) + "</p>\n";
    html += "<p>当前版本：第 " + std::to_string(document.version) + " 版</p>\n";
    html += "<p>" + link(downloadAddress(document.id), "下载当前版本") + "</p>\n";
    html += "<p>" + link(versionsAddress(document.id), "全部历史版本") + "</p>\n";
    return html;
}

// Decodes one UTF-8 sequence at text[i]; returns its length (1 for a stray byte).
std::size_t sequenceLength(std::string_view text, std::size_t i, char32_t &codePoint)
{
    const auto byte = static_cast<unsigned char>(text[i]);
    std::size_t length = byte < 0x80       ? 1
                         : byte >> 5 == 6  ? 2
                         : byte >> 4 == 14 ? 3
                         : byte >> 3 == 30 ? 4
                                           : 1;
    if (i + length > text.size())
        length = 1;
    if (length == 1) {
        codePoint = byte;
        return 1;
    }
    codePoint = byte & (0x7f >> length);
    for (std::size_t k = 1; k < length; ++k) {
        const auto next = static_cast<unsigned char>(text[i + k]);
        if (next >> 6 != 2) {
            codePoint = byte;
            return 1;
        }
        codePoint = (codePoint << 6) | (next & 0x3f);
    }
    return length;
}

bool isSpaceOrControl(char32_t c)
{
    return c < 0x20 || c == ' ' || (c >= 0x7f && c <= 0xa0) || c == 0x1680 ||
           (c >= 0x2000 && c <= 0x200b) || c == 0x2028 || c == 0x2029 || c == 0x202f ||
           c == 0x205f || c == 0x3000 || c == 0xfeff;
}

} // namespace

std::string htmlEscape(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        switch (c) {
        case '&':
            out += "&amp;";
            break;
        case '<':
            out += "&lt;";
            break;
        case '>':
            out += "&gt;";
            break;
        case '"':
            out += "&quot;";
            break;
        case '\'':
            out += "&#39;";
            break;
        default:
            out.push_back(c);
        }
    }
    return out;
}

std::string listName(std::string_view name)
{
    std::string out;
    for (std::size_t i = 0; i < name.size();) {
        char32_t codePoint = 0;
        const std::size_t length = sequenceLength(name, i, codePoint);
        if (isSpaceOrControl(codePoint))
            out.push_back('_');
        else
            out.append(name.substr(i, length));
        i += length;
    }
    return out.empty() ? std::string("_") : out;
}

std::string formatSize(std::uint64_t bytes)
{
    char text[32];
    if (bytes < 1024)
        std::snprintf(text, sizeof text, "%llu B", static_cast<unsigned long long>(bytes));
    else if (bytes < 1024 * 1024)
        std::snprintf(text, sizeof text, "%.1f KB", bytes / 1024.0);
    else
        std::snprintf(text, sizeof text, "%.1f MB", bytes / (1024.0 * 1024.0));
    return text;
}

std::string formatTime(std::int64_t secondsSinceEpoch)
{
    const std::time_t time = static_cast<std::time_t>(secondsSinceEpoch);
    std::tm local{};
    localtime_r(&time, &local);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &local);
    return text;
}

std::string editAddress(std::int64_t id)
{
    return "/quillary/webdocedit.asp?oper=edit&id=" + std::to_string(id);
}

std::string readAddress(std::int64_t id)
{
    return "/quillary/webdocread.asp?id=" + std::to_string(id);
}

std::string downloadAddress(std::int64_t id)
{
    return "/quillary/writefile.asp?id=" + std::to_string(id) + "&operfile=office";
}

std::string versionsAddress(std::int64_t id)
{
    return "/quillary/versions.asp?id=" + std::to_string(id);
}

std::string listPage(const std::vector<DocumentInfo> &documents)
{
    std::string body = "<h1>Quillary 文档控件演示 · 服务器文档</h1>\n";
    body += "<p>共 " + std::to_string(documents.size()) +
            " 个文档。在演示程序左侧的列表中点击文档名，即可在控件中打开该文档。</p>\n";
    body.reserve(body.size() + documents.size() * 400);
    for (const DocumentInfo &document : documents) {
        // One line per document; the pieces are separated by single spaces only.
        body += "<div class=\"doc\">" + htmlEscape(listName(document.name)) + " " +
                link(editAddress(document.id), editCaption) + " " +
                link(readAddress(document.id), readCaption) + " <span class=\"meta\">" +
                formatSize(document.size) + " " + formatTime(document.savedAt) + "</span></div>\n";
    }
    if (documents.empty())
        body += "<p>服务器上还没有文档。</p>\n";
    return page("服务器文档列表", body);
}

std::string editPage(const DocumentInfo &document)
{
    std::string body = "<h1>" + htmlEscape(document.name) + "</h1>\n";
    body += "<p>这是可在线修改的文档。在演示程序中打开它，修改后点击“保存远程”，"
            "文档会作为新版本保存到服务器，旧版本全部保留。</p>\n";
    body +=
        "<p>上传地址：/quillary/uploadedit.asp?oper=edit&amp;id=" + std::to_string(document.id) +
        "</p>\n";
    body += details(document) + backToList();
    return page(document.name, body);
}

std::string readPage(const DocumentInfo &document)
{
    std::string body = "<h1>" + htmlEscape(document.name) + "</h1>\n";
    body += "<p>只读查看：下载后用 Office 或 WPS 打开即可查看文档内容。</p>\n";
    body += details(document) + backToList();
    return page(document.name, body);
}

std::string versionsPage(const DocumentInfo &document, const std::vector<VersionInfo> &versions)
{
    std::string body = "<h1>" + htmlEscape(document.name) + " 的历史版本</h1>\n";
    body += "<table>\n<tr><th>版本</th><th>大小</th><th>保存时间</th><th>上传文件名</th><th></th></"
            "tr>\n";
    for (auto it = versions.rbegin(); it != versions.rend(); ++it) {
        body +=
            "<tr><td>" + std::to_string(it->number) + "</td><td>" + formatSize(it->size) +
            "</td><td>" + formatTime(it->savedAt) + "</td><td>" + htmlEscape(it->uploadedName) +
            "</td><td>" +
            link(downloadAddress(document.id) + "&version=" + std::to_string(it->number), "下载") +
            "</td></tr>\n";
    }
    body += "</table>\n" + backToList();
    return page(document.name + " 历史版本", body);
}

std::string messagePage(std::string_view title, std::string_view text)
{
    return page(title, "<h1>" + htmlEscape(title) + "</h1>\n<p>" + htmlEscape(text) + "</p>\n" +
                           backToList());
}

std::string forumPage()
{
    return page("技术论坛", "<h1>Quillary 技术论坛</h1>\n"
                            "<p>论坛正在建设中。演示版的问题请先查看产品说明。</p>\n"
                            "<p>" +
                                link("/quillaryintro.htm", "产品说明") + "</p>\n" + backToList());
}

std::string introPage()
{
    return page("产品说明",
                "<h1>Quillary 文档控件</h1>\n"
                "<p>Quillary 文档控件（FramerControl）可以嵌入到网页或桌面程序中，"
                "在程序窗口里直接打开、编辑和保存 Word、Excel、PowerPoint 和 WPS 文档。</p>\n"
                "<ul>\n<li>打开本地文件、任意网址上的文件或服务器上的文档</li>\n"
                "<li>保存到本地，或以 HTTP 上传保存回服务器</li>\n"
                "<li>替换文字，在书签处插入图片、印章和手写签名，插入表格</li>\n"
                "<li>保护与取消保护文档，转换为 PDF，批量下载文件</li>\n</ul>\n"
                "<p>" +
                    link("/quillary.htm", "如何获取") + "</p>\n" + backToList());
}

std::string purchasePage()
{
    return page("产品购买方法",
                "<h1>如何获取 Quillary 文档控件</h1>\n"
                "<p>本站是演示服务器，只提供演示文档。正式版请联系软件供应商获取授权，"
                "授权后可获得控件安装包和开发文档。</p>\n"
                "<p>" +
                    link("/quillaryintro.htm", "产品说明") + "</p>\n" + backToList());
}

} // namespace quillary::server
