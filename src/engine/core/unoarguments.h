#pragma once

#include <QByteArray>
#include <QJsonObject>
#include <QString>

// Arguments of .uno: commands in the JSON LibreOfficeKit reads: each one a type and a value.
namespace enginecore {

QJsonObject typed(const char *type, const QString &value);
QJsonObject text(const QString &value);
// The compact JSON of arguments; empty for none.
QByteArray json(const QJsonObject &arguments);
// The value of argument name in such JSON, as text; empty when it is not there.
QString argumentValue(const QByteArray &arguments, const QString &name);

// SvxSearchCmd's numbers.
enum class SearchCommand { Find = 0, FindAll = 1, Replace = 2, ReplaceAll = 3 };

// .uno:ExecuteSearch's arguments: the text as it is (no regular expression), in the given
// direction, matching case or not.
QJsonObject searchItem(SearchCommand command, const QString &find, bool backward, bool matchCase,
                       const QString &replacement = {});

} // namespace enginecore
