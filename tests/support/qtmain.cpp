#include "application.h"

#include <QApplication>

#include <gtest/gtest.h>

// Every test executable runs its tests inside one application object, as the program does.
int main(int argc, char **argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    // Widget tests need no display unless a test asks for a real window platform.
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    platform::setUpApplication(app);
    return RUN_ALL_TESTS();
}
