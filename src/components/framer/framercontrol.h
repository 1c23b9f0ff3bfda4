#pragma once

#include "automation/dispatch.h"
#include "documentview.h"
#include "engineclient.h"

#include <QPointer>
#include <QTemporaryDir>
#include <QWidget>

#include <memory>
#include <optional>

class QLabel;
class QNetworkAccessManager;

namespace platform {
class FileDialogs;
}

namespace framer {

class EditingOperations;

// The control's dispatch ids, as the client calls them.
namespace dispid {
constexpr automation::DispId DocumentObject = 0x10002;
constexpr automation::DispId OpenDocument = 0x10004;
constexpr automation::DispId SaveDocument = 0x10005;
constexpr automation::DispId HandSign = 0x10007;
constexpr automation::DispId CloseDocument = 0x10009;
constexpr automation::DispId ShowFileDialog = 0x1000E;
constexpr automation::DispId DocumentName = 0x10015;
constexpr automation::DispId InsertFile = 0x10072;
constexpr automation::DispId MarkCommand = 0x10086;
constexpr automation::DispId ProtectDocument = 0x10087;
constexpr automation::DispId ReplaceText = 0x10101;
constexpr automation::DispId DownloadFile = 0x10109;
} // namespace dispid

// The save format (an extension LibreOffice writes) for a file name of a document of this
// kind; empty when LibreOffice cannot write that kind in that format.
QString saveFormatForExtension(engineprotocol::DocumentKind kind, const QString &extension);
// The format a loaded file is in: from its name when that names one, else from its first bytes.
QString ownFormat(engineprotocol::DocumentKind kind, const QString &fileName, QByteArrayView head);

// The document control: a widget that shows the hosted document and the dispatch table
// through which its host drives it. Long operations run nested event loops; a second one
// started meanwhile is refused rather than interleaved.
class FramerControl : public QWidget, public automation::Dispatch
{
    Q_OBJECT
public:
    // What tests replace; each null or empty member gets the real thing.
    struct Services
    {
        QNetworkAccessManager *network = nullptr;
        platform::FileDialogs *fileDialogs = nullptr;
        QString driveCRoot;
        EngineClient::Options engine;
    };

    explicit FramerControl(QWidget *parent = nullptr);
    explicit FramerControl(Services services, QWidget *parent = nullptr);
    ~FramerControl() override;

    automation::Variant invoke(automation::DispId id, automation::InvokeKind kind,
                               const std::vector<automation::Variant> &args) override;
    automation::DispId idOfName(std::string_view name) override;

    void openDocument(const QString &source);
    void saveDocument(const QString &url);
    void closeDocument();
    void showFileDialog(int kind);
    void downloadFile(const QString &target, const QString &url);
    QString documentName() const { return m_documentName; }

    EngineClient &engine() { return *m_engine; }
    DocumentView &view() { return *m_view; }

private:
    class BusyScope;

    [[noreturn]] void notImplemented(std::string_view member) const;
    // The editing operations and office objects (framercontrolediting.cpp).
    void setUpEditing();
    std::optional<automation::Variant> invokeEditing(automation::DispId id,
                                                     const std::vector<automation::Variant> &args);
    QString hostPath(const QString &path) const;
    void openLocal(const QString &path, const QString &name);
    void openFromAddress(const QString &address);
    void saveLocal(QString path);
    void forgetDocument();
    void onEngineStopped();

    Services m_services;
    std::unique_ptr<QNetworkAccessManager> m_ownNetwork;
    std::unique_ptr<platform::FileDialogs> m_ownDialogs;
    EngineClient *m_engine;
    DocumentView *m_view;
    QTemporaryDir m_work;
    int m_workCount = 0;
    bool m_busy = false;
    QString m_documentName;
    QString m_documentFormat;
    QString m_downloadFolder; // holds the downloaded file of the current document
    QString m_lastSaveFolder;
    std::unique_ptr<EditingOperations> m_editing;
    QLabel *m_protectionBanner = nullptr;
};

} // namespace framer
