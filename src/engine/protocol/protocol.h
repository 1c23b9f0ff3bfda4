#pragma once

#include <QByteArray>
#include <QJsonObject>
#include <QString>

#include <optional>

// The messages the document control and the office engine exchange over a local socket.
//
// A frame is: u32 header length, u32 payload length (both big-endian), a compact JSON object,
// then the payload bytes (a rendered tile, for instance). Requests carry "type" and "id";
// replies carry the request's "id" and "ok" (with "error" when false); events carry "event".
namespace engineprotocol {

constexpr int Version = 1;

// Generous bounds: a frame beyond them means a corrupt stream, not a big document.
constexpr quint32 MaxHeaderBytes = 16u * 1024 * 1024;
constexpr quint32 MaxPayloadBytes = 256u * 1024 * 1024;

namespace request {
inline constexpr char Hello[] = "hello";
inline constexpr char Load[] = "load";
inline constexpr char Close[] = "close";
inline constexpr char Info[] = "info";
inline constexpr char SetPart[] = "setPart";
inline constexpr char Tile[] = "tile";
inline constexpr char Key[] = "key";
inline constexpr char Mouse[] = "mouse";
inline constexpr char Uno[] = "uno";
inline constexpr char Save[] = "save";
inline constexpr char TextSelection[] = "textSelection";
inline constexpr char Quit[] = "quit";
// Editing requests, answered by the engine's DocumentEditing.
inline constexpr char Replace[] = "replace";
inline constexpr char AddBookmark[] = "addBookmark";
inline constexpr char InsertPicture[] = "insertPicture";
inline constexpr char InsertFile[] = "insertFile";
inline constexpr char Protect[] = "protect";
inline constexpr char ExportSheet[] = "exportSheet";
inline constexpr char Sheets[] = "sheets";
} // namespace request

namespace event {
inline constexpr char Ready[] = "ready";
inline constexpr char Invalidate[] = "invalidate";
inline constexpr char Cursor[] = "cursor";
inline constexpr char Selection[] = "selection";
inline constexpr char DocumentSize[] = "documentSize";
inline constexpr char Part[] = "part";
inline constexpr char State[] = "state";
} // namespace event

// Document kinds as the engine reports them.
enum class DocumentKind { Text, Spreadsheet, Presentation, Drawing, Other };

QString documentKindName(DocumentKind kind);
DocumentKind documentKindFromName(const QString &name);

struct Message
{
    QJsonObject header;
    QByteArray payload;
};

QByteArray encode(const Message &message);

// Collects bytes as they arrive and hands out whole messages.
class FrameReader
{
public:
    void append(const QByteArray &bytes);

    // The next complete message, or nothing while a frame is incomplete or after an error.
    std::optional<Message> next();

    bool hasError() const { return !m_error.isEmpty(); }
    QString errorString() const { return m_error; }

private:
    QByteArray m_buffer;
    qsizetype m_offset = 0;
    QString m_error;
};

} // namespace engineprotocol
