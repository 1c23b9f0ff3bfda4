#include "core/celladdress.h"

#include <QRegularExpression>

namespace framer {

namespace {

constexpr qint64 ColumnCount = 16384;
constexpr qint64 RowCount = 1048576;

bool isCell(const QString &cell)
{
    static const QRegularExpression pattern(
        QStringLiteral("^\\$?([A-Z]{1,3})\\$?([1-9][0-9]{0,6})$"));
    const QRegularExpressionMatch match = pattern.match(cell);
    if (!match.hasMatch())
        return false;
    qint64 column = 0;
    for (const QChar letter : match.captured(1))
        column = column * 26 + (letter.unicode() - 'A' + 1);
    return column <= ColumnCount && match.captured(2).toLongLong() <= RowCount;
}

} // namespace

std::optional<QString> normalizedCellAddress(const QString &typed)
{
    static const QRegularExpression space(QStringLiteral("\\s"));
    const QString address = typed.toUpper().remove(space);
    const QStringList cells = address.split(QLatin1Char(':'));
    if (cells.size() > 2)
        return std::nullopt;
    for (const QString &cell : cells)
        if (!isCell(cell))
            return std::nullopt;
    return address;
}

} // namespace framer
