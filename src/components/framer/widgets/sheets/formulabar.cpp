#include "widgets/sheets/formulabar.h"

#include "core/celladdress.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>

namespace framer {

FormulaBar::FormulaBar(QWidget *parent)
    : QWidget(parent), m_address(new QLineEdit(this)), m_formula(new QLineEdit(this)),
      m_problem(new QLabel(this))
{
    setAccessibleName(QStringLiteral("编辑栏"));
    // The host's widgets behind the control must not show between the boxes.
    setAutoFillBackground(true);
    m_address->setAccessibleName(QStringLiteral("名称框"));
    m_address->setToolTip(QStringLiteral("输入单元格地址（如 B3 或 A1:C5）后按 Enter 跳转"));
    m_address->setFixedWidth(
        m_address->fontMetrics().horizontalAdvance(QStringLiteral("XFD1048576")) + 16);
    m_formula->setAccessibleName(QStringLiteral("单元格内容"));
    m_formula->setToolTip(QStringLiteral("编辑当前单元格，按 Enter 确认，按 Esc 取消"));
    auto *fx = new QLabel(QStringLiteral("fx"), this);
    fx->setAccessibleName(QStringLiteral("插入函数"));
    m_problem->setAccessibleName(QStringLiteral("编辑栏提示"));
    m_problem->setStyleSheet(QStringLiteral("color: #a4262c;"));
    m_problem->hide();

    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(2, 2, 2, 2);
    layout->addWidget(m_address);
    layout->addWidget(fx);
    layout->addWidget(m_formula, 1);
    layout->addWidget(m_problem);

    connect(m_address, &QLineEdit::returnPressed, this, &FormulaBar::onAddressEntered);
    connect(m_formula, &QLineEdit::returnPressed, this, &FormulaBar::onContentEntered);
    connect(m_formula, &QLineEdit::textEdited, m_problem, &QLabel::hide);
    m_address->installEventFilter(this);
    m_formula->installEventFilter(this);
}

QString FormulaBar::problem() const
{
    return m_problem->isHidden() ? QString() : m_problem->text();
}

void FormulaBar::showAddress(const QString &address)
{
    // What went wrong at one cell is no news at the next.
    if (address != m_cellAddress)
        m_problem->hide();
    m_cellAddress = address;
    if (!m_address->hasFocus())
        m_address->setText(address);
}

void FormulaBar::showContent(const QString &text)
{
    m_content = text;
    if (!(m_formula->hasFocus() && m_formula->isModified()))
        m_formula->setText(text);
}

void FormulaBar::showProblem(const QString &message)
{
    m_problem->setText(message);
    m_problem->show();
}

void FormulaBar::revert()
{
    m_formula->setText(m_content);
    m_formula->setModified(false);
    m_address->setText(m_cellAddress);
}

void FormulaBar::setEditable(bool editable)
{
    m_formula->setReadOnly(!editable);
}

void FormulaBar::clear()
{
    m_content.clear();
    m_cellAddress.clear();
    m_address->clear();
    m_formula->clear();
    m_problem->hide();
}

void FormulaBar::onAddressEntered()
{
    const auto address = normalizedCellAddress(m_address->text());
    if (!address) {
        showProblem(QStringLiteral("“%1”不是有效的单元格地址").arg(m_address->text().trimmed()));
        m_address->selectAll();
        return;
    }
    m_problem->hide();
    emit goToRequested(*address);
    emit editingLeft();
}

void FormulaBar::onContentEntered()
{
    m_problem->hide();
    m_formula->setModified(false);
    emit contentEntered(m_formula->text());
    emit editingLeft();
}

bool FormulaBar::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent *>(event)->key() == Qt::Key_Escape &&
        (watched == m_address || watched == m_formula)) {
        revert();
        emit editingLeft();
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

} // namespace framer
