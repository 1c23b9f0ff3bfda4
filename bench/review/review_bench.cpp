// Measures the review of a long text document: listing its 1,000 recorded changes and accepting
// all of them, median of 3, beside opening the same document in the same run (the anchor: what
// the user waits for before reviewing at all). Then the same list for a workbook with 1,000
// recorded cell changes: the engine reads that list after every edit of a spreadsheet, as
// LibreOffice does not report its changes.
#include "figures.h"
#include "flattext.h"

#include <quillary/documentcontrol.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

using benchsupport::die;
using benchsupport::median;

namespace {

constexpr int Changes = 1000;
constexpr int Runs = 3;

double milliseconds(const std::function<bool()> &work, quillary::DocumentControl &control)
{
    QElapsedTimer timer;
    timer.start();
    if (!work())
        die(control.lastError().message);
    return timer.nsecsElapsed() / 1e6;
}

// One paragraph per change, each with words inserted by another reviewer.
QString writeDocument(const QString &folder)
{
    QString regions;
    QString paragraphs;
    for (int change = 1; change <= Changes; ++change) {
        regions += QStringLiteral(
                       "<text:changed-region text:id=\"ct%1\"><text:insertion><office:change-info>"
                       "<dc:creator>审阅人乙</dc:creator><dc:date>2026-12-01T10:00:00</dc:date>"
                       "</office:change-info></text:insertion></text:changed-region>")
                       .arg(change);
        paragraphs += QStringLiteral("<text:p>Paragraph %1 keeps its words and "
                                     "<text:change-start text:change-id=\"ct%1\"/>gains a few "
                                     "more<text:change-end text:change-id=\"ct%1\"/>.</text:p>")
                          .arg(change);
    }
    const QString body = QStringLiteral("<text:tracked-changes "
                                        "xmlns:dc=\"http://purl.org/dc/elements/1.1/\">%1"
                                        "</text:tracked-changes>%2")
                             .arg(regions, paragraphs);
    const QString path = folder + QStringLiteral("/review.fodt");
    if (!benchdocuments::writeFlatText(path, body))
        die(QStringLiteral("cannot write %1").arg(path));
    return path;
}

// A workbook of one column whose every cell was changed by another reviewer.
QString writeWorkbook(const QString &folder)
{
    QString changes;
    QString rows;
    for (int change = 1; change <= Changes; ++change) {
        changes +=
            QStringLiteral("<table:cell-content-change table:id=\"ct%1\"><table:cell-address "
                           "table:column=\"0\" table:row=\"%2\" table:table=\"0\"/>"
                           "<office:change-info><dc:creator>审阅人乙</dc:creator>"
                           "<dc:date>2026-12-01T10:00:00</dc:date></office:change-info>"
                           "<table:previous><table:change-track-table-cell "
                           "office:value-type=\"float\" office:value=\"%2\"/></table:previous>"
                           "</table:cell-content-change>")
                .arg(change)
                .arg(change - 1);
        rows += QStringLiteral("<table:table-row><table:table-cell office:value-type=\"float\" "
                               "office:value=\"%1\"/></table:table-row>")
                    .arg(change * 10);
    }
    const QByteArray xml =
        QStringLiteral(
            "<?xml version=\"1.0\" encoding=\"UTF-8\"?>"
            "<office:document xmlns:office=\"urn:oasis:names:tc:opendocument:xmlns:office:1.0\" "
            "xmlns:table=\"urn:oasis:names:tc:opendocument:xmlns:table:1.0\" "
            "xmlns:dc=\"http://purl.org/dc/elements/1.1/\" office:version=\"1.2\" "
            "office:mimetype=\"application/vnd.oasis.opendocument.spreadsheet\">"
            "<office:body><office:spreadsheet><table:tracked-changes>%1</table:tracked-changes>"
            "<table:table table:name=\"Sheet1\">%2</table:table></office:spreadsheet>"
            "</office:body></office:document>")
            .arg(changes, rows)
            .toUtf8();
    const QString path = folder + QStringLiteral("/review.fods");
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(xml) != xml.size())
        die(QStringLiteral("cannot write %1").arg(path));
    return path;
}

} // namespace

int main(int argc, char **argv)
{
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTemporaryDir work;
    const QString document = writeDocument(work.path());
    quillary::DocumentControl control;
    control.resize(1000, 800);
    control.show();

    // Opens path and lists its changes, which must be all of them.
    const auto openAndList = [&](const QString &path, std::vector<double> &opened,
                                 std::vector<double> &listed) {
        opened.push_back(milliseconds([&] { return control.open(path); }, control));
        QList<quillary::TrackedChange> changes;
        listed.push_back(milliseconds(
            [&] {
                changes = control.trackedChanges();
                return !control.lastError();
            },
            control));
        if (changes.size() != Changes)
            die(QStringLiteral("listed %1 changes, not %2").arg(changes.size()).arg(Changes));
    };
    std::vector<double> opened, listed, accepted;
    for (int run = 0; run < Runs; ++run) {
        openAndList(document, opened, listed);
        accepted.push_back(milliseconds([&] { return control.acceptAllChanges(); }, control));
        if (!control.trackedChanges().isEmpty())
            die(QStringLiteral("changes left after accepting all"));
    }
    const QString workbook = writeWorkbook(work.path());
    std::vector<double> sheetOpened, sheetListed;
    for (int run = 0; run < Runs; ++run)
        openAndList(workbook, sheetOpened, sheetListed);
    std::printf("A text document of %d paragraphs with a recorded change each, median of %d:\n",
                Changes, Runs);
    std::printf("  open (anchor):            %8.1f ms\n", median(opened));
    std::printf("  list the %d changes:   %8.1f ms\n", Changes, median(listed));
    std::printf("  accept all of them:       %8.1f ms\n", median(accepted));
    std::printf("A workbook of %d cells with a recorded change each, median of %d:\n", Changes,
                Runs);
    std::printf("  open (anchor):            %8.1f ms\n", median(sheetOpened));
    std::printf("  list the %d changes:   %8.1f ms\n", Changes, median(sheetListed));
    return 0;
}
