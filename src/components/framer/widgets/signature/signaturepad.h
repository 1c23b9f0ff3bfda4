#pragma once

#include <QDialog>
#include <QImage>
#include <QList>
#include <QPolygonF>
#include <QWidget>

class QPushButton;

namespace framer {

// A surface to sign on with the mouse or a pen; keeps the strokes, not pixels, so the
// signature can be drawn at any size.
class SignaturePad : public QWidget
{
    Q_OBJECT
public:
    explicit SignaturePad(QWidget *parent = nullptr);

    bool isEmpty() const { return m_strokes.isEmpty(); }
    void clear();
    // The strokes in dark ink on white, cut to the strokes plus a small margin; null when empty.
    QImage signatureImage() const;

    QSize sizeHint() const override { return {480, 200}; }

signals:
    void changed();

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void tabletEvent(QTabletEvent *event) override;

private:
    void begin(const QPointF &point);
    void extend(const QPointF &point);
    void end();

    QList<QPolygonF> m_strokes;
    bool m_drawing = false;
};

// The modal signature dialog: the pad, Clear, OK (once something is drawn) and Cancel.
class SignatureDialog : public QDialog
{
    Q_OBJECT
public:
    explicit SignatureDialog(QWidget *parent = nullptr);

    SignaturePad *pad() const { return m_pad; }
    QPushButton *okButton() const { return m_ok; }
    QPushButton *clearButton() const { return m_clear; }

private:
    SignaturePad *m_pad;
    QPushButton *m_ok;
    QPushButton *m_clear;
};

// Writes image as a BMP to path through a temporary file that replaces path only when
// complete. False with the reason in error otherwise; an older file stays as it was.
bool writeBmpAtomically(const QImage &image, const QString &path, QString *error);

} // namespace framer
