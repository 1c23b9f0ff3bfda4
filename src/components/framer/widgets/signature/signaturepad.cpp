#include "widgets/signature/signaturepad.h"

#include <QDialogButtonBox>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QSaveFile>
#include <QTabletEvent>
#include <QVBoxLayout>

namespace framer {

namespace {

const QColor Ink(16, 24, 64);
constexpr qreal PenWidth = 3.0;
constexpr int Margin = 8;

void drawStrokes(QPainter &painter, const QList<QPolygonF> &strokes, const QPointF &offset)
{
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(Ink, PenWidth, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    for (const QPolygonF &stroke : strokes) {
        const QPolygonF moved = stroke.translated(offset);
        if (moved.size() == 1)
            painter.drawPoint(moved.first());
        else
            painter.drawPolyline(moved);
    }
}

} // namespace

SignaturePad::SignaturePad(QWidget *parent) : QWidget(parent)
{
    setAccessibleName(QStringLiteral("签名区域"));
    setAccessibleDescription(QStringLiteral("用鼠标或手写笔在此处签名"));
    setAttribute(Qt::WA_StaticContents);
    setCursor(Qt::CrossCursor);
    setMinimumSize(240, 120);
}

void SignaturePad::clear()
{
    m_strokes.clear();
    m_drawing = false;
    update();
    emit changed();
}

QImage SignaturePad::signatureImage() const
{
    if (m_strokes.isEmpty())
        return {};
    QRectF bounds;
    for (const QPolygonF &stroke : m_strokes)
        bounds |= stroke.boundingRect();
    const QRect area = bounds.toAlignedRect().adjusted(-Margin, -Margin, Margin + 1, Margin + 1);
    QImage image(area.size(), QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    drawStrokes(painter, m_strokes, -QPointF(area.topLeft()));
    return image;
}

void SignaturePad::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.fillRect(rect(), Qt::white);
    painter.setPen(QPen(Qt::lightGray, 1, Qt::DashLine));
    painter.drawLine(Margin, height() * 3 / 4, width() - Margin, height() * 3 / 4);
    drawStrokes(painter, m_strokes, {});
}

void SignaturePad::begin(const QPointF &point)
{
    m_drawing = true;
    m_strokes.append(QPolygonF{point});
    update();
}

void SignaturePad::extend(const QPointF &point)
{
    if (!m_drawing || m_strokes.isEmpty())
        return;
    m_strokes.last().append(point);
    update();
}

void SignaturePad::end()
{
    if (!m_drawing)
        return;
    m_drawing = false;
    emit changed();
}

void SignaturePad::mousePressEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton)
        begin(event->position());
}

void SignaturePad::mouseMoveEvent(QMouseEvent *event)
{
    if (m_drawing)
        extend(event->position());
}

void SignaturePad::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton) {
        extend(event->position());
        end();
    }
}

void SignaturePad::tabletEvent(QTabletEvent *event)
{
    switch (event->type()) {
    case QEvent::TabletPress:
        begin(event->position());
        break;
    case QEvent::TabletMove:
        if (event->pressure() > 0)
            extend(event->position());
        break;
    case QEvent::TabletRelease:
        end();
        break;
    default:
        break;
    }
    event->accept();
}

SignatureDialog::SignatureDialog(QWidget *parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("手写签名"));
    setModal(true);
    auto *layout = new QVBoxLayout(this);
    auto *hint = new QLabel(QStringLiteral("请在下面的区域内签名："), this);
    m_pad = new SignaturePad(this);
    hint->setBuddy(m_pad);
    auto *buttons = new QDialogButtonBox(this);
    m_clear = buttons->addButton(QStringLiteral("清除"), QDialogButtonBox::ResetRole);
    m_ok = buttons->addButton(QStringLiteral("确定"), QDialogButtonBox::AcceptRole);
    buttons->addButton(QStringLiteral("取消"), QDialogButtonBox::RejectRole);
    m_ok->setEnabled(false);
    layout->addWidget(hint);
    layout->addWidget(m_pad, 1);
    layout->addWidget(buttons);
    connect(m_clear, &QPushButton::clicked, m_pad, &SignaturePad::clear);
    connect(m_pad, &SignaturePad::changed, this, [this] { m_ok->setEnabled(!m_pad->isEmpty()); });
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
}

bool writeBmpAtomically(const QImage &image, const QString &path, QString *error)
{
    if (image.isNull()) {
        *error = QStringLiteral("没有可保存的签名");
        return false;
    }
    const QString folder = QFileInfo(path).absolutePath();
    if (!QDir().mkpath(folder)) {
        *error = QStringLiteral("无法创建文件夹“%1”").arg(QDir::toNativeSeparators(folder));
        return false;
    }
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        *error = file.errorString();
        return false;
    }
    if (!image.save(&file, "BMP")) {
        file.cancelWriting();
        *error = QStringLiteral("无法写入 BMP 图像");
        return false;
    }
    if (!file.commit()) {
        *error = file.errorString();
        return false;
    }
    return true;
}

} // namespace framer
