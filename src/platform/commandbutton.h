#pragma once

#include <QPushButton>

namespace platform {

// A command button as the forms runtime has them: when it has the focus, Enter runs it as Space
// does, whether or not it is its window's default button.
class CommandButton : public QPushButton
{
    Q_OBJECT
public:
    explicit CommandButton(const QString &caption, QWidget *parent = nullptr);

protected:
    void keyPressEvent(QKeyEvent *event) override;
};

} // namespace platform
