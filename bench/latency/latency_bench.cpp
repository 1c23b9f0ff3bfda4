// Measures how soon edits and view changes show through the control, in one run: from the
// press or key to the last redrawn tile in view, median and worst of 20 of each, beside the
// same operation done by LibreOfficeKit in-process with no control in between (the floor: the
// command, its invalidation, the painting of the same tiles), measured by this program in a
// process of its own after the control's figures.
#include "api/documentcontrol_p.h"
#include "core/controlsession.h"
#include "core/engineclient.h"
#include "figures.h"
#include "floor.h"
#include "latencydocuments.h"
#include "widgets/tools/editingtoolbar.h"
#include "widgets/view/documentview.h"

#include <quillary/documentcontrol.h>

#include <QAbstractButton>
#include <QApplication>
#include <QClipboard>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QMap>
#include <QProcess>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

using benchsupport::die;

namespace {

constexpr int Runs = 20;

struct Figures
{
    double median = 0;
    double worst = 0;
};

Figures figuresOf(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return {values[values.size() / 2], values.back()};
}

// The control showing one document, and the stopwatch of its operations.
class Subject : public QObject
{
public:
    explicit Subject(const QString &path)
    {
        m_control.resize(1000, 800);
        m_control.show();
        if (!m_control.open(path))
            die(m_control.lastError().message);
        auto *d = quillary::DocumentControlPrivate::get(&m_control);
        m_view = d->view;
        m_engine = &d->session->engine();
        m_view->setFocus();
        m_view->viewport()->installEventFilter(this);
        connect(m_engine, &framer::EngineClient::eventReceived, this,
                [this](const engineprotocol::Event &event) {
                    if (std::holds_alternative<engineprotocol::event::Invalidate>(event))
                        m_invalidated = true;
                });
        settle();
    }

    framer::DocumentView &view() { return *m_view; }
    // The view's tiles, as the floor paints them.
    latencyfloor::View floorView(const QString &name, const QString &path) const
    {
        const auto &grid = m_view->grid();
        const QRect tiles = grid.visibleTiles(m_view->scrollPosition(), m_view->viewport()->size());
        return {name, path, grid.tileTwips({1, 0}).x(), tiles.right() + 1, tiles.bottom() + 1};
    }

    // From action to the view painted with every tile in view up to date (after the document
    // invalidated some, when change).
    double measure(const std::function<void()> &action, bool change)
    {
        m_invalidated = !change;
        m_painted = false;
        m_watching = true;
        QElapsedTimer timer;
        timer.start();
        action();
        if (!m_painted) {
            QTimer limit;
            limit.setSingleShot(true);
            connect(&limit, &QTimer::timeout, &m_loop, &QEventLoop::quit);
            limit.start(30000);
            m_loop.exec();
        }
        const double elapsed = timer.nsecsElapsed() / 1e6;
        m_watching = false;
        if (!m_painted)
            die(QStringLiteral("the view was not redrawn within 30 s"));
        settle();
        return elapsed;
    }
    // An unmeasured step: done, and the view caught up with it.
    void step(const std::function<void()> &action)
    {
        action();
        settle();
    }
    void press(const QString &name)
    {
        for (auto *button : m_control.findChildren<QAbstractButton *>())
            if (button->accessibleName() == name && button->isVisible()) {
                if (!QTest::qWaitFor([&] { return button->isEnabled(); }, 10000))
                    die(QStringLiteral("%1 stayed off").arg(name));
                return QTest::mouseClick(button, Qt::LeftButton);
            }
        die(QStringLiteral("no button %1").arg(name));
    }
    void key(Qt::Key key, Qt::KeyboardModifiers modifiers = {})
    {
        QTest::keyClick(m_view, key, modifiers);
    }
    framer::EditingToolBar &toolBar() { return *m_control.findChild<framer::EditingToolBar *>(); }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        // The tiles a paint draws are the grid's as this paint begins.
        if (m_watching && event->type() == QEvent::Paint && m_invalidated &&
            m_view->grid().isCurrent(visibleTiles())) {
            m_painted = true;
            m_loop.quit();
        }
        return QObject::eventFilter(watched, event);
    }

private:
    QRect visibleTiles() const
    {
        return m_view->grid().visibleTiles(m_view->scrollPosition(), m_view->viewport()->size());
    }
    void settle()
    {
        // The engine's trailing callbacks, then every tile in view.
        QTest::qWait(60);
        if (!QTest::qWaitFor([&] { return m_view->grid().isCurrent(visibleTiles()); }, 30000))
            die(QStringLiteral("the tiles in view did not come within 30 s"));
    }

