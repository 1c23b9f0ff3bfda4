// Measures the review of a long text document: listing its 1,000 recorded changes and accepting
// all of them, median of 3, beside opening the same document in the same run (the anchor: what
// the user waits for before reviewing at all).
#include "figures.h"
#include "flattext.h"

#include <quillary/documentcontrol.h>

#include <QApplication>
#include <QElapsedTimer>
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

    std::vector<double> opened, listed, accepted;
    for (int run = 0; run < Runs; ++run) {
        opened.push_back(milliseconds([&] { return control.open(document); }, control));
        QList<quillary::TrackedChange> changes;
        listed.push_back(milliseconds(
            [&] {
                changes = control.trackedChanges();
                return !control.lastError();
            },
            control));
        if (changes.size() != Changes)
            die(QStringLiteral("listed %1 changes, not %2").arg(changes.size()).arg(Changes));
        accepted.push_back(milliseconds([&] { return control.acceptAllChanges(); }, control));
        if (!control.trackedChanges().isEmpty())
            die(QStringLiteral("changes left after accepting all"));
    }
    std::printf("A text document of %d paragraphs with a recorded change each, median of %d:\n",
                Changes, Runs);
    std::printf("  open (anchor):            %8.1f ms\n", median(opened));
    std::printf("  list the %d changes:   %8.1f ms\n", Changes, median(listed));
    std::printf("  accept all of them:       %8.1f ms\n", median(accepted));
    return 0;
}
