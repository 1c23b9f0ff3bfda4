#pragma once

#include <QWidget>

class QLabel;
class QProgressBar;
class QPushButton;

namespace framer {

// A strip over the top of the widget it overlays, naming a transfer's address and showing
// its progress while it runs.
class TransferBar : public QWidget
{
    Q_OBJECT

public:
    explicit TransferBar(QWidget *overlaid);

    void start(const QString &caption, const QString &address);
    // total -1 while unknown.
    void setProgress(qint64 done, qint64 total);
    // What it says: the caption, the address and the bytes.
    QString text() const;
    // Offers 取消 until the bar hides; pressing it emits cancelRequested().
    void offerCancel();

signals:
    void cancelRequested();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void fitToParent();

    QLabel *m_label;
    QProgressBar *m_bar;
    QPushButton *m_cancel;
};

} // namespace framer
