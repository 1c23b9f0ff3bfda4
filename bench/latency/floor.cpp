#include "floor.h"

#include <LibreOfficeKit/LibreOfficeKit.hxx>
#include <LibreOfficeKit/LibreOfficeKitEnums.h>

#include <QDir>
#include <QElapsedTimer>
#include <QRect>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>
#include <QUrl>

#include <algorithm>
#include <condition_variable>
#include <cstdio>
#include <functional>
#include <memory>
#include <mutex>
#include <vector>

namespace latencyfloor {

namespace {

constexpr int Tile = 256;
// LibreOffice's key codes and modifiers.
constexpr int KeyDown = 1024, KeyDelete = 1286, KeyHome = 1028, Shift = 0x1000, Ctrl = 0x2000;

// The invalidations LibreOffice reports, as they come on its own thread.
struct Invalidations
{
    std::mutex mutex;
    std::condition_variable arrived;
    std::vector<QRect> rects; // a null rect: everything
    static void callback(int type, const char *payload, void *data)
    {
        if (type != LOK_CALLBACK_INVALIDATE_TILES)
            return;
        auto *self = static_cast<Invalidations *>(data);
        const QByteArray text(payload ? payload : "");
        QRect rect;
        const QList<QByteArray> fields = text.split(',');
        if (!text.startsWith("EMPTY") && fields.size() >= 4)
            rect = QRect(fields[0].trimmed().toInt(), fields[1].trimmed().toInt(),
                         fields[2].trimmed().toInt(), fields[3].trimmed().toInt());
        {
            std::lock_guard lock(self->mutex);
            self->rects.push_back(rect);
        }
        self->arrived.notify_all();
    }
    void clear()
    {
        std::lock_guard lock(mutex);
        rects.clear();
    }
    // The rects invalidated since clear(), once the first has come (none after timeoutMs).
    std::vector<QRect> await(int timeoutMs)
    {
        std::unique_lock lock(mutex);
        arrived.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                         [&] { return !rects.empty(); });
        return rects;
    }
};

struct Floor
{
    lok::Document *document;
    Invalidations *invalidations;
    View view;
    std::vector<uchar> buffer = std::vector<uchar>(Tile * Tile * 4);

