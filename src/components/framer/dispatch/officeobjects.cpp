#include "officeobjects.h"

#include "dispatcharguments.h"

#include "automation/automationerror.h"

#include <functional>
#include <strings.h>

using namespace automation;
using quillary::DocumentKind;

namespace framerdispatch {

namespace {

// An object whose members are a table of names and handlers; ids are table positions + 1.
class OfficeObject : public Dispatch
{
public:
    using Handler = std::function<Variant(const std::vector<Variant> &)>;

    Variant invoke(DispId id, InvokeKind kind, const std::vector<Variant> &args) override
    {
        if (id < 1 || id > DispId(m_members.size()))
            raise(hresult::MemberNotFound, QStringLiteral("对象没有编号为 %1 的成员").arg(id));
        const Member &member = m_members[id - 1];
        if (kind == InvokeKind::PropertyPut)
            raise(hresult::MemberNotFound,
                  QStringLiteral("成员 %1 是只读的").arg(QLatin1String(member.name)));
        return member.handler(args);
    }

    DispId idOfName(std::string_view name) override
    {
        const std::string key(name);
        for (std::size_t i = 0; i < m_members.size(); ++i)
            if (strcasecmp(m_members[i].name, key.c_str()) == 0)
                return DispId(i + 1);
        throw unknownName(name);
    }

protected:
    void add(const char *name, Handler handler) { m_members.push_back({name, std::move(handler)}); }

private:
    struct Member
    {
        const char *name;
        Handler handler;
    };
    std::vector<Member> m_members;
};

// An object read through a property; made on demand so no cycles of shared pointers form.
template <typename Make> OfficeObject::Handler objectGetter(Make make)
{
    return [make](const std::vector<Variant> &args) {
        requireArgCount(args, 0);
        return Variant::dispatch(make());
    };
}

OfficeObject::Handler saveAsHandler(DocumentKind kind, std::shared_ptr<OfficeBackend> backend,
                                    int defaultFormat)
{
    return [kind, backend, defaultFormat](const std::vector<Variant> &args) {
        if (args.empty() || args.size() > 2)
            requireArgCount(args, args.empty() ? 1 : 2);
        const QString fileName = requiredString(args, 0, "SaveAs", "FileName");
        int number = defaultFormat;
        if (args.size() > 1 && !args[1].dereferenced().isEmpty())
            number = args[1].dereferenced().toInt();
        const QString format = saveFormatFor(kind, number);
        if (format.isEmpty())
            raise(hresult::InvalidArgument, QStringLiteral("SaveAs 不支持文件格式 %1").arg(number));
        backend->saveDocumentAs(fileName, format);
        return Variant();
    };
}

class Worksheet : public OfficeObject
{
public:
    explicit Worksheet(std::shared_ptr<OfficeBackend> backend)
    {
        add("ExportAsFixedFormat", [backend](const std::vector<Variant> &args) {
            if (args.size() < 2)
                requireArgCount(args, 2);
            // Type 0 is PDF; 1 (XPS) has no writer here. Later optional arguments
            // (quality, properties, page range) are accepted and left at their defaults.
            const int type = args[0].dereferenced().toInt();
            if (type != 0)
                raise(
                    hresult::InvalidArgument,
                    QStringLiteral("ExportAsFixedFormat 只支持类型 0（PDF），不支持 %1").arg(type));
            backend->exportActiveSheet(requiredString(args, 1, "ExportAsFixedFormat", "Filename"));
            return Variant();
        });
    }
};

class SheetWindow : public OfficeObject
{
public:
    explicit SheetWindow(std::shared_ptr<OfficeBackend> backend)
    {
        add("ActiveSheet",
            objectGetter([backend] { return std::make_shared<Worksheet>(backend); }));
    }
};

class TextWindow : public OfficeObject
{
    // A text document's window has no sheet: ActiveSheet is an unknown name here.
};

class Application : public OfficeObject
{
public:
    Application(DocumentKind kind, std::shared_ptr<OfficeBackend> backend,
                std::function<std::shared_ptr<Dispatch>()> document)
    {
        if (kind == DocumentKind::Spreadsheet) {
            add("ActiveWindow",
                objectGetter([backend] { return std::make_shared<SheetWindow>(backend); }));
            add("ActiveSheet",
                objectGetter([backend] { return std::make_shared<Worksheet>(backend); }));
            add("ActiveWorkbook", objectGetter(document));
        } else {
            add("ActiveWindow", objectGetter([] { return std::make_shared<TextWindow>(); }));
            add(kind == DocumentKind::Presentation ? "ActivePresentation" : "ActiveDocument",
                objectGetter(document));
        }
    }
};

class DocumentObject : public OfficeObject, public std::enable_shared_from_this<DocumentObject>
{
public:
    DocumentObject(DocumentKind kind, std::shared_ptr<OfficeBackend> backend)
    {
        const int ownFormat = kind == DocumentKind::Spreadsheet    ? 51
                              : kind == DocumentKind::Presentation ? 24
                                                                   : 16;
        add("SaveAs", saveAsHandler(kind, backend, ownFormat));
        add("Application", objectGetter([this, kind, backend] {
                std::weak_ptr<DocumentObject> self = weak_from_this();
                return std::make_shared<Application>(kind, backend, [self] {
                    auto document = self.lock();
                    if (!document)
                        raise(hresult::Fail, QStringLiteral("文档对象已释放"));
                    return std::static_pointer_cast<Dispatch>(document);
                });
            }));
        if (kind == DocumentKind::Spreadsheet)
            add("ActiveSheet",
                objectGetter([backend] { return std::make_shared<Worksheet>(backend); }));
    }
};

class DocumentExports : public OfficeBackend
{
public:
    DocumentExports(std::shared_ptr<quillary::Document> document,
                    std::function<QString(const QString &)> hostTarget)
        : m_document(std::move(document)), m_hostTarget(std::move(hostTarget))
    {
    }
    void saveDocumentAs(const QString &fileName, const QString &format) override
    {
        if (!m_document->saveAs(m_hostTarget(fileName), format))
            raise(m_document->lastError());
    }
    void exportActiveSheet(const QString &fileName) override
    {
        if (!m_document->exportActiveSheet(m_hostTarget(fileName)))
            raise(m_document->lastError());
    }

private:
    std::shared_ptr<quillary::Document> m_document;
    std::function<QString(const QString &)> m_hostTarget;
};

} // namespace

std::shared_ptr<OfficeBackend> documentExports(std::shared_ptr<quillary::Document> document,
                                               std::function<QString(const QString &)> hostTarget)
{
    return std::make_shared<DocumentExports>(std::move(document), std::move(hostTarget));
}

QString saveFormatFor(DocumentKind kind, int fileFormat)
{
    switch (kind) {
    case DocumentKind::Text:
        switch (fileFormat) {
        case 0:
            return QStringLiteral("doc");
        case 12:
        case 16:
            return QStringLiteral("docx");
        case 17:
            return QStringLiteral("pdf");
        }
        break;
    case DocumentKind::Spreadsheet:
        switch (fileFormat) {
        case 56:
            return QStringLiteral("xls");
        case 51:
            return QStringLiteral("xlsx");
        case 57:
            return QStringLiteral("pdf");
        }
        break;
    case DocumentKind::Presentation:
        switch (fileFormat) {
        case 1:
            return QStringLiteral("ppt");
        case 24:
            return QStringLiteral("pptx");
        case 32:
            return QStringLiteral("pdf");
        }
        break;
    default:
        break;
    }
    return {};
}

std::shared_ptr<Dispatch> makeDocumentObject(DocumentKind kind,
                                             std::shared_ptr<OfficeBackend> backend)
{
    if (kind != DocumentKind::Text && kind != DocumentKind::Spreadsheet &&
        kind != DocumentKind::Presentation)
        raise(hresult::Fail, QStringLiteral("这种文档没有办公自动化对象"));
    return std::make_shared<DocumentObject>(kind, std::move(backend));
}

} // namespace framerdispatch
