#pragma once

#include <QString>

#include <cstdlib>

// LibreOfficeKit hands out strings the caller must free; this takes one over as a QString.
inline QString takeString(char *text)
{
    if (!text)
        return {};
    QString result = QString::fromUtf8(text);
    std::free(text);
    return result;
}