    quillary::DocumentControl m_control;
    framer::DocumentView *m_view = nullptr;
    framer::EngineClient *m_engine = nullptr;
    QEventLoop m_loop;
    bool m_watching = false;
    bool m_invalidated = false;
    bool m_painted = false;
};

using Results = QMap<QString, Figures>; // "document operation"

void measureText(Subject &s, const QString &name, Results &results, bool scrolls)
{
    const auto record = [&](const char *operation, int runs,
                            const std::function<double(int)> &one) {
        std::vector<double> times;
        for (int i = 0; i < runs; ++i)
            times.push_back(one(i));
        results[name + QLatin1Char(' ') + QLatin1String(operation)] = figuresOf(times);
    };
    // The first page's paragraphs.
    s.step([&] {
        s.key(Qt::Key_Home, Qt::ControlModifier);
        for (int line = 0; line < 12; ++line)
            s.key(Qt::Key_Down, Qt::ShiftModifier);
    });
    record("format", Runs,
           [&](int) { return s.measure([&] { s.press(QStringLiteral("加粗")); }, true); });
    std::vector<double> undo, redo;
    for (int i = 0; i < Runs; ++i) {
        undo.push_back(s.measure([&] { s.press(QStringLiteral("撤销")); }, true));
        redo.push_back(s.measure([&] { s.press(QStringLiteral("恢复")); }, true));
    }
    results[name + QStringLiteral(" undo")] = figuresOf(undo);
    results[name + QStringLiteral(" redo")] = figuresOf(redo);
    s.step([&] { s.key(Qt::Key_Home, Qt::ControlModifier); });
    QGuiApplication::clipboard()->setText(QStringLiteral("pasted words "));
    record("paste", Runs, [&](int) {
        const double time = s.measure([&] { s.press(QStringLiteral("粘贴")); }, true);
        s.step([&] { s.press(QStringLiteral("撤销")); });
        return time;
    });
    record("delete", Runs, [&](int) {
        s.step([&] {
            s.key(Qt::Key_Home, Qt::ControlModifier);
            s.key(Qt::Key_Down, Qt::ShiftModifier);
            s.key(Qt::Key_Down, Qt::ShiftModifier);
        });
        const double time = s.measure([&] { s.key(Qt::Key_Delete); }, true);
        s.step([&] { s.press(QStringLiteral("撤销")); });
        return time;
    });
    s.step([&] { s.key(Qt::Key_Home, Qt::ControlModifier); });
    record("insert-table", Runs, [&](int) {
        const double time = s.measure([&] { emit s.toolBar().tableChosen(2, 2); }, true);
        s.step([&] { s.press(QStringLiteral("撤销")); });
        return time;
    });
    record("typing", Runs, [&](int) { return s.measure([&] { s.key(Qt::Key_X); }, true); });
    record("zoom", Runs,
           [&](int i) { return s.measure([&] { s.view().zoomBy(i % 2 == 0 ? -1 : 1); }, false); });
    if (!scrolls)
        return;
    s.step([&] { s.view().setZoom(quillary::Zoom::fitWidth()); });
    record("scroll-page", Runs, [&](int) {
        return s.measure(
            [&] {
                s.view().verticalScrollBar()->triggerAction(QAbstractSlider::SliderPageStepAdd);
            },
            false);
    });
}

void measureParts(Subject &s, const QString &name, const char *operation, Results &results)
{
    std::vector<double> times;
    const int parts = s.view().model().parts();
    for (int i = 0; i < Runs; ++i)
        times.push_back(s.measure([&] { s.view().showPart((i + 1) % parts); }, false));
    results[name + QLatin1Char(' ') + QLatin1String(operation)] = figuresOf(times);
}

