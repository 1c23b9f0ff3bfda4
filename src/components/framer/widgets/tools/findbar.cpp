#include "widgets/tools/findbar.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QToolButton>

namespace framer {

namespace {

QToolButton *button(const QString &text, const QString &tip, QWidget *parent)
{
    auto *button = new QToolButton(parent);
    button->setText(text);
    button->setAccessibleName(text);
    button->setToolTip(tip);
    button->setAutoRaise(true);
    return button;
}

} // namespace

FindBar::FindBar(QWidget *parent)
    : QWidget(parent), m_text(new QLineEdit(this)),
      m_previous(button(QStringLiteral("上一个"), QStringLiteral("上一个 (Shift+Enter)"), this)),
      m_next(button(QStringLiteral("下一个"), QStringLiteral("下一个 (Enter)"), this)),
      m_matchCase(new QCheckBox(QStringLiteral("区分大小写"), this)), m_status(new QLabel(this))
{
    setObjectName(QStringLiteral("findBar"));
    setAccessibleName(QStringLiteral("查找栏"));
    auto *label = new QLabel(QStringLiteral("查找:"), this);
    label->setBuddy(m_text);
    m_text->setAccessibleName(QStringLiteral("查找内容"));
    m_text->setClearButtonEnabled(true);
    m_status->setAccessibleName(QStringLiteral("查找结果"));
    QToolButton *close = button(QStringLiteral("关闭"), QStringLiteral("关闭查找栏 (Esc)"), this);

    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(6, 2, 6, 2);
    layout->addWidget(label);
    layout->addWidget(m_text, 1);
    layout->addWidget(m_previous);
    layout->addWidget(m_next);
    layout->addWidget(m_matchCase);
    layout->addWidget(m_status);
    layout->addStretch();
    layout->addWidget(close);

    connect(m_text, &QLineEdit::textChanged, m_status, &QLabel::clear);
    connect(m_matchCase, &QCheckBox::toggled, m_status, &QLabel::clear);
    connect(m_previous, &QToolButton::clicked, this, [this] { search(true); });
    connect(m_next, &QToolButton::clicked, this, [this] { search(false); });
    connect(close, &QToolButton::clicked, this, [this] {
        hide();
        emit closed();
    });
}

void FindBar::open()
{
    show();
    m_text->setFocus(Qt::ShortcutFocusReason);
    m_text->selectAll();
}

QString FindBar::text() const
{
    return m_text->text();
}

void FindBar::showFound(bool found)
{
    m_status->setText(found ? QString() : QStringLiteral("未找到"));
}

void FindBar::search(bool backward)
{
    if (m_text->text().isEmpty())
        return;
    m_status->clear();
    emit searchRequested(m_text->text(), backward, m_matchCase->isChecked());
}

void FindBar::keyPressEvent(QKeyEvent *event)
{
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        search(event->modifiers() & Qt::ShiftModifier);
        return;
    case Qt::Key_Escape:
        hide();
        emit closed();
        return;
    default:
        QWidget::keyPressEvent(event);
    }
}

} // namespace framer
