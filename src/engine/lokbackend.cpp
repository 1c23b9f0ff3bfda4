#include "lokbackend.h"

#include <LibreOfficeKit/LibreOfficeKit.hxx>

#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QUrl>

#include <cstdlib>
#include <vector>

namespace {

// LibreOfficeKit hands out strings the caller must free.
QByteArray take(char *text)
{
    if (!text)
        return {};
    QByteArray result(text);
    std::free(text);
    return result;
}

QByteArray fileUrl(const QString &path)
{
    return QUrl::fromLocalFile(path).toEncoded();
}

const char *orNull(const QByteArray &text)
{
    return text.isEmpty() ? nullptr : text.constData();
}

class LokDocument : public enginecore::DocumentBackend
{
public:
    explicit LokDocument(lok::Document *document) : m_document(document) {}

    void listen(enginecore::CallbackSink sink) override
    {
        m_sink = std::move(sink);
        m_document->registerCallback(&LokDocument::callback, this);
    }
    int documentType() override { return m_document->getDocumentType(); }
    enginecore::TwipSize documentSize() override
    {
        long width = 0;
        long height = 0;
        m_document->getDocumentSize(&width, &height);
        return {width, height};
    }
    int parts() override { return m_document->getParts(); }
    int part() override { return m_document->getPart(); }
    void setPart(int part) override { m_document->setPart(part); }
    QString partName(int part) override
    {
        return QString::fromUtf8(take(m_document->getPartName(part)));
    }
    QByteArray partInfo(int part) override
    {
        // Not in the C++ wrapper of LibreOffice 7.4.
        return take(m_document->get()->pClass->getPartInfo(m_document->get(), part));
    }
    void paintTile(uchar *buffer, QSize pixels, QRect twips) override
    {
        m_document->paintTile(buffer, pixels.width(), pixels.height(), twips.x(), twips.y(),
                              twips.width(), twips.height());
    }
    void paintPartTile(uchar *buffer, int part, QSize pixels, QRect twips) override
    {
        m_document->paintPartTile(buffer, part, pixels.width(), pixels.height(), twips.x(),
                                  twips.y(), twips.width(), twips.height());
    }
    void postKeyEvent(int type, int character, int keyCode) override
    {
        m_document->postKeyEvent(type, character, keyCode);
    }
    void postMouseEvent(int type, QPoint twips, int count, int buttons, int modifiers) override
    {
        m_document->postMouseEvent(type, twips.x(), twips.y(), count, buttons, modifiers);
    }
    void postUnoCommand(const QByteArray &command, const QByteArray &arguments,
                        bool notify) override
    {
        m_document->postUnoCommand(command.constData(), orNull(arguments), notify);
    }
    QString textSelection(const QByteArray &mimeType) override
    {
        char *usedMime = nullptr;
        const QByteArray text = take(m_document->getTextSelection(mimeType.constData(), &usedMime));
        std::free(usedMime);
        return QString::fromUtf8(text);
    }
    bool saveAs(const QString &path, const QByteArray &format, const QByteArray &options) override
    {
        return m_document->saveAs(fileUrl(path).constData(), orNull(format), orNull(options));
    }
    QByteArray commandValues(const QByteArray &command) override
    {
        return take(m_document->getCommandValues(command.constData()));
    }
    QList<engineprotocol::ClipboardItem> clipboard(const QList<QByteArray> &mimeTypes) override
    {
        std::vector<const char *> wanted;
        for (const QByteArray &mimeType : mimeTypes)
            wanted.push_back(mimeType.constData());
        wanted.push_back(nullptr);
        size_t count = 0;
        char **types = nullptr;
        size_t *sizes = nullptr;
        char **streams = nullptr;
        if (!m_document->getClipboard(wanted.data(), &count, &types, &sizes, &streams))
            return {};
        QList<engineprotocol::ClipboardItem> items;
        for (size_t i = 0; i < count; ++i) {
            items.append(
                {QString::fromUtf8(types[i]), QByteArray(streams[i], qsizetype(sizes[i]))});
            std::free(types[i]);
            std::free(streams[i]);
        }
        std::free(types);
        std::free(sizes);
        std::free(streams);
        return items;
    }
    bool setClipboard(const QList<engineprotocol::ClipboardItem> &items) override
    {
        QList<QByteArray> types;
        std::vector<const char *> typePointers;
        std::vector<size_t> sizes;
        std::vector<const char *> streams;
        for (const engineprotocol::ClipboardItem &item : items) {
            types.append(item.mimeType.toUtf8());
            sizes.push_back(size_t(item.data.size()));
            streams.push_back(item.data.constData());
        }
        for (const QByteArray &type : types)
            typePointers.push_back(type.constData());
        return m_document->setClipboard(size_t(items.size()), typePointers.data(), sizes.data(),
                                        streams.data());
    }
    void postTextInput(int type, const QString &text) override
    {
        // Window 0 is the document's own.
        m_document->postWindowExtTextInputEvent(0, type, text.toUtf8().constData());
    }
    QByteArray pageRectangles() override { return take(m_document->getPartPageRectangles()); }
    void setAuthor(const QString &name) override
    {
        // The view takes the author as a rendering option; LibreOffice records changes and
        // comments under it (and writes it into the file) instead of the profile's user.
        const QJsonObject author{{"type", "string"}, {"value", name}};
        const QByteArray options =
            QJsonDocument(QJsonObject{{".uno:Author", author}}).toJson(QJsonDocument::Compact);
        m_document->initializeForRendering(options.constData());
    }

private:
    static void callback(int type, const char *payload, void *data)
    {
        static_cast<LokDocument *>(data)->m_sink(type, QByteArray(payload ? payload : ""));
    }

