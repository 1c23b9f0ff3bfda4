#pragma once

#include "automation/dispatch.h"

#include <quillary/document.h>

#include <QString>

#include <functional>
#include <memory>

namespace framerdispatch {

// What the office automation objects ask of the document control. Each call throws an
// AutomationError when it fails, including when the document is no longer loaded.
class OfficeBackend
{
public:
    virtual ~OfficeBackend() = default;
    // fileName as the caller wrote it (Windows-style or host path); format an extension.
    virtual void saveDocumentAs(const QString &fileName, const QString &format) = 0;
    virtual void exportActiveSheet(const QString &fileName) = 0;
};

// The exports of a loaded document, to files named as the client writes them.
std::shared_ptr<OfficeBackend>
documentExports(std::shared_ptr<quillary::Document> document,
                std::function<QString(const QString &fileName)> hostTarget);

// The extension LibreOffice writes for an office file format number; empty when the number
// is not one the object supports. Word: 0 doc, 12 and 16 docx, 17 pdf. Excel: 56 xls,
// 51 xlsx, 57 pdf. PowerPoint: 1 ppt, 24 pptx, 32 pdf.
QString saveFormatFor(quillary::DocumentKind kind, int fileFormat);

// The automation object of a loaded document: a Word-like document for text, a workbook for
// a spreadsheet, a presentation for slides. Members are found by name regardless of case;
// any other name raises the unknown-name error.
std::shared_ptr<automation::Dispatch> makeDocumentObject(quillary::DocumentKind kind,
                                                         std::shared_ptr<OfficeBackend> backend);

} // namespace framerdispatch
