#pragma once

#include <quillary/controlerror.h>
#include <quillary/quillary_control_export.h>

#include <QPointer>
#include <QString>

namespace quillary {

class DocumentControl;

enum class DocumentKind { None, Text, Spreadsheet, Presentation, Drawing, Other };

// The document loaded in a control, as an object a host keeps to export it. It belongs to
// that one document: once the control closes it or loads another, every call fails.
class QUILLARY_CONTROL_EXPORT Document
{
public:
    DocumentKind kind() const { return m_kind; }

    // Writes the document to path in format, an extension LibreOffice writes ("pdf", "docx",
    // "xlsx", "odt", ...), through a temporary file renamed into place when complete.
    bool saveAs(const QString &path, const QString &format);
    // Writes a spreadsheet's active sheet alone to path as PDF; the workbook stays as it was.
    bool exportActiveSheet(const QString &path);

    // Why the last call failed; code NoError after one that succeeded.
    ControlError lastError() const { return m_lastError; }

private:
    friend class DocumentControl;
    friend class DocumentControlPrivate;
    Document(DocumentControl *control, DocumentKind kind, quint64 serial);
    // An empty format writes the active sheet.
    bool exportThroughControl(const QString &path, const QString &format);

    QPointer<DocumentControl> m_control;
    DocumentKind m_kind;
    quint64 m_serial;
    ControlError m_lastError;
};

} // namespace quillary
