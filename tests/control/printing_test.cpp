#include "core/printing.h"

#include <gtest/gtest.h>

using framer::PrintJob;
using framer::Sides;
using Options = QList<QPair<QByteArray, QByteArray>>;

// A print job as LibreOffice lays out its pages and as CUPS is asked to print them.
TEST(Printing, jobsPagesGoToTheExport_copiesAndSidesToCups)
{
    const struct
    {
        const char *name;
        PrintJob job;
        QByteArray exportOptions;
        Options cups;
    } cases[] = {
        {"wholeDocumentOnce", PrintJob{}, {}, {{"copies", "1"}, {"sides", "one-sided"}}},
        {"onePage",
         PrintJob{.fromPage = 2, .toPage = 2},
         R"({"PageRange":{"type":"string","value":"2"}})",
         {{"copies", "1"}, {"sides", "one-sided"}}},
        {"pagesTwoToFive_twiceCollated_onBothSides",
         PrintJob{.copies = 2, .sides = Sides::LongEdge, .fromPage = 2, .toPage = 5},
         R"({"PageRange":{"type":"string","value":"2-5"}})",
         {{"copies", "2"}, {"collate", "true"}, {"sides", "two-sided-long-edge"}}},
        {"threeUncollated_flippedOnTheShortEdge",
         PrintJob{.copies = 3, .collate = false, .sides = Sides::ShortEdge},
         {},
         {{"copies", "3"}, {"collate", "false"}, {"sides", "two-sided-short-edge"}}},
        {"noCopiesAreOne", PrintJob{.copies = 0}, {}, {{"copies", "1"}, {"sides", "one-sided"}}},
    };
    for (const auto &c : cases) {
        EXPECT_EQ(framer::pdfExportOptions(c.job), c.exportOptions) << c.name;
        EXPECT_EQ(framer::cupsOptions(c.job), c.cups) << c.name;
    }
}
