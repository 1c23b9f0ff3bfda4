#pragma once

#include "enginemessages.h"

#include <QByteArray>
#include <QList>
#include <QPoint>
#include <QRect>
#include <QSize>
#include <QString>

#include <functional>
#include <memory>

// What the engine needs of the office suite behind it. The engine program implements it with
// LibreOfficeKit; tests implement it with a fake. Numbers (document types, callback types,
// key and mouse actions) are LibreOfficeKit's own.
namespace enginecore {

// Receives a document's callbacks: LOK_CALLBACK_* type and payload. Called on any thread.
using CallbackSink = std::function<void(int type, const QByteArray &payload)>;

// Width and height in twips.
struct TwipSize
{
    qint64 width = 0;
    qint64 height = 0;
};

// One loaded document. Called on the engine's main thread only.
class DocumentBackend
{
public:
    virtual ~DocumentBackend() = default;

    // From now on the document's callbacks go to sink.
    virtual void listen(CallbackSink sink) = 0;
    virtual int documentType() = 0; // LOK_DOCTYPE_*
    virtual TwipSize documentSize() = 0;
    virtual int parts() = 0;
    virtual int part() = 0;
    virtual void setPart(int part) = 0;
    virtual QString partName(int part) = 0;
    // LibreOffice's JSON about a part ("visible" for a sheet).
    virtual QByteArray partInfo(int part) = 0;
    // Draws twips into buffer, pixels.width() x pixels.height() premultiplied BGRA pixels.
    virtual void paintTile(uchar *buffer, QSize pixels, QRect twips) = 0;
    // The same for part, which stays as it was: the current part does not change.
    virtual void paintPartTile(uchar *buffer, int part, QSize pixels, QRect twips) = 0;
    virtual void postKeyEvent(int type, int character, int keyCode) = 0;
    virtual void postMouseEvent(int type, QPoint twips, int count, int buttons, int modifiers) = 0;
    // arguments: LibreOffice's JSON, or empty. With notify, the result arrives as a
    // LOK_CALLBACK_UNO_COMMAND_RESULT callback.
    virtual void postUnoCommand(const QByteArray &command, const QByteArray &arguments,
                                bool notify) = 0;
    virtual QString textSelection(const QByteArray &mimeType) = 0;
    // format: an extension ("pdf"), or empty for the document's own. False when not written.
    virtual bool saveAs(const QString &path, const QByteArray &format,
                        const QByteArray &options) = 0;
    // LibreOffice's JSON for a command's values (".uno:Undo" lists the undo actions).
    virtual QByteArray commandValues(const QByteArray &command) = 0;
    // The document's own clipboard, which .uno:Copy, .uno:Cut and .uno:Paste use: its content
    // in each of mimeTypes (empty data where it has none), and new content (none empties it).
    virtual QList<engineprotocol::ClipboardItem> clipboard(const QList<QByteArray> &mimeTypes) = 0;
    virtual bool setClipboard(const QList<engineprotocol::ClipboardItem> &items) = 0;
    // An input method's text in the document's window; type is LOK_EXT_TEXTINPUT*.
    virtual void postTextInput(int type, const QString &text) = 0;
    // "x, y, w, h; ..." of a text document's pages.
    virtual QByteArray pageRectangles() = 0;
    // The name changes and comments made from now on are recorded under.
    virtual void setAuthor(const QString &name) = 0;
};

// The office suite: loads documents. Called on the engine's main thread only.
class OfficeBackend
{
public:
    virtual ~OfficeBackend() = default;

    // The loaded document, ready to draw; null when it does not load (lastError() says why,
    // when LibreOffice says).
    virtual std::unique_ptr<DocumentBackend> load(const QString &path) = 0;
    // LibreOffice's description of its last failure; empty when it gave none.
    virtual QString lastError() = 0;

    enum class LoadFailure {
        Unreadable,    // damaged, or anything LibreOffice does not say more about
        NeedsPassword, // encrypted: LibreOffice asked for a password
        UnknownFormat, // no filter of LibreOffice recognised the content
    };
    // Why the last load failed.
    virtual LoadFailure lastLoadFailure() { return LoadFailure::Unreadable; }
};

} // namespace enginecore
