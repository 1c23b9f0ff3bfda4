#pragma once

#include <QMetaType>
#include <QString>

namespace quillary {

// Why a call on the document control did not do what it was asked.
struct ControlError
{
    enum Code {
        NoError,
        // The arguments cannot be used: an empty path, an unknown format, an address that is
        // not http or https.
        InvalidArgument,
        // Another long operation of the control is still under way; try again later.
        Busy,
        // An edit that did not apply and is no failure: its bookmark, picture or file is
        // missing, or the document is protected.
        NotApplied,
        // Anything else: a transfer, the office engine, the file system.
        Failed,
        // The control shows the document read-only (DocumentControl::setReadOnly): nothing
        // may change it.
        ReadOnly,
    };

    Code code = NoError;
    // What happened, in the user's language, naming the file or address.
    QString message;

    explicit operator bool() const { return code != NoError; }
};

} // namespace quillary

Q_DECLARE_METATYPE(quillary::ControlError)