// The floor's figures, from a run of this program in floor mode.
Results measureFloor(const QList<latencyfloor::View> &views)
{
    QStringList arguments{QStringLiteral("--floor")};
    for (const latencyfloor::View &v : views)
        arguments << v.name << v.path << QString::number(v.side) << QString::number(v.columns)
                  << QString::number(v.rows);
    QProcess floor;
    floor.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    floor.start(QCoreApplication::applicationFilePath(), arguments);
    if (!floor.waitForFinished(600000) || floor.exitCode() != 0)
        die(QStringLiteral("the floor's run failed"));
    Results results;
    for (const QByteArray &line : floor.readAllStandardOutput().split('\n')) {
        const QList<QByteArray> fields = line.split(' ');
        if (fields.size() == 4)
            results[QString::fromUtf8(fields[0] + ' ' + fields[1])] = {fields[2].toDouble(),
                                                                       fields[3].toDouble()};
    }
    return results;
}

int floorMain(const QStringList &arguments)
{
    QList<latencyfloor::View> views;
    for (qsizetype i = 0; i + 4 < arguments.size(); i += 5)
        views.append({arguments[i], arguments[i + 1], arguments[i + 2].toInt(),
                      arguments[i + 3].toInt(), arguments[i + 4].toInt()});
    return latencyfloor::run(views, Runs);
}

} // namespace

int main(int argc, char **argv)
{
    if (argc > 1 && qstrcmp(argv[1], "--floor") == 0) {
        QCoreApplication app(argc, argv);
        return floorMain(app.arguments().mid(2));
    }
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTemporaryDir work;
    const QString few = work.filePath(QStringLiteral("few.fodt"));
    const QString hundred = work.filePath(QStringLiteral("hundred.fodt"));
    const QString sheets = work.filePath(QStringLiteral("sheets.fods"));
    const QString slides = work.filePath(QStringLiteral("slides.fodp"));
    if (!latencydocuments::writeText(few, 3) || !latencydocuments::writeText(hundred, 100) ||
        !latencydocuments::writeSheets(sheets) || !latencydocuments::writeSlides(slides))
        die(QStringLiteral("cannot write the documents to %1").arg(work.path()));

    Results ours;
    QList<latencyfloor::View> views;
    // Documents named on the command line, or all of them.
    const QStringList only = app.arguments().mid(1);
    const auto measure = [&](const QString &name, const QString &path,
                             const std::function<void(Subject &)> &operations) {
        if (!only.isEmpty() && !only.contains(name))
            return;
        Subject subject(path);
        views.append(subject.floorView(name, path));
        operations(subject);
    };
    measure(QStringLiteral("few-pages"), few,
            [&](Subject &s) { measureText(s, QStringLiteral("few-pages"), ours, false); });
    measure(QStringLiteral("100-pages"), hundred,
            [&](Subject &s) { measureText(s, QStringLiteral("100-pages"), ours, true); });
    measure(QStringLiteral("workbook"), sheets,
            [&](Subject &s) { measureParts(s, QStringLiteral("workbook"), "next-sheet", ours); });
    measure(QStringLiteral("slides"), slides,
            [&](Subject &s) { measureParts(s, QStringLiteral("slides"), "next-slide", ours); });
    const Results floor = measureFloor(views);

    std::printf("Input to the last redrawn tile in view, median and worst of %d (ms); the floor is "
                "LibreOfficeKit in-process:\n",
                Runs);
    std::printf("  %-26s %8s %8s %8s %8s %7s  %s\n", "document operation", "ours", "worst", "floor",
                "worst", "ratio", "goal (3x floor + 16, <= 50)");
    for (auto it = ours.cbegin(); it != ours.cend(); ++it) {
        const Figures f = floor.value(it.key());
        const bool met = it->median <= 3 * f.median + 16 && it->median <= 50;
        std::printf("  %-26s %8.1f %8.1f %8.1f %8.1f %6.1fx  %s\n", qPrintable(it.key()),
                    it->median, it->worst, f.median, f.worst,
                    f.median > 0 ? it->median / f.median : 0.0, met ? "met" : "MISSED");
    }
    if (!ours.contains(QStringLiteral("100-pages format")) ||
        !ours.contains(QStringLiteral("few-pages format")))
        return 0;
    const auto firstPage = [&](const char *operation) {
        return ours.value(QStringLiteral("100-pages ") + QLatin1String(operation)).median /
               std::max(0.01,
                        ours.value(QStringLiteral("few-pages ") + QLatin1String(operation)).median);
    };
    std::printf("  100 pages against a few, first-page edits (goal <= 2x): format %.1fx, typing "
                "%.1fx, undo %.1fx\n",
                firstPage("format"), firstPage("typing"), firstPage("undo"));
    return 0;
}
