#include "protocol/protocol.h"

#include <QtEndian>

#include <gtest/gtest.h>

using namespace engineprotocol;

namespace {

QByteArray prefix(quint32 header, quint32 payload)
{
    QByteArray bytes(8, '\0');
    qToBigEndian<quint32>(header, bytes.data());
    qToBigEndian<quint32>(payload, bytes.data() + 4);
    return bytes;
}

} // namespace

TEST(Protocol, frames_arrivingByteByByte_comeOutWholeAndInOrder)
{
    const Message first{{{"type", "tile"}, {"id", 1}}, QByteArray(1000, '\x7f')};
    const Message second{{{"event", "invalidate"}, {"all", true}}, {}};
    const QByteArray stream = encode(first) + encode(second);

    FrameReader reader;
    std::vector<Message> received;
    for (char c : stream) {
        reader.append(QByteArray(1, c));
        while (auto message = reader.next())
            received.push_back(*message);
    }
    ASSERT_EQ(received.size(), 2u);
    EXPECT_EQ(received[0].header, first.header);
    EXPECT_EQ(received[0].payload, first.payload);
    EXPECT_EQ(received[1].header, second.header);
    EXPECT_TRUE(received[1].payload.isEmpty());
    EXPECT_FALSE(reader.hasError());
}

TEST(Protocol, corruptFrames_areRefusedWithAnError)
{
    const struct
    {
        const char *name;
        QByteArray bytes;
    } cases[] = {
        {"empty header", prefix(0, 0)},
        {"header beyond bounds", prefix(MaxHeaderBytes + 1, 0)},
        {"payload beyond bounds", prefix(2, MaxPayloadBytes + 1) + "{}"},
        {"header not JSON", prefix(5, 0) + "hello"},
        {"header a JSON array", prefix(2, 0) + "[]"},
    };
    for (const auto &c : cases) {
        FrameReader reader;
        reader.append(c.bytes);
        EXPECT_FALSE(reader.next().has_value()) << c.name;
        EXPECT_TRUE(reader.hasError()) << c.name;
        // Later good frames cannot resynchronise a corrupt stream.
        reader.append(encode({{{"id", 1}}, {}}));
        EXPECT_FALSE(reader.next().has_value()) << c.name;
    }
}

TEST(Protocol, documentKindNames_roundTrip)
{
    for (auto kind : {DocumentKind::Text, DocumentKind::Spreadsheet, DocumentKind::Presentation,
                      DocumentKind::Drawing, DocumentKind::Other})
        EXPECT_EQ(documentKindFromName(documentKindName(kind)), kind);
    EXPECT_EQ(documentKindFromName(QStringLiteral("nonsense")), DocumentKind::Other);
}
