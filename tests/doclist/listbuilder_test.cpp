#include "listbuilder.h"

#include <gtest/gtest.h>

using doclist::buildDocumentList;
using Strings = std::vector<std::string>;

namespace {
const std::string A = "http://h/quillary/webdocedit.asp?oper=edit&id=1";
const std::string B = "http://h/quillary/webdocedit.asp?oper=edit&id=2";
const std::string C = "http://h/quillary/webdocedit.asp?oper=edit&id=3";
const std::string D = "http://h/quillary/webdocedit.asp?oper=edit&id=4";
const std::string E = "http://h/quillary/webdocedit.asp?oper=edit&id=5";
const std::string Read = "http://h/quillary/webdocread.asp?id=1";

std::string lines(std::initializer_list<const char *> parts)
{
    std::string text;
    for (const char *part : parts)
        text += std::string(part) + "\r\n";
    return text;
}
} // namespace

TEST(ListBuilder, pairsNamesWithEditLinksByOrder)
{
    struct Case
    {
        const char *name;
        std::string text;
        Strings links;
        Strings entries;
    };
    const std::string three = lines({"a.doc 编辑 阅读", "b.xls 编辑 阅读", "c.ppt 编辑 阅读"});
    const Case cases[] = {
        {"name cut at the first space, entry is name + address",
         lines({"文档列表", "report.doc 编辑 阅读 12 KB 2026-12-01"}),
         {A, Read},
         {"report.doc" + A}},
        {"line beginning with a space gives an empty name",
         lines({" lead.doc 编辑 阅读"}),
         {A},
         {A}},
        {"line without a space is its own name", lines({"x编辑阅读"}), {A}, {"x编辑阅读" + A}},
        {"only one of the two markers gives no name",
         lines({"a.doc 编辑", "b.doc 阅读", "c.doc 编辑 阅读"}),
         {A},
         {"c.doc" + A}},
        {"spaces-only line is skipped", lines({"   ", "c.doc 编辑 阅读"}), {A}, {"c.doc" + A}},
        {"marker case is ignored in addresses",
         lines({"a 编辑 阅读", "b 编辑 阅读"}),
         {"http://h/WebDocEdit.asp?OPER=EDIT&id=1", "http://h/WEBDOCEDIT.asp?Oper=Edit&id=2"},
         {"ahttp://h/WebDocEdit.asp?OPER=EDIT&id=1", "bhttp://h/WEBDOCEDIT.asp?Oper=Edit&id=2"}},
        {"duplicates are detected with case",
         lines({"a 编辑 阅读", "b 编辑 阅读"}),
         {"http://h/webdocedit?oper=edit&id=1", "http://h/WEBDOCEDIT?oper=edit&id=1"},
         {"ahttp://h/webdocedit?oper=edit&id=1", "bhttp://h/WEBDOCEDIT?oper=edit&id=1"}},
        {"A A gives one entry", three, {A, A}, {"a.doc" + A}},
        {"A B A gives three entries", three, {A, B, A}, {"a.doc" + A, "b.xls" + B, "c.ppt" + A}},
        {"other links do not break a run", three, {A, Read, A}, {"a.doc" + A}},
        {"five links, three lines: fourth is the address alone, fifth nothing",
         three,
         {A, B, C, D, E},
         {"a.doc" + A, "b.xls" + B, "c.ppt" + C, D}},
        {"two lines, one link", lines({"a 编辑 阅读", "b 编辑 阅读"}), {A}, {"a" + A}},
        {"a link with only one marker does not reset the duplicate check",
         three,
         {A, "http://h/webdocedit.asp?id=9", "http://h/x?oper=edit", A},
         {"a.doc" + A}},
        {"links but no matching line", lines({"nothing here", "编辑"}), {A, B}, {}},
        {"empty page", "", {A}, {}},
        {"last line without a line break still counts", "a 编辑 阅读", {A, B}, {"a" + A, B}},
        {"lone LF is not a line break", "a 编辑\nb 阅读\r\n", {A}, {"a" + A}},
    };
    for (const Case &c : cases)
        EXPECT_EQ(buildDocumentList(c.text, c.links), c.entries) << c.name;
}

TEST(ListBuilder, trimsOnlySpacesForTheMarkerTest_butCutsTheUntrimmedLine)
{
    // Leading spaces make an empty name even though the trimmed line qualifies.
    EXPECT_EQ(buildDocumentList(lines({"  a.doc 编辑 阅读  "}), {A}), Strings{A});
    // A tab is no space: the name runs up to the first real space.
    EXPECT_EQ(buildDocumentList(lines({"a\tb 编辑 阅读"}), {A}), Strings{"a\tb" + A});
}

TEST(ListBuilder, containsText_ignoresAsciiCaseOnly)
{
    EXPECT_TRUE(doclist::containsText("xxWEBDOCEDITyy", "webdocedit"));
    EXPECT_TRUE(doclist::containsText("编辑阅读", "阅读"));
    EXPECT_FALSE(doclist::containsText("webdoc edit", "webdocedit"));
    EXPECT_TRUE(doclist::containsText("anything", ""));
}
