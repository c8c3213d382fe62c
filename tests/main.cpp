// Runs every test with a Qt application on the offscreen platform, so widgets can be built
// and no window ever appears, in folders of this process's own.

#include <gtest/gtest.h>
#include <QApplication>

#include "tests/support/TestFolders.h"

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    test::UsePrivateFolders();
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("kalvo"));
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