    std::unique_ptr<lok::Document> m_document;
    enginecore::CallbackSink m_sink;
};

} // namespace

LokOffice::LokOffice(lok::Office *office) : m_office(office) {}

LokOffice::~LokOffice() = default;

std::unique_ptr<LokOffice> LokOffice::start(const QString &installPath, const QString &profileDir)
{
    const QByteArray install = QFile::encodeName(installPath);
    lok::Office *office = lok::lok_cpp_init(install.constData(), fileUrl(profileDir).constData());
    if (!office)
        return nullptr;
    std::unique_ptr<LokOffice> result(new LokOffice(office));
    // Asked for a password, the engine has none to give: the load fails, and says why. Comments
    // are the control's to show (its review panel), not painted into tiles; that way
    // LibreOffice reports them as they change and answers to them work.
    office->setOptionalFeatures(LOK_FEATURE_DOCUMENT_PASSWORD | LOK_FEATURE_NO_TILED_ANNOTATIONS);
    office->registerCallback(&LokOffice::callback, result.get());
    return result;
}

void LokOffice::callback(int type, const char *payload, void *data)
{
    if (type != LOK_CALLBACK_DOCUMENT_PASSWORD)
        return;
    auto *self = static_cast<LokOffice *>(data);
    self->m_passwordAsked = true;
    self->m_office->setDocumentPassword(payload, nullptr);
}

std::unique_ptr<enginecore::DocumentBackend> LokOffice::load(const QString &path)
{
    m_passwordAsked = false;
    lok::Document *document = m_office->documentLoad(fileUrl(path).constData());
    if (!document)
        return nullptr;
    document->initializeForRendering("{}");
    return std::make_unique<LokDocument>(document);
}

QString LokOffice::lastError()
{
    return QString::fromUtf8(take(m_office->getError()));
}

enginecore::OfficeBackend::LoadFailure LokOffice::lastLoadFailure()
{
    if (m_passwordAsked)
        return LoadFailure::NeedsPassword;
    // LibreOffice says so only in words: no filter took the file.
    if (lastError().contains(QLatin1String("type detection")))
        return LoadFailure::UnknownFormat;
    return LoadFailure::Unreadable;
}

QString LokOffice::versionInfo()
{
    return QString::fromUtf8(take(m_office->getVersionInfo()));
}
