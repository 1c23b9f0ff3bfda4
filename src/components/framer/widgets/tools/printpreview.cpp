#include "widgets/tools/printpreview.h"

#include <QDialogButtonBox>
#include <QPdfDocument>
#include <QPdfView>
#include <QPushButton>
#include <QVBoxLayout>

namespace framer {

PrintPreview::PrintPreview(const QString &pdf, const QString &title, QWidget *parent)
    : QDialog(parent), m_document(new QPdfDocument(this))
{
    setWindowTitle(QStringLiteral("打印预览 - %1").arg(title));
    setAccessibleName(QStringLiteral("打印预览"));
    m_document->load(pdf);

    auto *pages = new QPdfView(this);
    pages->setAccessibleName(QStringLiteral("打印的页面"));
    pages->setDocument(m_document);
    pages->setPageMode(QPdfView::PageMode::MultiPage);
    pages->setZoomMode(QPdfView::ZoomMode::FitToWidth);

    auto *buttons = new QDialogButtonBox(this);
    buttons->addButton(QStringLiteral("打印"), QDialogButtonBox::AcceptRole)->setDefault(true);
    buttons->addButton(QStringLiteral("关闭"), QDialogButtonBox::RejectRole);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(pages);
    layout->addWidget(buttons);
    resize(720, 860);
}

int PrintPreview::pageCount() const
{
    return m_document->pageCount();
}

} // namespace framer