    QRect tileTwips(int column, int row, int side) const
    {
        return QRect(column * side, row * side, side, side);
    }
    // Paints the view's tiles from firstRow at side twips a tile; with changed given, only
    // those that show any of it.
    void paint(int firstRow, int side, const std::vector<QRect> *changed = nullptr)
    {
        for (int row = firstRow; row < firstRow + view.rows; ++row)
            for (int column = 0; column < view.columns; ++column) {
                const QRect twips = tileTwips(column, row, side);
                if (changed && std::none_of(changed->begin(), changed->end(), [&](const QRect &r) {
                        return r.isNull() || r.intersects(twips);
                    }))
                    continue;
                document->paintTile(buffer.data(), Tile, Tile, twips.x(), twips.y(), side, side);
            }
    }
    // Waits until LibreOffice has been quiet for a moment, then forgets what it reported.
    void settle()
    {
        QThread::msleep(60);
        invalidations->clear();
    }
    // From the input to the last changed tile of the view painted.
    double edit(const std::function<void()> &input)
    {
        settle();
        QElapsedTimer timer;
        timer.start();
        input();
        const std::vector<QRect> changed = invalidations->await(2000);
        paint(0, view.side, &changed);
        return timer.nsecsElapsed() / 1e6;
    }
    void uno(const char *command, const char *arguments = nullptr)
    {
        document->postUnoCommand(command, arguments, false);
    }
    void key(int character, int code)
    {
        document->postKeyEvent(LOK_KEYEVENT_KEYINPUT, character, code);
        document->postKeyEvent(LOK_KEYEVENT_KEYUP, character, code);
    }
};

void print(const QString &document, const char *operation, std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    std::printf("%s %s %.2f %.2f\n", qPrintable(document), operation, values[values.size() / 2],
                values.back());
    std::fflush(stdout);
}

void measureText(Floor &f, int runs, bool scrolls)
{
    std::vector<double> bold, undo, redo, paste, erase, table, typing, zoom, scroll;
    // The first page's paragraphs.
    f.key(0, KeyHome | Ctrl);
    for (int line = 0; line < 12; ++line)
        f.key(0, KeyDown | Shift);
    f.settle();
    for (int i = 0; i < runs; ++i)
        bold.push_back(f.edit([&] { f.uno(".uno:Bold"); }));
    for (int i = 0; i < runs; ++i) {
        undo.push_back(f.edit([&] { f.uno(".uno:Undo"); }));
        redo.push_back(f.edit([&] { f.uno(".uno:Redo"); }));
    }
    f.key(0, KeyHome | Ctrl);
    const char *text = "pasted words ";
    const char *types[] = {"text/plain;charset=utf-8"};
    const size_t sizes[] = {strlen(text)};
    f.document->setClipboard(1, types, sizes, &text);
    for (int i = 0; i < runs; ++i) {
        paste.push_back(f.edit([&] { f.uno(".uno:Paste"); }));
        f.uno(".uno:Undo");
    }
    for (int i = 0; i < runs; ++i) {
        f.key(0, KeyHome | Ctrl);
        f.key(0, KeyDown | Shift);
        f.key(0, KeyDown | Shift);
        erase.push_back(f.edit([&] { f.key(0, KeyDelete); }));
        f.uno(".uno:Undo");
    }
    f.key(0, KeyHome | Ctrl);
    for (int i = 0; i < runs; ++i) {
        table.push_back(f.edit([&] {
            f.uno(".uno:InsertTable", R"({"Rows":{"type":"long","value":2},)"
                                      R"("Columns":{"type":"long","value":2}})");
        }));
        f.uno(".uno:Undo");
    }
    for (int i = 0; i < runs; ++i)
        typing.push_back(f.edit([&] { f.key('x', 0); }));
    for (int i = 0; i < runs; ++i) {
        // A zoom step in or out: the view's tiles at another scale.
        const int side = i % 2 == 0 ? f.view.side * 10 / 11 : f.view.side;
        QElapsedTimer timer;
        timer.start();
        f.paint(0, side);
        zoom.push_back(timer.nsecsElapsed() / 1e6);
    }
    print(f.view.name, "format", bold);
    print(f.view.name, "undo", undo);
    print(f.view.name, "redo", redo);
    print(f.view.name, "paste", paste);
    print(f.view.name, "delete", erase);
    print(f.view.name, "insert-table", table);
    print(f.view.name, "typing", typing);
    print(f.view.name, "zoom", zoom);
    if (!scrolls)
        return;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer timer;
        timer.start();
        f.paint((i + 1) * f.view.rows, f.view.side);
        scroll.push_back(timer.nsecsElapsed() / 1e6);
    }
    print(f.view.name, "scroll-page", scroll);
}

void measureParts(Floor &f, int runs, const char *operation)
{
    std::vector<double> times;
    for (int i = 0; i < runs; ++i) {
        f.settle();
        QElapsedTimer timer;
        timer.start();
        f.document->setPart((i + 1) % f.document->getParts());
        f.paint(0, f.view.side);
        times.push_back(timer.nsecsElapsed() / 1e6);
    }
    print(f.view.name, operation, times);
}

} // namespace

int run(const QList<View> &views, int runs)
{
    QTemporaryDir profile;
    lok::Office *office =
        lok::lok_cpp_init(QUILLARY_LIBREOFFICE_PROGRAM_DIR,
                          QUrl::fromLocalFile(profile.path()).toEncoded().constData());
    if (!office) {
        std::fprintf(stderr, "bench-latency: LibreOfficeKit did not start\n");
        return 1;
    }
    for (const View &view : views) {
        lok::Document *document =
            office->documentLoad(QUrl::fromLocalFile(view.path).toEncoded().constData());
        if (!document) {
            std::fprintf(stderr, "bench-latency: cannot load %s\n", qPrintable(view.path));
            return 1;
        }
        document->initializeForRendering("{}");
        Invalidations invalidations;
        document->registerCallback(&Invalidations::callback, &invalidations);
        Floor floor{document, &invalidations, view};
        floor.paint(0, view.side); // warm, as the control's view is
        switch (document->getDocumentType()) {
        case LOK_DOCTYPE_TEXT:
            measureText(floor, runs, view.name.startsWith(QLatin1String("100")));
            break;
        case LOK_DOCTYPE_SPREADSHEET:
            measureParts(floor, runs, "next-sheet");
            break;
        default:
            measureParts(floor, runs, "next-slide");
        }
        delete document;
    }
    delete office;
    return 0;
}

} // namespace latencyfloor
