#include "core/controlfailure.h"
#include "showncontrol.h"

#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QFile>
#include <QFileInfo>
#include <QInputDialog>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>

using quillary::ControlError;
using quillary::TrackedChange;

namespace {

const QString Reviewer = QStringLiteral("审阅人甲");
const QString Original = QStringLiteral("Quillary sample page one with some words to draw.");

QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QByteArray packagePart(const QString &file, const QString &part)
{
    QProcess unzip;
    unzip.start(QStringLiteral("unzip"), {QStringLiteral("-p"), file, part});
    unzip.waitForFinished(30000);
    return unzip.readAllStandardOutput();
}

// One control, and so one engine, for the suite; each test opens a fresh document.
class ReviewTest : public ::testing::Test
{
protected:
    static void SetUpTestSuite() { s_shown = new ShownControl; }
    static void TearDownTestSuite() { delete s_shown; }
    void SetUp() override
    {
        control().setReadOnly(false);
        control().closeDocument();
        control().setUserName(Reviewer);
    }

    static ShownControl &shown() { return *s_shown; }
    static quillary::DocumentControl &control() { return s_shown->control; }
    QString saved(const QString &name)
    {
        const QString path = m_dir.filePath(name);
        EXPECT_TRUE(control().save(path)) << control().lastError().message.toStdString();
        return path;
    }
    // In the first paragraph: "Reviewed " typed before it, its second word deleted.
    void reviewFirstParagraph()
    {
        ASSERT_TRUE(shown().open(QStringLiteral("sample.docx")));
        ASSERT_TRUE(control().setRecordingChanges(true));
        // LibreOffice's report turns the tool on.
        ASSERT_TRUE(eventually([&] { return control().isRecordingChanges(); }));
        EXPECT_TRUE(shown().toolBar().action(framer::Tool::TrackChanges)->isChecked());
        shown().keys(Qt::Key_Home, Qt::ControlModifier);
        QTest::keyClicks(&shown().view(), QStringLiteral("Reviewed "));
        shown().keys(Qt::Key_Right, Qt::ControlModifier);
        shown().keys(Qt::Key_Right, Qt::ControlModifier | Qt::ShiftModifier);
        shown().keys(Qt::Key_Delete);
        shown().settle();
    }

