// Runs the window tests inside one application on Qt's offscreen platform, prepared as the
// program prepares its own.
#include <gtest/gtest.h>

#include <QApplication>

#include "Application.h"

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    albumon::PrepareApplication(application);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
