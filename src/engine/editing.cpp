#include "editing.h"
#include "lokstrings.h"

#include "protocol/protocol.h"

#include <LibreOfficeKit/LibreOfficeKit.hxx>
#include <LibreOfficeKit/LibreOfficeKitEnums.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QRegularExpression>
#include <QUrl>

#include <cstdlib>

using namespace engineprotocol;

namespace {

// How long a picture's selection may trail the insert command's result on a busy machine.
constexpr int GraphicSelectionWaitMs = 5000;

QJsonObject stringArgument(const QString &value)
{
    return {{"type", "string"}, {"value", value}};
}

QJsonObject typed(const char *type, const QString &value)
{
    return {{"type", type}, {"value", value}};
}

DocumentEditing::Outcome failure(const QString &error)
{
    return {false, {}, error};
}

DocumentEditing::Outcome notDone(const QString &reason)
{
    return {true, {{"done", false}, {"reason", reason}}, {}};
}

const QString ProtectedText = QStringLiteral("文档处于保护状态，不能修改");

// awt key codes of keys that only move the cursor or copy.
bool isNavigationKey(int key)
{
    const int code = key & 0x0fff;
    const bool ctrl = key & 0x2000;
    if (code >= 1024 && code <= 1031) // arrows, Home, End, Page Up/Down
        return true;
    return ctrl && (code == 512 + 2 || code == 512); // Ctrl+C, Ctrl+A
}

bool isHarmlessCommand(const QString &command, const QJsonObject &arguments)
{
    static const QStringList prefixes = {
        QStringLiteral(".uno:GoTo"),          QStringLiteral(".uno:JumpTo"),
        QStringLiteral(".uno:Zoom"),          QStringLiteral(".uno:Copy"),
        QStringLiteral(".uno:SelectAll"),     QStringLiteral(".uno:Escape"),
        QStringLiteral(".uno:ModifiedStatus")};
    if (command == QLatin1String(".uno:ExecuteSearch")) {
        // Finding is reading; commands 2 and 3 replace.
        const int mode =
            arguments.value("SearchItem.Command").toObject().value("value").toVariant().toInt();
        return mode != 2 && mode != 3;
    }
    for (const QString &prefix : prefixes)
        if (command.startsWith(prefix))
            return command != QLatin1String(".uno:ModifiedStatus") || arguments.isEmpty();
    return false;
}

} // namespace

bool DocumentEditing::handles(const QString &type)
{
    static const QStringList types = {
        QString::fromLatin1(request::Replace),       QString::fromLatin1(request::AddBookmark),
        QString::fromLatin1(request::InsertPicture), QString::fromLatin1(request::InsertFile),
        QString::fromLatin1(request::Protect),       QString::fromLatin1(request::ExportSheet),
        QString::fromLatin1(request::Sheets)};
    return types.contains(type);
}

void DocumentEditing::reset()
{
    m_protected = false;
    m_edited = false;
}

QString DocumentEditing::admit(const QString &type, const QJsonObject &request)
{
    const bool input = type == QLatin1String(request::Key) ||
                       type == QLatin1String(request::Mouse) || type == QLatin1String(request::Uno);
    if (!input)
        return {};
    if (m_protected) {
        if (type == QLatin1String(request::Key)) {
            if (!isNavigationKey(request.value("key").toInt()) ||
                request.value("char").toInt() >= 0x20)
                return ProtectedText;
        } else if (type == QLatin1String(request::Mouse)) {
            // Clicks place the cursor; a drag could move the selected text.
            if (request.value("action").toInt() == LOK_MOUSEEVENT_MOUSEMOVE &&
                request.value("buttons").toInt() != 0)
                return ProtectedText;
        } else if (!isHarmlessCommand(request.value("command").toString(),
                                      request.value("arguments").toObject())) {
            return ProtectedText;
        }
        return {};
    }
    // Clicks select; keys and commands other than the harmless ones may change the document.
    if (type == QLatin1String(request::Key) ||
        (type == QLatin1String(request::Uno) &&
         !isHarmlessCommand(request.value("command").toString(),
                            request.value("arguments").toObject())))
        m_edited = true;
    return {};
}

