#include "protocol/protocol.h"

#include <QJsonDocument>
#include <QtEndian>

namespace engineprotocol {

namespace {
constexpr qsizetype PrefixBytes = 8;
}

QString documentKindName(DocumentKind kind)
{
    switch (kind) {
    case DocumentKind::Text:
        return QStringLiteral("text");
    case DocumentKind::Spreadsheet:
        return QStringLiteral("spreadsheet");
    case DocumentKind::Presentation:
        return QStringLiteral("presentation");
    case DocumentKind::Drawing:
        return QStringLiteral("drawing");
    case DocumentKind::Other:
        break;
    }
    return QStringLiteral("other");
}

DocumentKind documentKindFromName(const QString &name)
{
    for (auto kind : {DocumentKind::Text, DocumentKind::Spreadsheet, DocumentKind::Presentation,
                      DocumentKind::Drawing}) {
        if (documentKindName(kind) == name)
            return kind;
    }
    return DocumentKind::Other;
}

QByteArray encode(const Message &message)
{
    const QByteArray header = QJsonDocument(message.header).toJson(QJsonDocument::Compact);
    QByteArray frame;
    frame.reserve(PrefixBytes + header.size() + message.payload.size());
    char prefix[PrefixBytes];
    qToBigEndian<quint32>(static_cast<quint32>(header.size()), prefix);
    qToBigEndian<quint32>(static_cast<quint32>(message.payload.size()), prefix + 4);
    frame.append(prefix, PrefixBytes);
    frame.append(header);
    frame.append(message.payload);
    return frame;
}

void FrameReader::append(const QByteArray &bytes)
{
    if (hasError())
        return;
    // Drop consumed bytes now and then rather than on every message.
    if (m_offset > 0 && m_offset >= m_buffer.size() / 2) {
        m_buffer.remove(0, m_offset);
        m_offset = 0;
    }
    m_buffer.append(bytes);
}

std::optional<Message> FrameReader::next()
{
    if (hasError() || m_buffer.size() - m_offset < PrefixBytes)
        return std::nullopt;
    const char *start = m_buffer.constData() + m_offset;
    const quint32 headerBytes = qFromBigEndian<quint32>(start);
    const quint32 payloadBytes = qFromBigEndian<quint32>(start + 4);
    if (headerBytes == 0 || headerBytes > MaxHeaderBytes || payloadBytes > MaxPayloadBytes) {
        m_error = QStringLiteral("frame of %1 + %2 bytes is out of bounds")
                      .arg(headerBytes)
                      .arg(payloadBytes);
        return std::nullopt;
    }
    const qsizetype total = PrefixBytes + qsizetype(headerBytes) + qsizetype(payloadBytes);
    if (m_buffer.size() - m_offset < total)
        return std::nullopt;

    QJsonParseError parseError;
    const QJsonDocument doc = QJsonDocument::fromJson(
        QByteArray::fromRawData(start + PrefixBytes, headerBytes), &parseError);
    if (parseError.error != QJsonParseError::NoError || !doc.isObject()) {
        m_error =
            QStringLiteral("frame header is not a JSON object: %1").arg(parseError.errorString());
        return std::nullopt;
    }
    Message message;
    message.header = doc.object();
    message.payload = QByteArray(start + PrefixBytes + headerBytes, payloadBytes);
    m_offset += total;
    if (m_offset == m_buffer.size()) {
        m_buffer.clear();
        m_offset = 0;
    }
    return message;
}

} // namespace engineprotocol