    static ShownControl *s_shown;
    QTemporaryDir m_dir;
};

ShownControl *ReviewTest::s_shown = nullptr;

// Right-clicks row of the review panel and chooses what from the menu that opens.
void chooseFromPanel(QListWidget *panel, int row, const QString &what)
{
    QTimer::singleShot(0, [what] {
        auto *menu = qobject_cast<QMenu *>(QApplication::activePopupWidget());
        if (!menu)
            return;
        for (QAction *action : menu->actions())
            if (action->text() == what)
                action->trigger();
        menu->close();
    });
    const QPoint at = panel->visualItemRect(panel->item(row)).center();
    QContextMenuEvent click(QContextMenuEvent::Mouse, at, panel->viewport()->mapToGlobal(at));
    QApplication::sendEvent(panel->viewport(), &click);
}

// Answers the next text dialog, once it is up, with text.
void answerNextDialog(const QString &text)
{
    auto *poll = new QTimer;
    poll->setInterval(10);
    QObject::connect(poll, &QTimer::timeout, [poll, text] {
        if (auto *dialog = qobject_cast<QInputDialog *>(QApplication::activeModalWidget())) {
            poll->stop();
            poll->deleteLater();
            dialog->setTextValue(text);
            dialog->accept();
        }
    });
    poll->start();
}

// How a format keeps a recorded change: the part that holds the text, the author as written
// there, and the marks of an insertion and a deletion, each with one author and one time.
struct FormatCase
{
    const char *name;
    const char *part;
    const char *authorPattern;
    QByteArray insertion;
    QByteArray deletion;
    QByteArray date;
};

class RecordedFormatTest : public ReviewTest, public ::testing::WithParamInterface<FormatCase>
{
};

TEST_P(RecordedFormatTest, changesRecordedUnderAName_areInTheSavedFile_andListedAfterReopening)
{
    reviewFirstParagraph();
    const FormatCase &format = GetParam();
    const QString path = saved(QStringLiteral("reviewed.") + QLatin1String(format.name));
    if (format.part) { // the Word binary is read back only
        const QByteArray xml = packagePart(path, QLatin1String(format.part));
        const QByteArray author = QString::fromLatin1(format.authorPattern).arg(Reviewer).toUtf8();
        const qsizetype marks = xml.count(format.insertion) + xml.count(format.deletion);
        EXPECT_TRUE(xml.contains(format.insertion) && xml.contains(format.deletion))
            << xml.left(3000).data();
        EXPECT_EQ(xml.count(author), marks);
        EXPECT_EQ(xml.count(format.date), marks);
    }

    control().setUserName(QStringLiteral("someone else"));
    ASSERT_TRUE(control().open(path));
    const QList<TrackedChange> changes = control().trackedChanges();
    ASSERT_EQ(changes.size(), 2) << control().lastError().message.toStdString();
    EXPECT_EQ(changes[0].kind, TrackedChange::Kind::Insertion);
    EXPECT_EQ(changes[0].excerpt, QStringLiteral("Reviewed"));
    EXPECT_EQ(changes[1].kind, TrackedChange::Kind::Deletion);
    EXPECT_EQ(changes[1].excerpt, QStringLiteral("sample"));
    for (const TrackedChange &change : changes) {
        EXPECT_EQ(change.author, Reviewer);
        EXPECT_TRUE(change.time.isValid());
    }
    // The panel beside the document lists them too.
    QListWidget *panel = nullptr;
    ASSERT_TRUE(eventually([&] {
        panel = qobject_cast<QListWidget *>(shown().named(QStringLiteral("修订列表")));
        return panel && panel->count() == 2;
    }));
    EXPECT_TRUE(panel->item(0)->text().contains(Reviewer));
    // The deletion gone to and 接受 pressed there: the insertion is left, and the host hears.
    QSignalSpy listChanged(&control(), &quillary::DocumentControl::trackedChangesChanged);
    ASSERT_TRUE(control().goToChange(changes[1].id));
    shown().toolBar().action(framer::Tool::AcceptChange)->trigger();
    ASSERT_TRUE(eventually([&] {
        const QList<TrackedChange> left = control().trackedChanges();
        return left.size() == 1 && left[0].id == changes[0].id && listChanged.count() > 0;
    }));
    ASSERT_TRUE(control().acceptChange(changes[0].id));
    EXPECT_TRUE(control().trackedChanges().isEmpty());
    EXPECT_FALSE(control().acceptChange(changes[0].id));
    EXPECT_EQ(control().lastError().code, ControlError::NotApplied);
}

INSTANTIATE_TEST_SUITE_P(
    Formats, RecordedFormatTest,
    ::testing::Values(FormatCase{"docx", "word/document.xml", "w:author=\"%1\"", "<w:ins ",
                                 "<w:del ", "w:date=\""},
                      FormatCase{"odt", "content.xml", "<dc:creator>%1</dc:creator>",
                                 "<text:insertion>", "<text:deletion>", "<dc:date>"},
                      FormatCase{"doc", nullptr, nullptr, {}, {}, {}}),
    [](const auto &info) { return std::string(info.param.name); });

TEST_F(ReviewTest, engineKilled_bringsBackTheReviewersChanges_stillReadOnly)
{
    reviewFirstParagraph();
    // An editing call has the engine write its recovery copy before it returns.
    ASSERT_TRUE(control().setRecordingChanges(true));
    control().setReadOnly(true);
    QSignalSpy recovered(&control(), &quillary::DocumentControl::documentRecovered);
    ASSERT_GT(shown().engine().enginePid(), 0);
    ::kill(pid_t(shown().engine().enginePid()), SIGKILL);
    ASSERT_TRUE(recovered.count() > 0 || recovered.wait(90000));

    const QList<TrackedChange> changes = control().trackedChanges();
    ASSERT_EQ(changes.size(), 2) << control().lastError().message.toStdString();
    for (const TrackedChange &change : changes)
        EXPECT_EQ(change.author, Reviewer);
    const QByteArray before = readAll(saved(QStringLiteral("before.txt")));
    QTest::keyClicks(&shown().view(), QStringLiteral("typed"));
    EXPECT_FALSE(control().acceptAllChanges());
    EXPECT_EQ(control().lastError().code, ControlError::ReadOnly);
    EXPECT_EQ(readAll(saved(QStringLiteral("after.txt"))), before);
}

TEST_F(ReviewTest, nameChangedWithTheDocumentOpen_goesOnTheChangesMadeAfter)
{
    reviewFirstParagraph();
    control().setUserName(QStringLiteral("审阅人乙"));
    shown().keys(Qt::Key_End, Qt::ControlModifier);
    QTest::keyClicks(&shown().view(), QStringLiteral(" Later"));
    shown().settle();
    QStringList authors;
    for (const TrackedChange &change : control().trackedChanges())
        authors << change.author;
    EXPECT_EQ(authors, QStringList({Reviewer, Reviewer, QStringLiteral("审阅人乙")}));
}

TEST_F(ReviewTest, spreadsheetCellChanges_areRecordedUnderTheName_savedAndListedAfterReopening)
{
    ASSERT_TRUE(shown().open(QStringLiteral("sample.xlsx")));
    EXPECT_TRUE(shown().toolBar().action(framer::Tool::TrackChanges)->isVisible());
    EXPECT_FALSE(shown().toolBar().action(framer::Tool::AcceptChange)->isVisible());
    shown().toolBar().action(framer::Tool::TrackChanges)->trigger();
    ASSERT_TRUE(eventually([&] { return control().isRecordingChanges(); }));
    QTest::keyClicks(&shown().view(), QStringLiteral("777"));
    shown().keys(Qt::Key_Return);
    QList<TrackedChange> changes;
    ASSERT_TRUE(eventually([&] {
        changes = control().trackedChanges();
        return changes.size() == 1;
    })) << control().lastError().message.toStdString();
    EXPECT_EQ(changes[0].author, Reviewer);
    EXPECT_EQ(changes[0].excerpt, QStringLiteral("A1: Quillary → 777"));
    EXPECT_TRUE(changes[0].time.isValid());
    EXPECT_FALSE(control().acceptChange(changes[0].id));
    EXPECT_EQ(control().lastError().code, ControlError::NotApplied);
    // Stopping would drop the changes: neither the tool nor the call does, and both say why.
    QSignalSpy failures(&control(), &quillary::DocumentControl::errorOccurred);
    shown().toolBar().action(framer::Tool::TrackChanges)->trigger();
    ASSERT_TRUE(eventually([&] { return !failures.isEmpty(); }));
    auto *notice = qobject_cast<QLabel *>(shown().named(QStringLiteral("操作提示")));
    ASSERT_NE(notice, nullptr) << "the user who pressed 修订 is told";
    EXPECT_TRUE(notice->text().contains(QStringLiteral("仍在记录")));
    EXPECT_FALSE(control().setRecordingChanges(false));
    EXPECT_TRUE(control().lastError().message.contains(QStringLiteral("仍在记录")));
    EXPECT_TRUE(control().isRecordingChanges());
    EXPECT_EQ(control().trackedChanges().size(), 1);
    // Going to the change puts the cursor back on its cell (Return left it below).
    ASSERT_TRUE(control().goToChange(changes[0].id)) << control().lastError().message.toStdString();
    QTest::keyClicks(&shown().view(), QStringLiteral("888"));
    shown().keys(Qt::Key_Return);
    ASSERT_TRUE(eventually([&] {
        changes = control().trackedChanges();
        return changes.size() == 2;
    }));
    EXPECT_EQ(changes[1].excerpt, QStringLiteral("A1: 777 → 888"));
    EXPECT_TRUE(eventually([&] {
        auto *panel = qobject_cast<QListWidget *>(shown().named(QStringLiteral("修订列表")));
        return panel && panel->count() == 2 && panel->item(1)->text().contains(Reviewer);
    }));

    EXPECT_TRUE(packagePart(saved(QStringLiteral("reviewed.xlsx")),
                            QStringLiteral("xl/revisions/revisionHeaders.xml"))
                    .contains(Reviewer.toUtf8()));
    const QString path = saved(QStringLiteral("reviewed.ods"));
    const QByteArray xml = packagePart(path, QStringLiteral("content.xml"));
    EXPECT_TRUE(xml.contains("<table:cell-content-change") &&
                xml.contains(QStringLiteral("<dc:creator>%1").arg(Reviewer).toUtf8()))
        << xml.left(3000).data();
    control().setUserName(QStringLiteral("someone else"));
    ASSERT_TRUE(control().open(path));
    changes = control().trackedChanges();
    ASSERT_EQ(changes.size(), 2);
    EXPECT_EQ(changes[0].author, Reviewer);
}

struct DecisionCase
{
    const char *name;
    bool accept;
    QString text;
};

class ReviewDecisionTest : public ReviewTest, public ::testing::WithParamInterface<DecisionCase>
{
};

TEST_P(ReviewDecisionTest, decidingOnAllChanges_leavesThatTextInTheSavedFile)
{
    reviewFirstParagraph();
    ASSERT_TRUE(GetParam().accept ? control().acceptAllChanges() : control().rejectAllChanges());
    EXPECT_TRUE(control().trackedChanges().isEmpty());
    const QByteArray xml =
        packagePart(saved(QStringLiteral("decided.docx")), QStringLiteral("word/document.xml"));
    EXPECT_FALSE(xml.contains("<w:ins ") || xml.contains("<w:del "));
    const QString text = QString::fromUtf8(readAll(saved(QStringLiteral("decided.txt"))));
    EXPECT_TRUE(text.contains(GetParam().text)) << text.toStdString();
}

INSTANTIATE_TEST_SUITE_P(
    Decisions, ReviewDecisionTest,
    ::testing::Values(
        DecisionCase{"acceptAll", true,
                     QStringLiteral("Reviewed Quillary page one with some words to draw.")},
        DecisionCase{"rejectAll", false, Original}),
    [](const auto &info) { return std::string(info.param.name); });

TEST_F(ReviewTest, readOnly_typingPastingAndTools_leaveTheSavedFileAsItWas)
{
    ASSERT_TRUE(shown().open(QStringLiteral("sample.docx")));
    QSignalSpy readOnlyChanged(&control(), &quillary::DocumentControl::readOnlyChanged);
    control().setReadOnly(true);
    EXPECT_EQ(readOnlyChanged.count(), 1);
    // The tool bar lays the mark out when next its events run.
    EXPECT_TRUE(eventually([&] { return shown().named(QStringLiteral("只读")) != nullptr; }));
    const QByteArray before = readAll(saved(QStringLiteral("before.txt")));
    const QByteArray xmlBefore =
        packagePart(saved(QStringLiteral("before.docx")), QStringLiteral("word/document.xml"));

    shown().keys(Qt::Key_Home, Qt::ControlModifier);
    QTest::keyClicks(&shown().view(), QStringLiteral("typed"));
    shown().keys(Qt::Key_Delete);
    QGuiApplication::clipboard()->setText(QStringLiteral("pasted"));
    shown().keys(Qt::Key_V, Qt::ControlModifier);
    shown().keys(Qt::Key_A, Qt::ControlModifier);
    ASSERT_TRUE(eventually([&] { return !shown().selectedText().isEmpty(); }));
    shown().settle();
    EXPECT_FALSE(shown().toolBar().action(framer::Tool::Bold)->isEnabled());
    EXPECT_FALSE(shown().toolBar().action(framer::Tool::AcceptAllChanges)->isEnabled());
    EXPECT_FALSE(shown().toolBar().action(framer::Tool::InsertComment)->isEnabled());
    EXPECT_FALSE(control().insertComment(QStringLiteral("comment")));
    EXPECT_EQ(control().lastError().code, ControlError::ReadOnly);
    shown().keys(Qt::Key_B, Qt::ControlModifier);
    // What the tool runs, sent as a dispatch command would send it.
    EXPECT_THROW(shown().engine().call<engineprotocol::reply::CommandResult>(
                     engineprotocol::request::Uno{".uno:Bold"}, 30000),
                 framer::ControlFailure);
    EXPECT_FALSE(control().setRecordingChanges(true));
    EXPECT_EQ(control().lastError().code, ControlError::ReadOnly);
    EXPECT_FALSE(
        control().replaceText(QStringLiteral("sample"), QStringLiteral("x"), Qt::CaseSensitive));
    EXPECT_EQ(control().lastError().code, ControlError::ReadOnly);
    EXPECT_TRUE(control().lastError().message.contains(QStringLiteral("只读")));
    shown().settle();

    EXPECT_EQ(readAll(saved(QStringLiteral("after.txt"))), before);
    EXPECT_EQ(packagePart(saved(QStringLiteral("after.docx")), QStringLiteral("word/document.xml")),
              xmlBefore);
    // Selecting and copying still work.
    shown().toolBar().action(framer::Tool::Copy)->trigger();
    EXPECT_TRUE(eventually([&] {
        return QGuiApplication::clipboard()->text().contains(QStringLiteral("sample page one"));
    }));

    control().setReadOnly(false);
    QTest::keyClicks(&shown().view(), QStringLiteral("x"));
    EXPECT_NE(readAll(saved(QStringLiteral("editable.txt"))), before);
}

// The panel's context menu decides on a change where it is listed, and answers, edits and
// deletes comments; what it may not do is said.
TEST_F(ReviewTest, panelsContextMenu_decidesOnChanges_andAnswersEditsAndDeletesComments)
{
    reviewFirstParagraph();
    // Recorded, the comment's anchor would be a change of its own.
    ASSERT_TRUE(control().setRecordingChanges(false));
    ASSERT_TRUE(control().insertComment(QStringLiteral("请核对")));
    QListWidget *panel = nullptr;
    ASSERT_TRUE(eventually([&] {
        panel = qobject_cast<QListWidget *>(shown().named(QStringLiteral("修订列表")));
        return panel && panel->count() == 3;
    }));
    chooseFromPanel(panel, 0, QStringLiteral("接受"));
    ASSERT_TRUE(eventually([&] { return control().trackedChanges().size() == 1; }));
    EXPECT_EQ(control().trackedChanges()[0].kind, TrackedChange::Kind::Deletion);

    ASSERT_TRUE(eventually([&] { return panel->count() == 2; }));
    answerNextDialog(QStringLiteral("已核对"));
    chooseFromPanel(panel, 1, QStringLiteral("回复"));
    ASSERT_TRUE(eventually([&] { return control().comments().size() == 2; }));
    EXPECT_EQ(control().comments()[1].text, QStringLiteral("已核对"));
    ASSERT_TRUE(eventually([&] { return panel->count() == 3; }));
    answerNextDialog(QStringLiteral("请核对金额"));
    chooseFromPanel(panel, 1, QStringLiteral("编辑"));
    EXPECT_TRUE(
        eventually([&] { return control().comments()[0].text == QStringLiteral("请核对金额"); }));

    control().setUserName(QStringLiteral("审阅人乙"));
    QSignalSpy told(&control(), &quillary::DocumentControl::errorOccurred);
    chooseFromPanel(panel, 1, QStringLiteral("删除"));
    ASSERT_EQ(told.count(), 1);
    EXPECT_EQ(told.first().at(0).value<quillary::ControlError>().code, ControlError::NotApplied);
    EXPECT_EQ(control().comments().size(), 2);
}

TEST_F(ReviewTest, comparedWithAnEarlierVersion_theDifferencesAreChanges_andBadTargetsChangeNothing)
{
    ASSERT_TRUE(shown().open(QStringLiteral("sample.docx")));
    const QString earlier = saved(QStringLiteral("earlier.docx"));
    const QByteArray earlierText = readAll(saved(QStringLiteral("earlier.txt")));
    shown().keys(Qt::Key_Home, Qt::ControlModifier);
    QTest::keyClicks(&shown().view(), QStringLiteral("Approved "));
    shown().keys(Qt::Key_Right, Qt::ControlModifier);
    shown().keys(Qt::Key_Right, Qt::ControlModifier | Qt::ShiftModifier);
    shown().keys(Qt::Key_Delete);
    shown().settle();
    const QString later = saved(QStringLiteral("later.docx"));
    const QByteArray laterText = readAll(saved(QStringLiteral("later.txt")));
    ASSERT_TRUE(control().open(later));

    // What is not there, or is no document, is refused in plain words; nothing changes.
    EXPECT_FALSE(control().compareWith(m_dir.filePath(QStringLiteral("missing.docx"))));
    EXPECT_TRUE(control().lastError().message.contains(QStringLiteral("missing.docx")));
    QFile junk(m_dir.filePath(QStringLiteral("notes.docx")));
    ASSERT_TRUE(junk.open(QIODevice::WriteOnly));
    for (int i = 0; i < 4096; ++i)
        junk.putChar(char(i * 37));
    junk.close();
    EXPECT_FALSE(control().compareWith(junk.fileName()));
    EXPECT_TRUE(control().lastError().message.contains(QStringLiteral("notes.docx")));
    EXPECT_FALSE(control().lastError().message.contains(m_dir.path()));
    EXPECT_TRUE(control().trackedChanges().isEmpty());
    EXPECT_EQ(readAll(saved(QStringLiteral("unchanged.txt"))), laterText);

    // 比较 asks for the earlier version and shows what differs as changes.
    QTimer::singleShot(0, [earlier] {
        if (auto *dialog = qobject_cast<QInputDialog *>(QApplication::activeModalWidget())) {
            dialog->setTextValue(earlier);
            dialog->accept();
        }
    });
    shown().toolBar().action(framer::Tool::CompareDocuments)->trigger();
    QList<TrackedChange> changes;
    ASSERT_TRUE(eventually([&] {
        changes = control().trackedChanges();
        return !changes.isEmpty();
    })) << control().lastError().message.toStdString();
    const auto has = [&](TrackedChange::Kind kind, const QString &words) {
        return std::any_of(changes.cbegin(), changes.cend(), [&](const TrackedChange &change) {
            return change.kind == kind && change.excerpt.contains(words);
        });
    };
    EXPECT_TRUE(has(TrackedChange::Kind::Insertion, QStringLiteral("Approved")));
    EXPECT_TRUE(has(TrackedChange::Kind::Deletion, QStringLiteral("sample")));
    // Rejecting them all gives the earlier version back; then nothing differs.
    ASSERT_TRUE(control().rejectAllChanges());
    EXPECT_EQ(readAll(saved(QStringLiteral("rejected.txt"))), earlierText);
    EXPECT_FALSE(control().compareWith(earlier));
    EXPECT_EQ(control().lastError().code, ControlError::NotApplied);
}

// Where a format keeps comments: the part, and the author and text as written there.
struct CommentFormat
{
    const char *name;
    const char *part;
    const char *authorPattern;
};

class CommentFormatTest : public ReviewTest, public ::testing::WithParamInterface<CommentFormat>
{
};

TEST_P(CommentFormatTest, commentsAndAnswers_keepTheirAuthors_inTheSavedFile_andAfterReopening)
{
    const CommentFormat &format = GetParam();
    ASSERT_TRUE(shown().open(QStringLiteral("sample.docx")));
    shown().keys(Qt::Key_Home, Qt::ControlModifier);
    shown().keys(Qt::Key_Right, Qt::ControlModifier | Qt::ShiftModifier);
    shown().settle();
    // 批注 asks for the text and comments the selection.
    QSignalSpy commentsChanged(&control(), &quillary::DocumentControl::commentsChanged);
    QTimer::singleShot(0, [] {
        auto *dialog = qobject_cast<QInputDialog *>(QApplication::activeModalWidget());
        if (!dialog)
            return;
        dialog->setTextValue(QStringLiteral("请核对金额"));
        dialog->accept();
    });
    shown().toolBar().action(framer::Tool::InsertComment)->trigger();
    QList<quillary::Comment> comments;
    ASSERT_TRUE(eventually([&] {
        comments = control().comments();
        return comments.size() == 1 && commentsChanged.count() > 0;
    })) << control().lastError().message.toStdString();
    EXPECT_EQ(comments[0].author, Reviewer);
    EXPECT_EQ(comments[0].text, QStringLiteral("请核对金额"));
    EXPECT_TRUE(comments[0].time.isValid());
    const int first = comments[0].id;

    // Another reviewer answers, but may not change the first one's words.
    control().setUserName(QStringLiteral("审阅人乙"));
    ASSERT_TRUE(control().replyToComment(first, QStringLiteral("已核对")))
        << control().lastError().message.toStdString();
    EXPECT_FALSE(control().editComment(first, QStringLiteral("改掉")));
    EXPECT_EQ(control().lastError().code, ControlError::NotApplied);
    EXPECT_FALSE(control().deleteComment(first));
    ASSERT_TRUE(eventually([&] {
        comments = control().comments();
        return comments.size() == 2;
    })) << comments.size();
    EXPECT_EQ(comments[1].parentId, first);
    EXPECT_EQ(comments[1].author, QStringLiteral("审阅人乙"));
    ASSERT_TRUE(control().editComment(comments[1].id, QStringLiteral("已核对无误")));
    EXPECT_TRUE(control().goToComment(first));
    EXPECT_FALSE(control().deleteComment(987654));
    EXPECT_EQ(control().lastError().code, ControlError::NotApplied);
    // The panel beside the document lists them after the changes.
    EXPECT_TRUE(eventually([&] {
        auto *panel = qobject_cast<QListWidget *>(shown().named(QStringLiteral("修订列表")));
        return panel && panel->count() == 2 &&
               panel->item(1)->text().contains(QStringLiteral("已核对无误"));
    }));

    const QString path = saved(QStringLiteral("commented.") + QLatin1String(format.name));
    const QByteArray xml = packagePart(path, QLatin1String(format.part));
    EXPECT_TRUE(xml.contains(QString::fromLatin1(format.authorPattern).arg(Reviewer).toUtf8()))
        << xml.left(3000).data();
    EXPECT_TRUE(xml.contains(QStringLiteral("请核对金额").toUtf8()));
    EXPECT_TRUE(xml.contains(QStringLiteral("已核对无误").toUtf8()));

    control().closeDocument();
    ASSERT_TRUE(control().open(path));
    comments = control().comments();
    ASSERT_EQ(comments.size(), 2) << control().lastError().message.toStdString();
    EXPECT_EQ(comments[0].author, Reviewer);
    EXPECT_EQ(comments[0].text, QStringLiteral("请核对金额"));
    EXPECT_EQ(comments[1].author, QStringLiteral("审阅人乙"));
    // Deleting one's own comment.
    ASSERT_TRUE(control().deleteComment(comments[1].id));
    EXPECT_EQ(control().comments().size(), 1);
}

// A spreadsheet's comments are on its cells, a presentation's on its slides: no answers there.
struct OwnComment
{
    const char *document;
    const char *savedAs; // OpenDocument, which LibreOffice reads the author back from
    const char *msPart;  // where Microsoft's format keeps the author, or none checked
};

class OwnCommentTest : public ReviewTest, public ::testing::WithParamInterface<OwnComment>
{
};

TEST_P(OwnCommentTest, keepsItsAuthorInTheSavedFile_andIsListedBesideIt)
{
    const OwnComment &kind = GetParam();
    ASSERT_TRUE(shown().open(QLatin1String(kind.document)));
    ASSERT_TRUE(control().insertComment(QStringLiteral("请核对金额")))
        << control().lastError().message.toStdString();
    QList<quillary::Comment> comments;
    ASSERT_TRUE(eventually([&] {
        comments = control().comments();
        return comments.size() == 1;
    })) << control().lastError().message.toStdString();
    EXPECT_EQ(comments[0].author, Reviewer);
    EXPECT_EQ(comments[0].text, QStringLiteral("请核对金额"));
    EXPECT_FALSE(control().replyToComment(comments[0].id, QStringLiteral("好")));
    EXPECT_EQ(control().lastError().code, ControlError::NotApplied);
    EXPECT_TRUE(shown().toolBar().action(framer::Tool::InsertComment)->isVisible());
    EXPECT_TRUE(eventually([&] {
        auto *panel = qobject_cast<QListWidget *>(shown().named(QStringLiteral("修订列表")));
        return panel && panel->count() == 1;
    }));

    if (kind.msPart) {
        const QString ms =
            saved(QStringLiteral("commented.") + QFileInfo(QLatin1String(kind.document)).suffix());
        EXPECT_TRUE(packagePart(ms, QLatin1String(kind.msPart)).contains(Reviewer.toUtf8()));
    }
    const QString path = saved(QLatin1String(kind.savedAs));
    EXPECT_TRUE(
        packagePart(path, QStringLiteral("content.xml"))
            .contains(QStringLiteral("<dc:creator>%1</dc:creator>").arg(Reviewer).toUtf8()));
    ASSERT_TRUE(control().open(path));
    comments = control().comments();
    ASSERT_EQ(comments.size(), 1);
    EXPECT_EQ(comments[0].author, Reviewer);
    ASSERT_TRUE(control().deleteComment(comments[0].id))
        << control().lastError().message.toStdString();
    EXPECT_TRUE(eventually([&] { return control().comments().isEmpty(); }));
}

INSTANTIATE_TEST_SUITE_P(
    Kinds, OwnCommentTest,
    ::testing::Values(OwnComment{"sample.xlsx", "commented.ods", "xl/comments1.xml"},
                      OwnComment{"sample.pptx", "commented.odp", nullptr}),
    [](const auto &info) { return std::string(info.param.msPart ? "cell" : "slide"); });

INSTANTIATE_TEST_SUITE_P(
    Formats, CommentFormatTest,
    ::testing::Values(CommentFormat{"docx", "word/comments.xml", "w:author=\"%1\""},
                      CommentFormat{"odt", "content.xml", "<dc:creator>%1</dc:creator>"}),
    [](const auto &info) { return std::string(info.param.name); });

} // namespace