DocumentEditing::Outcome DocumentEditing::handle(const QString &type, const QJsonObject &request,
                                                 Host &host)
{
    if (type == QLatin1String(request::Protect)) {
        m_protected = request.value("on").toBool();
        return {true, {{"protected", m_protected}}, {}};
    }
    if (type == QLatin1String(request::Sheets))
        return sheets(host);
    if (type == QLatin1String(request::ExportSheet))
        return exportSheet(request, host);
    if (host.kind != LOK_DOCTYPE_TEXT)
        return failure(QStringLiteral("只有文字文档支持该操作"));
    if (m_protected) {
        if (type == QLatin1String(request::Replace))
            return failure(ProtectedText);
        return notDone(ProtectedText);
    }
    m_edited = true;
    if (type == QLatin1String(request::Replace))
        return replace(request, host);
    if (type == QLatin1String(request::AddBookmark))
        return addBookmark(request, host);
    if (type == QLatin1String(request::InsertPicture))
        return picture(request, host);
    return insertFile(request, host);
}

DocumentEditing::Outcome DocumentEditing::replace(const QJsonObject &request, Host &host)
{
    const QString find = request.value("find").toString();
    if (find.isEmpty())
        return failure(QStringLiteral("要查找的文字为空"));
    const bool matchCase = request.value("matchCase").toBool(true);
    // TransliterationFlags::IGNORE_CASE is 256; 3 is SvxSearchCmd::REPLACE_ALL.
    const QJsonObject arguments{
        {"SearchItem.SearchString", stringArgument(find)},
        {"SearchItem.ReplaceString", stringArgument(request.value("replacement").toString())},
        {"SearchItem.Command", typed("long", QStringLiteral("3"))},
        {"SearchItem.AlgorithmType", typed("short", QStringLiteral("0"))},
        {"SearchItem.SearchFlags", typed("long", QStringLiteral("0"))},
        {"SearchItem.TransliterateFlags",
         typed("long", matchCase ? QStringLiteral("0") : QStringLiteral("256"))}};
    int count = -1;
    bool notFound = false;
    const bool finished =
        host.run(".uno:ExecuteSearch", arguments, [&](int type, const QByteArray &payload) {
            if (type == LOK_CALLBACK_SEARCH_NOT_FOUND)
                notFound = true;
            if (type == LOK_CALLBACK_SEARCH_RESULT_SELECTION)
                count = QJsonDocument::fromJson(payload)
                            .object()
                            .value("searchResultSelection")
                            .toArray()
                            .size();
        });
    if (!finished)
        return failure(QStringLiteral("替换“%1”没有完成").arg(find));
    host.run(".uno:Escape", {}, {});
    return {true, {{"count", notFound ? 0 : count}}, {}};
}

bool DocumentEditing::bookmarkExists(const QString &name, Host &host, QString *error)
{
    // LibreOffice 7.4 lists no bookmarks through LibreOfficeKit and jumping to a missing one
    // reports the same as jumping to a present one, so look into a flat copy of the text.
    QDir().mkpath(host.workFolder);
    const QString probe = host.workFolder + QStringLiteral("/bookmarks.fodt");
    const QByteArray url = QUrl::fromLocalFile(probe).toEncoded();
    if (!host.document->saveAs(url.constData(), "fodt", nullptr)) {
        *error = QStringLiteral("无法读取文档中的书签");
        return false;
    }
    QFile file(probe);
    if (!file.open(QIODevice::ReadOnly)) {
        *error = QStringLiteral("无法读取文档中的书签：%1").arg(file.errorString());
        return false;
    }
    const QString content = QString::fromUtf8(file.readAll());
    file.close();
    file.remove();
    const QString escaped = name.toHtmlEscaped();
    const QRegularExpression pattern(
        QStringLiteral("<text:bookmark(?:-start)?\\b[^>]*\\btext:name=\"") +
        QRegularExpression::escape(escaped) + QStringLiteral("\""));
    return pattern.match(content).hasMatch();
}

