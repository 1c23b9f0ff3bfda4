#pragma once

#include <QWidget>

class QCheckBox;
class QLabel;
class QLineEdit;
class QToolButton;

namespace framer {

// The strip for finding text in the document: what to find, next and previous, whether case
// matters, and "未找到" when there is no further occurrence. It asks; the control searches.
class FindBar : public QWidget
{
    Q_OBJECT

public:
    explicit FindBar(QWidget *parent = nullptr);

    // Shows the bar with the text to find selected, ready to type over.
    void open();
    void showFound(bool found);
    QString text() const;

signals:
    void searchRequested(const QString &text, bool backward, bool matchCase);
    void closed();

protected:
    void keyPressEvent(QKeyEvent *event) override;

private:
    void search(bool backward);

    QLineEdit *m_text;
    QToolButton *m_previous;
    QToolButton *m_next;
    QCheckBox *m_matchCase;
    QLabel *m_status;
};

} // namespace framer
