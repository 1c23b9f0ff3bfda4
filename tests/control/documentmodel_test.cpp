#include "core/documentmodel.h"

#include <QSignalSpy>

#include <gtest/gtest.h>

using namespace engineprotocol;
using framer::DocumentModel;

namespace {

reply::DocumentInfo protectedSheet()
{
    reply::DocumentInfo info;
    info.kind = DocumentKind::Spreadsheet;
    info.parts = 3;
    info.part = 1;
    info.width = 9000;
    info.height = 4000;
    info.isProtected = true;
    return info;
}

// The view, the tools and the public control follow the model's signals: each change is told
// once, and only when something changed.
TEST(DocumentModel, tellsEachChangeOnce_andOnlyWhenSomethingChanged)
{
    DocumentModel model;
    QSignalSpy shown(&model, &DocumentModel::documentChanged);
    QSignalSpy protection(&model, &DocumentModel::protectionChanged);
    QSignalSpy part(&model, &DocumentModel::partChanged);

    model.show(protectedSheet());
    EXPECT_TRUE(model.hasDocument());
    EXPECT_EQ(model.size(), QSize(9000, 4000));
    EXPECT_EQ(shown.count(), 1);
    ASSERT_EQ(protection.count(), 1);
    EXPECT_TRUE(protection.takeFirst().at(0).toBool());

    model.setProtected(true);
    model.setPart(1);
    EXPECT_EQ(protection.count(), 0);
    EXPECT_EQ(part.count(), 0);
    model.setPart(2);
    ASSERT_EQ(part.count(), 1);
    EXPECT_EQ(part.takeFirst().at(0).toInt(), 2);

    // Another protected document: shown again, its protection no news.
    model.show(protectedSheet());
    EXPECT_EQ(shown.count(), 2);
    EXPECT_EQ(protection.count(), 0);
    EXPECT_EQ(model.part(), 1);
}

// A document lost with its engine shows nothing while it comes back, but keeps its part and
// protection for that; one that is closed takes its protection with it.
TEST(DocumentModel, lostDocument_keepsWhatRecoveryNeeds_closedOneLeavesNothing)
{
    DocumentModel model;
    model.show(protectedSheet());
    model.setPageSize(QSize(11906, 16838));
    QSignalSpy shown(&model, &DocumentModel::documentChanged);
    QSignalSpy protection(&model, &DocumentModel::protectionChanged);

    model.markLost();
    EXPECT_FALSE(model.hasDocument());
    EXPECT_TRUE(model.isProtected());
    EXPECT_EQ(model.part(), 1);
    EXPECT_EQ(shown.count(), 1);
    EXPECT_EQ(protection.count(), 0);

    model.show(protectedSheet());
    EXPECT_EQ(protection.count(), 0) << "back as it was: no change of protection to tell";
    EXPECT_TRUE(model.pageSize().isEmpty()) << "a page size is the engine's to tell again";

    model.clear();
    EXPECT_FALSE(model.hasDocument());
    EXPECT_FALSE(model.isProtected());
    EXPECT_EQ(model.kind(), DocumentKind::Other);
    ASSERT_EQ(protection.count(), 1);
    EXPECT_FALSE(protection.takeFirst().at(0).toBool());
}

} // namespace