DocumentEditing::Outcome DocumentEditing::addBookmark(const QJsonObject &request, Host &host)
{
    const QString name = request.value("name").toString();
    if (name.isEmpty())
        return failure(QStringLiteral("书签名称为空"));
    const QJsonObject arguments{{"Bookmark", stringArgument(name)}};
    // Inserting a name that exists makes LibreOffice rename the new mark, so a mark that
    // exists is moved: removed, then set again at the cursor.
    if (!host.run(".uno:DeleteBookmark", arguments, {}) ||
        !host.run(".uno:InsertBookmark", arguments, {}))
        return failure(QStringLiteral("设置书签“%1”没有完成").arg(name));
    return {true, {{"done", true}}, {}};
}

DocumentEditing::Outcome DocumentEditing::picture(const QJsonObject &request, Host &host)
{
    const QString mark = request.value("mark").toString();
    const QString path = request.value("path").toString();
    if (!QFileInfo(path).isFile())
        return notDone(QStringLiteral("图片文件“%1”不存在").arg(path));
    QString error;
    if (!bookmarkExists(mark, host, &error))
        return error.isEmpty() ? notDone(QStringLiteral("书签“%1”不存在").arg(mark))
                               : failure(error);

    host.run(".uno:Escape", {}, {});
    if (!host.run(".uno:JumpToMark", {{"Bookmark", stringArgument(mark)}}, {}))
        return failure(QStringLiteral("定位书签“%1”没有完成").arg(mark));
    // An inserted picture comes out selected; that selection is how its arrival shows.
    const auto pictureSelected = [](int type, const QByteArray &payload) {
        return type == LOK_CALLBACK_GRAPHIC_SELECTION && !payload.startsWith("EMPTY");
    };
    bool selected = false;
    const bool finished = host.run(
        ".uno:InsertGraphic",
        {{"FileName", stringArgument(QString::fromUtf8(QUrl::fromLocalFile(path).toEncoded()))}},
        [&](int type, const QByteArray &payload) {
            selected = selected || pictureSelected(type, payload);
        });
    if (!finished)
        return failure(QStringLiteral("插入图片“%1”没有完成").arg(path));
    if (!selected)
        selected = host.wait(pictureSelected, GraphicSelectionWaitMs);
    if (!selected)
        return notDone(QStringLiteral("图片“%1”无法读取").arg(path));
    // The inserted picture is selected: anchor and wrap it, then give the cursor back.
    if (request.value("floating").toBool()) {
        host.run(".uno:SetAnchorToPara", {}, {});
        host.run(".uno:WrapOn", {}, {});
    } else {
        host.run(".uno:SetAnchorToChar", {}, {});
    }
    host.run(".uno:Escape", {}, {});
    return {true, {{"done", true}}, {}};
}

DocumentEditing::Outcome DocumentEditing::insertFile(const QJsonObject &request, Host &host)
{
    const QString path = request.value("path").toString();
    const QString filter = request.value("filter").toString();
    if (!QFileInfo(path).isFile())
        return notDone(QStringLiteral("文件“%1”不存在").arg(path));
    long widthBefore = 0;
    long heightBefore = 0;
    host.document->getDocumentSize(&widthBefore, &heightBefore);
    bool success = false;
    const bool finished = host.run(
        ".uno:InsertDoc",
        {{"Name", stringArgument(QString::fromUtf8(QUrl::fromLocalFile(path).toEncoded()))},
         {"Filter", stringArgument(filter)}},
        [&](int type, const QByteArray &payload) {
            if (type == LOK_CALLBACK_UNO_COMMAND_RESULT && payload.contains("\".uno:InsertDoc\""))
                success = QJsonDocument::fromJson(payload).object().value("success").toBool();
        });
    if (!finished)
        return failure(QStringLiteral("插入文件“%1”没有完成").arg(path));
    return success ? Outcome{true, {{"done", true}}, {}}
                   : notDone(QStringLiteral("文件“%1”无法插入").arg(path));
}

