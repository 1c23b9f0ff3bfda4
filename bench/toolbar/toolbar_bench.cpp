// Measures how soon a change made with the tool bar shows: from a press of 加粗 on a selection
// to the last redrawn tile in view, median of 20, beside the same change typed as Ctrl+B in the
// same run (the anchor: LibreOffice's own shortcut, with no tool bar in between).
#include "api/documentcontrol_p.h"
#include "core/controlsession.h"
#include "core/documentmodel.h"
#include "core/engineclient.h"
#include "figures.h"
#include "flattext.h"
#include "widgets/view/documentview.h"

#include <quillary/documentcontrol.h>

#include <QAbstractButton>
#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

using benchsupport::die;
using benchsupport::median;

namespace {

constexpr int Runs = 20;

QString writeDocument(const QString &folder)
{
    QString body;
    for (int paragraph = 0; paragraph < 12; ++paragraph)
        body += QStringLiteral("<text:p>Paragraph %1: the quick brown fox jumps over the lazy "
                               "dog, again and again, to fill the line.</text:p>")
                    .arg(paragraph);
    const QString path = folder + QStringLiteral("/bench.fodt");
    if (!benchdocuments::writeFlatText(path, body))
        die(QStringLiteral("cannot write %1").arg(path));
    return path;
}

// The time from change() to the view having redrawn, up to date, the tiles it invalidated.
double millisecondsToRedraw(framer::DocumentView &view, framer::EngineClient &engine,
                            const std::function<void()> &change)
{
    bool invalidated = false;
    bool redrawn = false;
    // A loop of its own, not QTest::qWaitFor: that sleeps 10 ms whenever it finds nothing to
    // do, which the figure would include once per reply.
    QEventLoop loop;
    QElapsedTimer timer;
    const auto watch = QObject::connect(
        &engine, &framer::EngineClient::eventReceived, [&](const engineprotocol::Event &event) {
            if (std::holds_alternative<engineprotocol::event::Invalidate>(event))
                invalidated = true;
        });
    const auto done = QObject::connect(&view, &framer::DocumentView::caughtUp, [&] {
        if (invalidated) {
            redrawn = true;
            loop.quit();
        }
    });
    QTimer::singleShot(30000, &loop, &QEventLoop::quit);
    timer.start();
    change();
    if (!redrawn)
        loop.exec();
    const bool shown = redrawn;
    const double elapsed = timer.nsecsElapsed() / 1e6;
    QObject::disconnect(watch);
    QObject::disconnect(done);
    if (!shown)
        die(QStringLiteral("the change was not redrawn within 30 s"));
    return elapsed;
}

QAbstractButton *buttonNamed(QWidget &root, const QString &name)
{
    for (auto *button : root.findChildren<QAbstractButton *>())
        if (button->accessibleName() == name && button->isVisible())
            return button;
    die(QStringLiteral("no button %1").arg(name));
}

} // namespace

int main(int argc, char **argv)
{
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTemporaryDir work;
    quillary::DocumentControl control;
    control.resize(1000, 800);
    control.show();
    if (!control.open(writeDocument(work.path())))
        die(control.lastError().message);
    auto &view = *quillary::DocumentControlPrivate::get(&control)->view;
    auto &engine = quillary::DocumentControlPrivate::get(&control)->session->engine();
    QAbstractButton *bold = buttonNamed(control, QStringLiteral("加粗"));
    view.setFocus();
    QTest::keyClick(&view, Qt::Key_A, Qt::ControlModifier);
    if (!QTest::qWaitFor([&] { return bold->isEnabled(); }, 30000))
        die(QStringLiteral("加粗 stayed off"));

    // Taking turns, so that both meet the same warm engine; each press turns bold on or off.
    std::vector<double> pressed, typed;
    for (int run = 0; run < Runs; ++run) {
        pressed.push_back(
            millisecondsToRedraw(view, engine, [&] { QTest::mouseClick(bold, Qt::LeftButton); }));
        typed.push_back(millisecondsToRedraw(
            view, engine, [&] { QTest::keyClick(&view, Qt::Key_B, Qt::ControlModifier); }));
    }
    std::printf("Bold on a selection of 12 paragraphs until the view is redrawn, median of %d:\n",
                Runs);
    std::printf("  tool bar 加粗 pressed:   %8.1f ms\n", median(pressed));
    std::printf("  Ctrl+B typed (anchor):   %8.1f ms\n", median(typed));
    std::printf("  slowest press / typing:  %8.1f ms / %.1f ms\n",
                *std::max_element(pressed.begin(), pressed.end()),
                *std::max_element(typed.begin(), typed.end()));
    return 0;
}
