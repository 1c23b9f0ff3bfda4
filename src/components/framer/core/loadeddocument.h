#pragma once

#include "enginemessages.h"

#include <QString>

namespace framer {

// The document the control has loaded; what changes while it shows is in the DocumentModel.
struct LoadedDocument
{
    engineprotocol::DocumentKind kind = engineprotocol::DocumentKind::Other;
    // Its file name: the server's name for a download.
    QString name;
    // The format it is saved back in (an extension).
    QString format;
    // Tells this document from every other one the control showed.
    quint64 serial = 0;
};

} // namespace framer
