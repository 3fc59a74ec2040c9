// The entry point of the tests of the application layers: a QApplication, the build's
// resources, and GoogleTest.

#include <gtest/gtest.h>

#include <QApplication>
#include <QStandardPaths>

#include "foundation/Resources.h"

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QStandardPaths::setTestModeEnabled(true);
    foundation::Resources::setSearchFolders({QStringLiteral(DEVERAV_TEST_RESOURCES)});
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
