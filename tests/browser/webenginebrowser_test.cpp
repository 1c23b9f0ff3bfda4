#include "pageobject.h"

#include "automation/automationerror.h"

#include <gtest/gtest.h>

using automation::InvokeKind;
using automation::Variant;

TEST(PageObject, answersBodyTextAndLinksByName)
{
    auto snapshot = std::make_shared<browser::PageSnapshot>();
    snapshot->hasBody = true;
    snapshot->bodyText = "a 编辑 阅读\r\n";
    snapshot->links = {"http://h/1", "http://h/2"};
    auto page = browser::makePageObject(snapshot);

    auto body = automation::objectProperty(*page, "BODY");
    EXPECT_EQ(automation::invokeByName(*body, "innertext", InvokeKind::PropertyGet).asBstr(),
              "a 编辑 阅读\r\n");
    auto links = automation::objectProperty(*page, "links");
    EXPECT_EQ(automation::invokeByName(*links, "length", InvokeKind::PropertyGet).asI4(), 2);
    auto second = automation::objectProperty(*page, "links", {Variant::i4(1)});
    EXPECT_EQ(automation::invokeByName(*second, "href", InvokeKind::PropertyGet).asBstr(),
              "http://h/2");

    EXPECT_THROW(automation::objectProperty(*page, "links", {Variant::i4(2)}),
                 automation::AutomationError);
    try {
        automation::invokeByName(*page, "title", InvokeKind::PropertyGet);
        FAIL();
    } catch (const automation::AutomationError &error) {
        EXPECT_EQ(error.number(), automation::hresult::UnknownName);
    }
}

TEST(PageObject, pageWithoutBody_raisesOnBody)
{
    auto page = browser::makePageObject(std::make_shared<browser::PageSnapshot>());
    EXPECT_THROW(automation::objectProperty(*page, "body"), automation::AutomationError);
}

TEST(PageObject, lineBreaksBecomeCrLf)
{
    EXPECT_EQ(browser::withCrLfLineBreaks("a\nb\r\nc\rd\n\n"), "a\r\nb\r\nc\r\nd\r\n\r\n");
    EXPECT_EQ(browser::withCrLfLineBreaks(""), "");
}
