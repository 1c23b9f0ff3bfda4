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
        // missing, or the document is protected; or the user cancelled the job (printing).
        NotApplied,
        // Anything else: a transfer, the office engine, the file system.
        Failed,
        // The control shows the document read-only (DocumentControl::setReadOnly): nothing
        // may change it.
        ReadOnly,
    };

    // Why a document was refused, for a host that reacts to the reason; NoCause for failures
    // that are not about the document itself.
    enum Cause {
        NoCause,
        NotADocument,        // its content is no office document at all
        Damaged,             // an office document the engine cannot read
        PasswordProtected,   // encrypted with a password
        TooLarge,            // too big as a file, unpacked, or for the engine's memory
        UnsupportedFormat,   // an office format the engine does not read
        EngineNotResponding, // the engine stopped or did not answer in time
    };

    Code code = NoError;
    // What happened, in the user's language, naming the file or address and what to do.
    // Never a temporary path or the engine's own text.
    QString message;
    Cause cause = NoCause;
    // What the engine or the system said, for the log and for support; not for the user.
    QString detail;

    explicit operator bool() const { return code != NoError; }
};

} // namespace quillary

Q_DECLARE_METATYPE(quillary::ControlError)