int DocumentEditing::undoSteps(Host &host)
{
    const QJsonValue actions =
        QJsonDocument::fromJson(takeString(host.document->getCommandValues(".uno:Undo")).toUtf8())
            .object()
            .value("actions");
    return actions.isArray() ? int(actions.toArray().size()) : 0;
}

DocumentEditing::Outcome DocumentEditing::sheets(Host &host)
{
    QJsonArray list;
    const int parts = host.document->getParts();
    for (int i = 0; i < parts; ++i) {
        const QJsonObject info =
            QJsonDocument::fromJson(
                takeString(host.document->get()->pClass->getPartInfo(host.document->get(), i))
                    .toUtf8())
                .object();
        list.append(
            QJsonObject{{"name", takeString(host.document->getPartName(i))},
                        {"visible", info.value("visible").toString() != QLatin1String("0")}});
    }
    return {true,
            {{"sheets", list}, {"current", host.document->getPart()}, {"undo", undoSteps(host)}},
            {}};
}

DocumentEditing::Outcome DocumentEditing::exportSheet(const QJsonObject &request, Host &host)
{
    if (host.kind != LOK_DOCTYPE_SPREADSHEET)
        return failure(QStringLiteral("只有电子表格可以导出当前工作表"));
    const QString path = request.value("path").toString();
    if (path.isEmpty())
        return failure(QStringLiteral("没有指定导出的文件"));

    const QJsonArray before = sheets(host).body.value("sheets").toArray();
    const int undoBefore = undoSteps(host);
    const int active = host.document->getPart();
    // LibreOffice exports every visible sheet, so the others are hidden for the export and
    // the hiding is undone afterwards: the sheets, the undo history and the modified state
    // end as they were.
    int hidden = 0;
    for (int i = 0; i < before.size(); ++i) {
        if (i == active || !before[i].toObject().value("visible").toBool())
            continue;
        host.document->setPart(i);
        host.run(".uno:Hide", {}, {});
        ++hidden;
    }
    host.document->setPart(active);
    bool alone = true;
    const QJsonArray during = sheets(host).body.value("sheets").toArray();
    for (int i = 0; i < during.size(); ++i)
        if (i != active && during[i].toObject().value("visible").toBool())
            alone = false;

    bool saved = false;
    if (alone) {
        const QByteArray url = QUrl::fromLocalFile(path).toEncoded();
        saved = host.document->saveAs(url.constData(), "pdf", nullptr);
    }

    for (int step = undoSteps(host); step > undoBefore; --step)
        host.run(".uno:Undo", {}, {});
    // Should undoing fall short, the sheets are shown by name.
    QJsonArray after = sheets(host).body.value("sheets").toArray();
    for (int i = 0; i < after.size() && i < before.size(); ++i)
        if (before[i].toObject().value("visible").toBool() &&
            !after[i].toObject().value("visible").toBool())
            host.run(
                ".uno:Show",
                {{"aTableName", stringArgument(before[i].toObject().value("name").toString())}},
                {});
    host.document->setPart(active);
    if (!m_edited)
        host.run(".uno:ModifiedStatus", {{"ModifiedStatus", typed("boolean", "false")}}, {});

    after = sheets(host).body.value("sheets").toArray();
    if (after != before)
        return failure(QStringLiteral("导出后无法恢复工作表的显示状态"));
    if (!alone)
        return failure(QStringLiteral("无法隐藏其他工作表，未导出 %1").arg(path));
    if (!saved || !QFileInfo(path).isFile())
        return failure(QStringLiteral("无法把当前工作表导出到 %1").arg(path));
    return {true, {{"size", QFileInfo(path).size()}}, {}};
}
