#include "api/documentcontrol_p.h"
#include "core/documentmodel.h"
#include "realcontrol.h"

#include "officepackage.h"

#include "controldispids.h"
#include "widgets/slides/slidepanel.h"

#include <QDir>
#include <QFile>
#include <QLabel>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <QWheelEvent>

using automation::Variant;
namespace dispid = controlcontract::dispid;

namespace {

class RecoveryTest : public RealControlTest
{
protected:
    static void openFromServer()
    {
        call(dispid::OpenDocument, {str(address("/quillary/writefile.asp?id=3&operfile=office"))});
    }
    static void replace(const char *find, const char *replacement)
    {
        call(dispid::ReplaceText,
             {str(QLatin1String(find)), str(QLatin1String(replacement)), Variant::i4(1)});
    }
    static QString copyPath() { return s_control->session().recoveryCopyPath(); }
    static bool copyExists() { return QFile::exists(copyPath()); }
    static QLabel *notice()
    {
        for (QLabel *label : s_control->widget.findChildren<QLabel *>())
            if (label->accessibleName() == QStringLiteral("文档恢复提示"))
                return label;
        return nullptr;
    }
    // Kills the engine and waits for the document to come back; whether it held unsaved changes.
    static bool killAndAwaitRecovery()
    {
        QSignalSpy recovered(&s_control->widget, &quillary::DocumentControl::documentRecovered);
        killEngine();
        if (!recovered.wait(120000)) {
            ADD_FAILURE() << "the document did not come back";
            return false;
        }
        return recovered.first().first().toBool();
    }
    static void scrollDown(int notches)
    {
        QWidget *viewport = s_control->view().viewport();
        const QPoint at(viewport->width() / 2, viewport->height() / 2);
        for (int i = 0; i < notches; ++i) {
            QWheelEvent wheel(at, viewport->mapToGlobal(at), {}, QPoint(0, -120), Qt::NoButton,
                              Qt::NoModifier, Qt::NoScrollPhase, false);
            QApplication::sendEvent(viewport, &wheel);
        }
    }
};

TEST_F(RecoveryTest, editThenEngineKilled_editIsBackInTheViewAndInTheUpload_whereTheUserWas)
{
    openFromServer();
    replace("sample", "recovered");
    EXPECT_TRUE(copyExists()) << "an edit is copied before its call returns";
    scrollDown(3);
    const int scrolled = s_control->view().verticalScrollBar()->value();
    ASSERT_GT(scrolled, 0);

    EXPECT_TRUE(killAndAwaitRecovery()) << "the changes came from the recovery copy";
    EXPECT_EQ(s_control->documentName(), "报告.docx");
    ASSERT_NE(notice(), nullptr);
    EXPECT_TRUE(notice()->isVisible());
    EXPECT_TRUE(notice()->text().contains(QStringLiteral("恢复了未保存的修改")));
    EXPECT_EQ(s_control->view().verticalScrollBar()->value(), scrolled);

    const int uploads = s_server->uploads();
    call(dispid::SaveDocument, {str(address("/upload/200"))});
    ASSERT_EQ(s_server->uploads(), uploads + 1);
    const TestServer::Upload upload = s_server->lastUpload();
    EXPECT_EQ(upload.fileName, "报告.docx") << "same name, same format";
    const QString uploaded = folder(QStringLiteral("uploaded")) + QStringLiteral("/up.docx");
    ASSERT_TRUE(writeFile(uploaded, upload.bytes));
    const auto body = enginecore::readPackageEntry(uploaded, QStringLiteral("word/document.xml"));
    ASSERT_TRUE(body.has_value());
    EXPECT_TRUE(body->contains("recovered page one"));
    EXPECT_FALSE(notice()->isVisible()) << "saved: nothing unsaved is left to mention";
    EXPECT_TRUE(documentText().contains(QStringLiteral("Quillary recovered page one")));
}

TEST_F(RecoveryTest, typedText_isCopiedOnceTheUserPauses_andComesBack)
{
    openCopy(QStringLiteral("sample.docx"));
    type(QStringLiteral("Typed"));
    QTRY_VERIFY_WITH_TIMEOUT(copyExists(), 30000);
    EXPECT_TRUE(killAndAwaitRecovery());
    EXPECT_TRUE(documentText().contains(QStringLiteral("TypedQuillary sample")));
}

TEST_F(RecoveryTest, callRunningWhenTheEngineDies_raisesItsError_andTheDocumentComesBackAll)
{
    openCopy(QStringLiteral("sample.docx"));
    replace("sample", "before");
    QSignalSpy recovered(&s_control->widget, &quillary::DocumentControl::documentRecovered);
    QTimer::singleShot(0, [] { killEngine(); });
    const std::string error = errorOf([] { replace("page", "leaf"); });
    EXPECT_NE(error.find("意外停止"), std::string::npos) << error;
    ASSERT_TRUE(recovered.count() > 0 || recovered.wait(120000));
    const QString text = documentText();
    EXPECT_TRUE(text.contains(QStringLiteral("Quillary before page one"))) << text.toStdString();
}

TEST_F(RecoveryTest, unchangedDocument_comesBackOnTheSameSlide)
{
    openCopy(QStringLiteral("sample.odp"));
    auto *slides = quillary::DocumentControlPrivate::get(&s_control->widget)->slides;
    ASSERT_NE(slides, nullptr);
    ASSERT_TRUE(slides->isVisible());
    QTest::mouseClick(slides->viewport(), Qt::LeftButton, {},
                      slides->visualItemRect(slides->item(2)).center());
    ASSERT_EQ(s_control->view().model().info().part, 2);
    EXPECT_FALSE(copyExists());

    EXPECT_FALSE(killAndAwaitRecovery()) << "nothing was unsaved";
    EXPECT_EQ(s_control->view().model().info().part, 2);
    EXPECT_EQ(slides->currentRow(), 2);
    EXPECT_TRUE(notice()->text().contains(QStringLiteral("重新打开了文档")));
}

TEST_F(RecoveryTest, copyThatKillsTheFreshEngineToo_endsAfterOneRetry_keptWhereTheErrorSays)
{
    openCopy(QStringLiteral("sample.docx"));
    replace("sample", "lost");
    ASSERT_TRUE(copyExists());
    QDir(keptFolder()).removeRecursively();
    // The fresh engine dies as soon as it is up, as it would on a copy that crashes it.
    auto killed = std::make_shared<bool>(false);
    QObject::connect(&s_control->engine(), &framer::EngineClient::engineReady, [killed] {
        if (!std::exchange(*killed, true))
            killEngine();
    });
    QSignalSpy failed(&s_control->widget, &quillary::DocumentControl::errorOccurred);
    QSignalSpy recovered(&s_control->widget, &quillary::DocumentControl::documentRecovered);
    killEngine();
    ASSERT_TRUE(failed.wait(120000));
    const QString message = failed.first().first().value<quillary::ControlError>().message;

    const QStringList kept = QDir(keptFolder()).entryList(QDir::Files);
    ASSERT_EQ(kept.size(), 1) << message.toStdString();
    const QString keptPath = QDir(keptFolder()).filePath(kept.first());
    EXPECT_TRUE(message.contains(QDir::toNativeSeparators(keptPath))) << message.toStdString();
    EXPECT_TRUE(kept.first().endsWith(QStringLiteral(".docx")));
    const auto body = enginecore::readPackageEntry(keptPath, QStringLiteral("word/document.xml"));
    EXPECT_TRUE(body && body->contains("Quillary lost page")) << "the copy holds the edit";
    EXPECT_EQ(recovered.count(), 0);
    EXPECT_EQ(s_control->documentName(), "");
    EXPECT_TRUE(s_control->view().message().contains(QDir::toNativeSeparators(keptPath)));
    const std::string save =
        errorOf([] { call(dispid::SaveDocument, {str(address("/upload/200"))}); });
    EXPECT_NE(save.find(kept.first().toStdString()), std::string::npos) << save;

    openCopy(QStringLiteral("sample.docx"));
    EXPECT_EQ(s_control->documentName(), "sample.docx") << "the next engine works again";
}

TEST_F(RecoveryTest, savedClosedOrReplacedDocument_leavesNoRecoveryCopy)
{
    openFromServer();
    replace("sample", "one");
    ASSERT_TRUE(copyExists());
    call(dispid::SaveDocument, {str(address("/upload/200"))});
    EXPECT_FALSE(copyExists()) << "uploaded";

    replace("page", "two");
    ASSERT_TRUE(copyExists());
    s_dialogs->saveAnswer = folder(QStringLiteral("saved")) + QStringLiteral("/copy.docx");
    call(dispid::ShowFileDialog, {Variant::i4(3)});
    EXPECT_FALSE(copyExists()) << "saved in its own format";

    replace("one", "three");
    const QString first = copyPath();
    ASSERT_TRUE(QFile::exists(first));
    openCopy(QStringLiteral("sample.docx"));
    EXPECT_FALSE(QFile::exists(first)) << "opened afresh";

    replace("sample", "four");
    const QString fourth = copyPath();
    ASSERT_TRUE(QFile::exists(fourth));
    call(dispid::CloseDocument);
    EXPECT_FALSE(QFile::exists(fourth));
    const QString documentFolder = QFileInfo(QFileInfo(fourth).absolutePath()).absolutePath();
    const QString everyDocument = QFileInfo(documentFolder).absolutePath();
    EXPECT_EQ(QDir(everyDocument).entryList(QDir::Dirs | QDir::NoDotAndDotDot), QStringList())
        << "closed: no document's folder is left";
}

} // namespace
