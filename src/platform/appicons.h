#pragma once

#include <QIcon>
#include <QPixmap>

namespace platform {

// The application's pictures, drawn by the program itself.
QIcon iconA();          // main window and URL dialog: 16, 32 and 48 pixel images
QIcon iconB();          // About box: one 16 x 16 image
QPixmap aboutPicture(); // the About box's 18 x 18 picture

// iconA's picture at any size: what the desktop's menus and launchers show for the program.
QPixmap applicationIconPixmap(int size);

} // namespace platform
