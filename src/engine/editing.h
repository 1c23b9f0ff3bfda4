#pragma once

#include <QByteArray>
#include <QJsonObject>
#include <QString>

#include <functional>

namespace lok {
class Document;
}

// The editing requests of the office engine (replace, bookmarks, pictures, inserted files,
// protection, export of the active sheet) and the protection state that guards every input.
// LibreOffice runs commands asynchronously and its success flags are unreliable, so each
// handler judges by the effect it can observe.
class DocumentEditing
{
public:
    struct Host
    {
        lok::Document *document = nullptr;
        int kind = 0; // LibreOfficeKitDocumentType
        QString workFolder;
        // Runs a command and waits for its result; observe sees every callback meanwhile.
        // False when it did not finish in time.
        std::function<bool(const QByteArray &command, const QJsonObject &arguments,
                           const std::function<void(int type, const QByteArray &payload)> &observe)>
            run;
        // Waits for a callback that may trail a command's result: LibreOffice flushes some
        // callbacks, a graphic selection among them, only when it is next idle. False on timeout.
        std::function<bool(const std::function<bool(int type, const QByteArray &payload)> &accept,
                           int timeoutMs)>
            wait;
    };

    struct Outcome
    {
        bool ok = true;
        QJsonObject body;
        QString error;
    };

    static bool handles(const QString &type);
    Outcome handle(const QString &type, const QJsonObject &request, Host &host);

    // A new or closed document starts unprotected and unedited.
    void reset();
    bool isProtected() const { return m_protected; }
    // Looks at a key, mouse or command request before it reaches the document: why it must
    // not (the document is protected), else empty; remembers that the document was edited.
    QString admit(const QString &type, const QJsonObject &request);

private:
    Outcome replace(const QJsonObject &request, Host &host);
    Outcome addBookmark(const QJsonObject &request, Host &host);
    Outcome picture(const QJsonObject &request, Host &host);
    Outcome insertFile(const QJsonObject &request, Host &host);
    Outcome exportSheet(const QJsonObject &request, Host &host);
    Outcome sheets(Host &host);
    static int undoSteps(Host &host);
    bool bookmarkExists(const QString &name, Host &host, QString *error);

    bool m_protected = false;
    bool m_edited = false;
};
