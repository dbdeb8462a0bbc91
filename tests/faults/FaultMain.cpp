// Runs the fault suite inside one application on Qt's offscreen platform and prints its table.
#include <gtest/gtest.h>

#include <QApplication>

#include "FaultSupport.h"

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    ::testing::AddGlobalTestEnvironment(&albumon::test::FaultReport::Instance());
    return RUN_ALL_TESTS();
}
