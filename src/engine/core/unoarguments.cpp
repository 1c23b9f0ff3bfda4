#include "unoarguments.h"

#include <QJsonDocument>

namespace enginecore {

QJsonObject typed(const char *type, const QString &value)
{
    return {{"type", type}, {"value", value}};
}

QJsonObject text(const QString &value)
{
    return typed("string", value);
}

QByteArray json(const QJsonObject &arguments)
{
    return arguments.isEmpty() ? QByteArray()
                               : QJsonDocument(arguments).toJson(QJsonDocument::Compact);
}

QString argumentValue(const QByteArray &arguments, const QString &name)
{
    return QJsonDocument::fromJson(arguments)
        .object()
        .value(name)
        .toObject()
        .value(QStringLiteral("value"))
        .toVariant()
        .toString();
}

QJsonObject searchItem(SearchCommand command, const QString &find, bool backward, bool matchCase,
                       const QString &replacement)
{
    // TransliterationFlags::IGNORE_CASE is 256.
    QJsonObject arguments{{"SearchItem.SearchString", text(find)},
                          {"SearchItem.Backward", typed("boolean", backward ? "true" : "false")},
                          {"SearchItem.Command", typed("long", QString::number(int(command)))},
                          {"SearchItem.AlgorithmType", typed("short", QStringLiteral("0"))},
                          {"SearchItem.SearchFlags", typed("long", QStringLiteral("0"))},
                          {"SearchItem.TransliterateFlags",
                           typed("long", matchCase ? QStringLiteral("0") : QStringLiteral("256"))}};
    if (command == SearchCommand::Replace || command == SearchCommand::ReplaceAll)
        arguments.insert("SearchItem.ReplaceString", text(replacement));
    return arguments;
}

} // namespace enginecore
