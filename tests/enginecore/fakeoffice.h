#pragma once

#include "documentbackend.h"

#include <QByteArray>
#include <QList>
#include <QStringList>

#include <functional>
#include <memory>
#include <thread>

// A document that records what the engine asks of it. Commands posted for a result answer at
// once with success unless a handler answers them itself.
class FakeDocument : public enginecore::DocumentBackend
{
public:
    struct Part
    {
        QString name;
        bool visible = true;
    };
    // Runs when a command is posted; true when it answered (or chose not to answer).
    using CommandHandler = std::function<bool(FakeDocument &document, const QByteArray &command,
                                              const QByteArray &arguments)>;

    explicit FakeDocument(int type);
    ~FakeDocument() override;

    // A callback as LibreOffice would send it, on this thread or, later, on another one.
    void callBack(int type, const QByteArray &payload);
    void callBackFromAnotherThread(int type, const QByteArray &payload);
    void answer(const QByteArray &command, bool success = true);

    int type;
    enginecore::TwipSize size{12240, 15840};
    QList<Part> sheets{{QStringLiteral("Page")}};
    int current = 0;
    int undoSteps = 0;
    // What .uno:ViewRowColumnHeaders answers, whatever area is asked for.
    QByteArray rowColumnHeaders;
    // What saveAs writes; empty: it fails.
    QByteArray savedBytes = "saved";
    CommandHandler onCommand;
    // What the document's clipboard holds; a copy (answered by a handler) may fill it.
    QList<engineprotocol::ClipboardItem> clipboardItems;
    QByteArray pages = "284, 284, 11906, 16838; 284, 17406, 11906, 16838";
    QString author;
    // "key 0 65 512", "mouse 0 100,200", "uno .uno:Bold", "save /path pdf", "part 1",
    // "input 0 zhong", "clipboard 2", "values .uno:ViewRowColumnHeaders?…",
    // "part tile 2 0,0 12240x15840 of 140x79", …
    QStringList log;

    void listen(enginecore::CallbackSink sink) override { m_sink = std::move(sink); }
    int documentType() override { return type; }
    enginecore::TwipSize documentSize() override { return size; }
    int parts() override { return int(sheets.size()); }
    int part() override { return current; }
    void setPart(int part) override;
    QString partName(int part) override { return sheets.value(part).name; }
    QByteArray partInfo(int part) override;
    void paintTile(uchar *buffer, QSize pixels, QRect twips) override;
    void paintPartTile(uchar *buffer, int part, QSize pixels, QRect twips) override;
    void postKeyEvent(int type, int character, int keyCode) override;
    void postMouseEvent(int type, QPoint twips, int count, int buttons, int modifiers) override;
    void postUnoCommand(const QByteArray &command, const QByteArray &arguments,
                        bool notify) override;
    QString textSelection(const QByteArray &) override { return QStringLiteral("selected"); }
    bool saveAs(const QString &path, const QByteArray &format, const QByteArray &options) override;
    QByteArray commandValues(const QByteArray &command) override;
    QList<engineprotocol::ClipboardItem> clipboard(const QList<QByteArray> &mimeTypes) override;
    bool setClipboard(const QList<engineprotocol::ClipboardItem> &items) override;
    void postTextInput(int type, const QString &text) override;
    QByteArray pageRectangles() override { return pages; }
    void setAuthor(const QString &name) override { author = name; }

private:
    enginecore::CallbackSink m_sink;
    std::vector<std::thread> m_threads;
};

// Hands out the documents a test prepared, in order; fails loads when it has none.
class FakeOffice : public enginecore::OfficeBackend
{
public:
    std::unique_ptr<enginecore::DocumentBackend> load(const QString &path) override;
    QString lastError() override { return error; }

    // The next load gets this document; it stays reachable through the returned pointer
    // until the engine unloads it.
    FakeDocument *prepare(int type);

    QString error;
    QStringList loadedPaths;
    // Runs inside each load, as LibreOffice's threads keep running while it loads.
    std::function<void()> duringLoad;

private:
    std::vector<std::unique_ptr<FakeDocument>> m_prepared;
};
