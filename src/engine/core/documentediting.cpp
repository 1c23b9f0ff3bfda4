#include "documentediting.h"

#include "officepackage.h"
#include "refusals.h"
#include "unoarguments.h"

#include <LibreOfficeKit/LibreOfficeKitEnums.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QThread>
#include <QUrl>

using namespace engineprotocol;

namespace enginecore {

namespace {

// How long a picture's selection may trail the insert command's result on a busy machine.
constexpr int GraphicSelectionWaitMs = 5000;
// How often an insertion that LibreOffice refused without changing anything is tried.
constexpr int InsertionAttempts = 3;
constexpr int InsertionRetryPauseMs = 150;

QString fileUrl(const QString &path)
{
    return QString::fromUtf8(QUrl::fromLocalFile(path).toEncoded());
}

bool run(EditContext &context, const QByteArray &command, const QJsonObject &arguments = {},
         const CommandRunner::Observer &observe = {})
{
    return context.commands.run(command, json(arguments), 30000, observe).has_value();
}

Reply notDone(const QString &reason)
{
    return reply::EditOutcome{false, reason};
}

// LibreOffice 7.4 lists no bookmarks through LibreOfficeKit and jumping to a missing one
// reports the same as jumping to a present one, so look into a flat copy of the text.
std::optional<bool> bookmarkExists(EditContext &context, const QString &name, QString *error)
{
    QDir().mkpath(context.workFolder);
    const QString probe = context.workFolder + QStringLiteral("/bookmarks.fodt");
    if (!context.document.saveAs(probe, "fodt", {})) {
        *error = QStringLiteral("无法读取文档中的书签");
        return std::nullopt;
    }
    QFile file(probe);
    if (!file.open(QIODevice::ReadOnly)) {
        *error = QStringLiteral("无法读取文档中的书签：%1").arg(file.errorString());
        return std::nullopt;
    }
    const QString content = QString::fromUtf8(file.readAll());
    file.close();
    file.remove();
    const QRegularExpression pattern(
        QStringLiteral("<text:bookmark(?:-start)?\\b[^>]*\\btext:name=\"") +
        QRegularExpression::escape(name.toHtmlEscaped()) + QStringLiteral("\""));
    return pattern.match(content).hasMatch();
}

int undoSteps(EditContext &context)
{
    const QJsonValue actions = QJsonDocument::fromJson(context.document.commandValues(".uno:Undo"))
                                   .object()
                                   .value(QStringLiteral("actions"));
    return actions.isArray() ? int(actions.toArray().size()) : 0;
}

// Right after a picture or frame is left, LibreOffice now and then refuses an insertion before
// its own state has caught up. A refusal that left the undo list as it was changed nothing, so
// the insertion is tried again after a pause; one that changed the document is not repeated.
std::optional<reply::CommandResult> runInsertion(EditContext &context, const QByteArray &command,
                                                 const QJsonObject &arguments,
                                                 const CommandRunner::Observer &observe = {})
{
    for (int attempt = 1;; ++attempt) {
        const QByteArray undoBefore = context.document.commandValues(".uno:Undo");
        auto result = context.commands.run(command, json(arguments), 30000, observe);
        if (!result || result->success || attempt == InsertionAttempts ||
            context.document.commandValues(".uno:Undo") != undoBefore)
            return result;
        qWarning("%s was refused; trying again", command.constData());
        QThread::msleep(InsertionRetryPauseMs * attempt);
    }
}

} // namespace

Reply replaceText(EditContext &context, const request::Replace &request)
{
    if (request.find.isEmpty())
        return refuse(ErrorCode::BadRequest, QStringLiteral("要查找的文字为空"));
    const QJsonObject arguments = searchItem(SearchCommand::ReplaceAll, request.find, false,
                                             request.matchCase, request.replacement);
    int count = -1;
    bool notFound = false;
    const bool finished =
        run(context, ".uno:ExecuteSearch", arguments, [&](const Callback &callback) {
            if (callback.type == LOK_CALLBACK_SEARCH_NOT_FOUND)
                notFound = true;
            if (callback.type == LOK_CALLBACK_SEARCH_RESULT_SELECTION)
                count = int(QJsonDocument::fromJson(callback.payload)
                                .object()
                                .value(QStringLiteral("searchResultSelection"))
                                .toArray()
                                .size());
        });
    if (!finished)
        return refuse(ErrorCode::NotFinished, QStringLiteral("替换“%1”没有完成").arg(request.find));
    run(context, ".uno:Escape");
    return reply::Replaced{notFound ? 0 : count};
}

Reply addBookmark(EditContext &context, const request::AddBookmark &request)
{
    if (request.name.isEmpty())
        return refuse(ErrorCode::BadRequest, QStringLiteral("书签名称为空"));
    const QJsonObject arguments{{"Bookmark", text(request.name)}};
    // Inserting a name that exists makes LibreOffice rename the new mark, so a mark that
    // exists is moved: removed, then set again at the cursor.
    if (!run(context, ".uno:DeleteBookmark", arguments) ||
        !run(context, ".uno:InsertBookmark", arguments))
        return refuse(ErrorCode::NotFinished,
                      QStringLiteral("设置书签“%1”没有完成").arg(request.name));
    return reply::EditOutcome{true, {}};
}

Reply insertPicture(EditContext &context, const request::InsertPicture &request)
{
    if (!QFileInfo(request.path).isFile())
        return notDone(QStringLiteral("图片文件“%1”不存在").arg(request.path));
    QString error;
    const std::optional<bool> marked = bookmarkExists(context, request.mark, &error);
    if (!marked)
        return refuse(ErrorCode::Failed, error);
    if (!*marked)
        return notDone(QStringLiteral("书签“%1”不存在").arg(request.mark));

    run(context, ".uno:Escape");
    if (!run(context, ".uno:JumpToMark", {{"Bookmark", text(request.mark)}}))
        return refuse(ErrorCode::NotFinished,
                      QStringLiteral("定位书签“%1”没有完成").arg(request.mark));
    // An inserted picture comes out selected; that selection is how its arrival shows.
    const auto pictureSelected = [](const Callback &callback) {
        return callback.type == LOK_CALLBACK_GRAPHIC_SELECTION &&
               !callback.payload.startsWith("EMPTY");
    };
    bool selected = false;
    const bool finished =
        runInsertion(
            context, ".uno:InsertGraphic", {{"FileName", text(fileUrl(request.path))}},
            [&](const Callback &callback) { selected = selected || pictureSelected(callback); })
            .has_value();
    if (!finished)
        return refuse(ErrorCode::NotFinished,
                      QStringLiteral("插入图片“%1”没有完成").arg(request.path));
    if (!selected)
        selected = context.commands.waitFor(pictureSelected, GraphicSelectionWaitMs);
    if (!selected)
        return notDone(QStringLiteral("图片“%1”无法读取").arg(request.path));
    // The inserted picture is selected: anchor and wrap it, then give the cursor back.
    if (request.floating) {
        run(context, ".uno:SetAnchorToPara");
        run(context, ".uno:WrapOn");
    } else {
        run(context, ".uno:SetAnchorToChar");
    }
    run(context, ".uno:Escape");
    return reply::EditOutcome{true, {}};
}

Reply insertFile(EditContext &context, const request::InsertFile &request)
{
    if (!QFileInfo(request.path).isFile())
        return notDone(QStringLiteral("文件“%1”不存在").arg(request.path));
    // What goes into the document passes the check of what is opened.
    const PackageCheck package = checkPackage(request.path);
    if (package.verdict == PackageCheck::TooLarge || package.verdict == PackageCheck::Damaged)
        return notDone(QStringLiteral("文件“%1”%2，无法插入")
                           .arg(request.path, package.verdict == PackageCheck::TooLarge
                                                  ? QStringLiteral("解压后太大")
                                                  : QStringLiteral("已损坏")));
    const auto result =
        runInsertion(context, ".uno:InsertDoc",
                     {{"Name", text(fileUrl(request.path))}, {"Filter", text(request.filter)}});
    if (!result)
        return refuse(ErrorCode::NotFinished,
                      QStringLiteral("插入文件“%1”没有完成").arg(request.path));
    if (!result->success)
        return notDone(QStringLiteral("文件“%1”无法插入").arg(request.path));
    return reply::EditOutcome{true, {}};
}

reply::SheetList sheetList(EditContext &context)
{
    reply::SheetList list;
    const int parts = context.document.parts();
    for (int i = 0; i < parts; ++i) {
        const QJsonObject info = QJsonDocument::fromJson(context.document.partInfo(i)).object();
        list.sheets.append(
            {context.document.partName(i),
             info.value(QStringLiteral("visible")).toString() != QLatin1String("0")});
    }
    list.current = context.document.part();
    list.undoSteps = undoSteps(context);
    return list;
}

Reply exportActiveSheet(EditContext &context, const request::ExportSheet &request, bool edited)
{
    if (request.path.isEmpty())
        return refuse(ErrorCode::BadRequest, QStringLiteral("没有指定导出的文件"));
    DocumentBackend &document = context.document;
    const QList<reply::SheetState> before = sheetList(context).sheets;
    const int undoBefore = undoSteps(context);
    const int active = document.part();
    for (int i = 0; i < before.size(); ++i) {
        if (i == active || !before[i].visible)
            continue;
        document.setPart(i);
        run(context, ".uno:Hide");
    }
    document.setPart(active);
    bool alone = true;
    const QList<reply::SheetState> during = sheetList(context).sheets;
    for (int i = 0; i < during.size(); ++i)
        alone = alone && (i == active || !during[i].visible);
    const bool saved = alone && document.saveAs(request.path, "pdf", {});

    // The sheets, the undo history and the modified state end as they were.
    for (int step = undoSteps(context); step > undoBefore; --step)
        run(context, ".uno:Undo");
    // Should undoing fall short, the sheets are shown by name.
    QList<reply::SheetState> after = sheetList(context).sheets;
    for (int i = 0; i < after.size() && i < before.size(); ++i)
        if (before[i].visible && !after[i].visible)
            run(context, ".uno:Show", {{"aTableName", text(before[i].name)}});
    document.setPart(active);
    if (!edited)
        run(context, ".uno:ModifiedStatus", {{"ModifiedStatus", typed("boolean", "false")}});

    if (sheetList(context).sheets != before)
        return refuse(ErrorCode::Failed, QStringLiteral("导出后无法恢复工作表的显示状态"));
    if (!alone)
        return refuse(ErrorCode::SaveFailed,
                      QStringLiteral("无法隐藏其他工作表，未导出 %1").arg(request.path));
    if (!saved || !QFileInfo(request.path).isFile())
        return refuse(ErrorCode::SaveFailed,
                      QStringLiteral("无法把当前工作表导出到 %1").arg(request.path));
    return reply::Saved{QFileInfo(request.path).size()};
}

} // namespace enginecore
