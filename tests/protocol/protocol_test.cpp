#include "enginecodec.h"

#include <QCborStreamWriter>
#include <QIODevice>
#include <QtEndian>

#include <gtest/gtest.h>

#include <set>

using namespace engineprotocol;

namespace {

struct MessageCase
{
    const char *name;
    Frame frame;
};

void PrintTo(const MessageCase &c, std::ostream *out)
{
    *out << c.name;
}

// Every request, reply and event once, with values unlike the defaults.
std::vector<MessageCase> everyMessage()
{
    reply::DocumentInfo info{
        DocumentKind::Spreadsheet, 3, 1, {"一", "Two", ""}, 12240, 1 << 30, true};
    const QByteArray pixels = QByteArray(4 * 256 * 256, '\x7f') + QByteArray("\0\xff", 2);
    return {
        {"load", RequestFrame{1, request::Load{"/tmp/报告.docx", {"审阅人甲", true}}}},
        {"applySettings", RequestFrame{37, request::ApplySettings{{"Li Si", false}}}},
        {"trackedChanges", RequestFrame{38, request::TrackedChanges{}}},
        {"review", RequestFrame{39, request::Review{request::ReviewAction::Reject, 12, false}}},
        {"changeList", ReplyFrame{40, reply::ChangeList{{{3, ChangeKind::Deletion, "甲",
                                                          "2026-12-09T11:58:00", "旧词"}}}}},
        {"trackedChangesChanged", EventFrame{event::TrackedChangesChanged{}}},
        {"comments", RequestFrame{41, request::Comments{}}},
        {"commentAction",
         RequestFrame{42, request::CommentAction{request::CommentOperation::Reply, 7, "已核对"}}},
        {"commentList", ReplyFrame{43, reply::CommentList{{{7, 3, "乙", "2026-12-09T10:00:00",
                                                            "已核对", QRect(1, 2, 3, 4)}}}}},
        {"commentsChanged", EventFrame{event::CommentsChanged{}}},
        {"compare", RequestFrame{44, request::Compare{"/tmp/旧版.docx"}}},
        {"close", RequestFrame{2, request::Close{}}},
        {"info", RequestFrame{3, request::Info{}}},
        {"setPart", RequestFrame{4, request::SetPart{2}}},
        {"tileRequest", RequestFrame{5, request::Tile{-1, {-5, 3840, 3840, 3841}, {256, 512}}}},
        {"key", RequestFrame{6, request::Key{KeyAction::Release, 0x4e2d, 0x2000 | 512}}},
        {"mouse", RequestFrame{7, request::Mouse{MouseAction::Move, {100, -2}, 2, 4, 0x1000}}},
        {"uno", RequestFrame{8, request::Uno{".uno:Bold", R"({"x":1})", false, 15}}},
        {"save", RequestFrame{9, request::Save{"/a.pdf", "pdf", "SkipImages"}}},
        {"textSelection", RequestFrame{10, request::TextSelection{}}},
        {"replace", RequestFrame{11, request::Replace{"c", "k", false}}},
        {"addBookmark", RequestFrame{12, request::AddBookmark{"mark_1"}}},
        {"insertPicture", RequestFrame{13, request::InsertPicture{"mark_1", "/s.bmp", true}}},
        {"insertFile", RequestFrame{14, request::InsertFile{"/t.doc", "HTML (StarWriter)"}}},
        {"protect", RequestFrame{15, request::Protect{false}}},
        {"exportSheet", RequestFrame{16, request::ExportSheet{"/e.pdf"}}},
        {"sheets", RequestFrame{17, request::Sheets{}}},
        {"keepRecovery", RequestFrame{17, request::KeepRecovery{"/tmp/恢复/copy.docx", "docx"}}},
        {"markSaved", RequestFrame{17, request::MarkSaved{}}},
        {"find", RequestFrame{29, request::Find{"第二 Page", true, true}}},
        {"copy", RequestFrame{30, request::Copy{true}}},
        {"paste", RequestFrame{31, request::Paste{{{"text/html", "<b>粗</b>"},
                                                   {"image/png", QByteArray("\x89PNG\0", 5)}}}}},
        {"composition", RequestFrame{32, request::Composition{"zhong", true}}},
        {"pageRectangles", RequestFrame{33, request::PageRectangles{}}},
        {"done", ReplyFrame{18, reply::Done{}}},
        {"documentInfo", ReplyFrame{19, info}},
        {"tileReply", ReplyFrame{20, reply::Tile{2, {256, 256}, pixels}}},
        {"saved", ReplyFrame{21, reply::Saved{qint64(5) << 32}}},
        {"text", ReplyFrame{22, reply::Text{"选中的文字\n"}}},
        {"commandResult", ReplyFrame{23, reply::CommandResult{".uno:Bold", true, "{}"}}},
        {"replaced", ReplyFrame{24, reply::Replaced{-1}}},
        {"editOutcome", ReplyFrame{25, reply::EditOutcome{false, "书签“m”不存在"}}},
        {"protection", ReplyFrame{26, reply::Protection{true}}},
        {"sheetList", ReplyFrame{27, reply::SheetList{{{"A", false}, {"B", true}}, 1, 3}}},
        {"error", ReplyFrame{28, reply::Error{ErrorCode::Protected, "文档处于保护状态"}}},
        {"found", ReplyFrame{34, reply::Found{true, 2, {{2580, 18540, 956, 281}, {0, 0, 1, 1}}}}},
        {"clipboard", ReplyFrame{35, reply::Clipboard{{{"text/plain;charset=utf-8", "文字"}}}}},
        {"rectangles", ReplyFrame{36, reply::Rectangles{{{284, 284, 11906, 16838}}}}},
        {"ready", EventFrame{event::Ready{Version, R"({"ProductName":"LibreOffice"})"}}},
        {"invalidateRect", EventFrame{event::Invalidate{QRect(1, 2, 3, 4), 0}}},
        {"invalidateAll", EventFrame{event::Invalidate{}}},
        {"cursorMoved", EventFrame{event::CursorMoved{{1418, 1701, 0, 276}}}},
        {"cursorVisible", EventFrame{event::CursorVisible{false}}},
        {"selection", EventFrame{event::Selection{{{1, 1, 2, 2}, {3, 3, 4, 4}}}}},
        {"documentSize", EventFrame{event::DocumentSize{11906, 168380}}},
        {"partChanged", EventFrame{event::PartChanged{2}}},
        {"stateChanged", EventFrame{event::StateChanged{".uno:Bold", "true"}}},
        {"rowColumnHeadersRequest",
         RequestFrame{29, request::RowColumnHeaders{{-1275, 254, 3840, 1 << 24}}}},
        {"enterCellText", RequestFrame{30, request::EnterCellText{"=SUM(B2:B3)&\"合计\""}}},
        {"goToCell", RequestFrame{31, request::GoToCell{"$A$1:XFD1048576"}}},
        {"partThumbnail", RequestFrame{32, request::PartThumbnail{7, {140, 79}}}},
        {"rowColumnHeadersReply",
         ReplyFrame{33, reply::RowColumnHeaders{{{"1", 0, 255}, {"1048576", qint64(1) << 33, -1}},
                                                {{"XFD", 20888325, 20889600}, {"", 5, 5}}}}},
        {"cellAddress", EventFrame{event::CellAddress{"A1:C5"}}},
        {"cellFormula", EventFrame{event::CellFormula{"'42\n第二行"}}},
        {"headersChanged", EventFrame{event::HeadersChanged{}}},
    };
}

QByteArray bodyOf(const QByteArray &frame)
{
    return frame.mid(4);
}

// A device that hands out what a test feeds it, like a socket.
class FeedDevice : public QIODevice
{
public:
    FeedDevice() { open(QIODevice::ReadOnly); }
    bool isSequential() const override { return true; }
    qint64 bytesAvailable() const override { return m_bytes.size() + QIODevice::bytesAvailable(); }
    void feed(const QByteArray &bytes) { m_bytes += bytes; }

protected:
    qint64 readData(char *data, qint64 size) override
    {
        const qint64 count = std::min<qint64>(size, m_bytes.size());
        std::copy_n(m_bytes.constData(), count, data);
        m_bytes.remove(0, count);
        return count;
    }
    qint64 writeData(const char *, qint64) override { return -1; }

private:
    QByteArray m_bytes;
};

class MessageTest : public ::testing::TestWithParam<MessageCase>
{
};

TEST_P(MessageTest, encodedThenDecoded_isTheSameMessage)
{
    const QByteArray frame = encode(GetParam().frame);
    EXPECT_EQ(qFromBigEndian<quint32>(frame.constData()), quint32(frame.size() - 4));
    QString error;
    const auto decoded = decode(bodyOf(frame), &error);
    ASSERT_TRUE(decoded.has_value()) << error.toStdString();
    EXPECT_TRUE(*decoded == GetParam().frame);
}

INSTANTIATE_TEST_SUITE_P(Messages, MessageTest, ::testing::ValuesIn(everyMessage()),
                         [](const auto &info) { return std::string(info.param.name); });

TEST(Messages, everyTypeHasARoundTripCase)
{
    std::set<std::size_t> requests, replies, events;
    for (const MessageCase &c : everyMessage()) {
        if (const auto *request = std::get_if<RequestFrame>(&c.frame))
            requests.insert(request->request.index());
        else if (const auto *reply = std::get_if<ReplyFrame>(&c.frame))
            replies.insert(reply->reply.index());
        else
            events.insert(std::get<EventFrame>(c.frame).event.index());
    }
    EXPECT_EQ(requests.size(), std::variant_size_v<Request>);
    EXPECT_EQ(replies.size(), std::variant_size_v<Reply>);
    EXPECT_EQ(events.size(), std::variant_size_v<Event>);
}

TEST(Framing, framesArrivingByteByByte_comeOutWholeAndInOrder)
{
    const Frame first = ReplyFrame{7, reply::Tile{0, {16, 16}, QByteArray(1024, '\x11')}};
    const Frame second = EventFrame{event::Invalidate{}};
    const QByteArray stream = encode(first) + encode(second);

    FeedDevice device;
    FrameReader reader(&device);
    std::vector<Frame> received;
    for (char c : stream) {
        device.feed(QByteArray(1, c));
        while (auto frame = reader.next())
            received.push_back(*frame);
    }
    ASSERT_EQ(received.size(), 2u);
    EXPECT_TRUE(received[0] == first);
    EXPECT_TRUE(received[1] == second);
    EXPECT_FALSE(reader.hasError());
}

QByteArray framed(const QByteArray &body)
{
    QByteArray length(4, '\0');
    qToBigEndian<quint32>(quint32(body.size()), length.data());
    return length + body;
}

QByteArray cbor(const std::function<void(QCborStreamWriter &)> &write)
{
    QByteArray bytes;
    QCborStreamWriter writer(&bytes);
    write(writer);
    return bytes;
}

TEST(Framing, corruptFrames_stopTheStreamWithAnError)
{
    const QByteArray load = bodyOf(encode(RequestFrame{1, request::Load{"/a.doc"}}));
    QByteArray beyond(4, '\0');
    qToBigEndian<quint32>(MaxFrameBytes + 1, beyond.data());
    const struct
    {
        const char *name;
        QByteArray bytes;
    } cases[] = {
        {"length beyond bounds", beyond},
        {"not CBOR", framed("\xff\xff\xff")},
        {"empty body", framed({})},
        {"unknown frame kind", framed(cbor([](QCborStreamWriter &w) {
             w.startArray(2);
             w.append(9);
             w.startArray(0);
             w.endArray();
             w.endArray();
         }))},
        {"text where a number belongs", framed(cbor([](QCborStreamWriter &w) {
             w.startArray(2);
             w.append(0);
             w.startArray(2);
             w.append(QStringLiteral("one"));
             w.startArray(0);
             w.endArray();
             w.endArray();
             w.endArray();
         }))},
        {"load without its path", framed(cbor([](QCborStreamWriter &w) {
             w.startArray(2); // a request frame
             w.append(0);
             w.startArray(2); // id, request
             w.append(1);
             w.startArray(2); // a load
             w.append(0);
             w.startArray(0);
             w.endArray();
             w.endArray();
             w.endArray();
             w.endArray();
         }))},
        {"trailing bytes", framed(load + '\x01')},
    };
    for (const auto &c : cases) {
        FeedDevice device;
        FrameReader reader(&device);
        device.feed(c.bytes);
        EXPECT_FALSE(reader.next().has_value()) << c.name;
        EXPECT_TRUE(reader.hasError()) << c.name;
        // A corrupt stream cannot be resynchronised: later good frames are not taken.
        device.feed(encode(EventFrame{event::Invalidate{}}));
        EXPECT_FALSE(reader.next().has_value()) << c.name;
    }
}

} // namespace
