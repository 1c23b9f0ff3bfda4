#pragma once

#include <QString>

class QApplication;

namespace platform {

// The application's identity: the caption of every message box and the About box's texts.
QString applicationTitle();
int versionMajor();
int versionMinor();
int versionRevision();

// Sets the title, version and fonts on the application. SimSun is not installed on Linux, so the
// family the windows ask for is mapped to an installed CJK serif face.
void setUpApplication(QApplication &app);

} // namespace platform
