#include "widgets/transfer/transferbar.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QLocale>
#include <QProgressBar>
#include <QPushButton>

namespace framer {

namespace {

QString byteCount(qint64 bytes)
{
    return QLocale::system().formattedDataSize(bytes, 1, QLocale::DataSizeTraditionalFormat);
}

} // namespace

TransferBar::TransferBar(QWidget *overlaid)
    : QWidget(overlaid), m_label(new QLabel(this)), m_bar(new QProgressBar(this)),
      m_cancel(new QPushButton(QStringLiteral("取消"), this))
{
    setAutoFillBackground(true);
    setAccessibleName(QStringLiteral("传输进度"));
    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(8, 4, 8, 4);
    m_label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_bar->setMinimumWidth(160);
    layout->addWidget(m_label, 1);
    layout->addWidget(m_bar);
    layout->addWidget(m_cancel);
    m_cancel->setAccessibleName(QStringLiteral("取消"));
    m_cancel->hide();
    connect(m_cancel, &QPushButton::clicked, this, &TransferBar::cancelRequested);
    overlaid->installEventFilter(this);
    hide();
}

void TransferBar::offerCancel()
{
    m_cancel->show();
}

void TransferBar::start(const QString &caption, const QString &address)
{
    m_label->setText(QStringLiteral("%1 %2").arg(caption, address));
    m_cancel->hide();
    m_bar->setRange(0, 0);
    m_bar->setFormat(QString());
    fitToParent();
    show();
    raise();
}

void TransferBar::setProgress(qint64 done, qint64 total)
{
    if (total > 0) {
        // Scaled to a range an int holds whatever the size.
        m_bar->setRange(0, 1000);
        m_bar->setValue(int(std::min<qint64>(1000, done * 1000 / total)));
        m_bar->setFormat(QStringLiteral("%1 / %2").arg(byteCount(done), byteCount(total)));
    } else {
        m_bar->setRange(0, 0);
        m_bar->setFormat(byteCount(done));
    }
    // A job that moves no bytes of its own shows no count.
    m_bar->setTextVisible(total > 0 || done > 0);
}

QString TransferBar::text() const
{
    return m_label->text() + QLatin1Char(' ') + m_bar->text();
}

bool TransferBar::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == parent() && event->type() == QEvent::Resize)
        fitToParent();
    return false;
}

void TransferBar::fitToParent()
{
    setGeometry(0, 0, parentWidget()->width(), sizeHint().height());
}

} // namespace framer
