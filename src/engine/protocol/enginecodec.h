#pragma once

#include "enginemessages.h"

#include <QByteArray>
#include <QDataStream>
#include <QString>

#include <optional>

class QIODevice;

// How messages travel: each frame is a QDataStream byte array (a big-endian u32 length, then
// the bytes) holding one CBOR item. Structures are CBOR arrays of their fields in order,
// a variant is [index, value], an absent optional is null, pixels are a byte string.
namespace engineprotocol {

// A frame beyond this means a corrupt stream, not a big document (a 4096 x 4096 tile is 64 MiB).
constexpr quint32 MaxFrameBytes = 80u * 1024 * 1024;

// The frame as it goes on the wire, length included.
QByteArray encode(const Frame &frame);

// The frame in body (the bytes after the length); nothing, with the reason in error, when
// they are not a well-formed frame.
std::optional<Frame> decode(const QByteArray &body, QString *error);

// Takes whole frames from a device as they arrive; a partial frame waits in the device.
class FrameReader
{
public:
    explicit FrameReader(QIODevice *device);

    // The next whole frame, or nothing while none has arrived or after an error.
    std::optional<Frame> next();

    bool hasError() const { return !m_error.isEmpty(); }
    QString errorString() const { return m_error; }

private:
    QDataStream m_stream;
    QString m_error;
};

} // namespace engineprotocol
