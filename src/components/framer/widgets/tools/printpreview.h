#pragma once

#include <QDialog>

class QPdfDocument;

namespace framer {

// The pages as they will print: the PDF the engine laid out for the printer, page after page.
// Its 打印 button accepts the dialog; the caller then asks where to print.
class PrintPreview : public QDialog
{
    Q_OBJECT

public:
    PrintPreview(const QString &pdf, const QString &title, QWidget *parent = nullptr);

    int pageCount() const;

private:
    QPdfDocument *m_document;
};

} // namespace framer
