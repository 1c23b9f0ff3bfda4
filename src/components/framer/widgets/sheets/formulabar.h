#pragma once

#include <QWidget>

class QLabel;
class QLineEdit;

namespace framer {

// A spreadsheet's address box and formula bar: the current cell's address and its content (a
// formula as typed, not its value), for the user to go elsewhere or to change the cell. It
// only shows and forwards: what is entered goes out as signals.
class FormulaBar : public QWidget
{
    Q_OBJECT

public:
    explicit FormulaBar(QWidget *parent = nullptr);

    QLineEdit *addressBox() const { return m_address; }
    QLineEdit *formulaEdit() const { return m_formula; }
    // Why the last address or entry did not apply; empty when it did.
    QString problem() const;

    void showAddress(const QString &address);
    // The cell's content; kept aside while the user is changing it in the bar.
    void showContent(const QString &text);
    void showProblem(const QString &message);
    // Takes back what the user typed: the cell's content shows again.
    void revert();
    void setEditable(bool editable);
    void clear();

signals:
    // A valid address or range, in capitals.
    void goToRequested(const QString &address);
    void contentEntered(const QString &text);
    // Enter or Escape: the document takes the keys again.
    void editingLeft();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void onAddressEntered();
    void onContentEntered();

    QLineEdit *m_address;
    QLineEdit *m_formula;
    QLabel *m_problem;
    QString m_content;
    QString m_cellAddress;
};

} // namespace framer
