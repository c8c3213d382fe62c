// Runs every test with a Qt application on the offscreen platform, so widgets can be built
// and no window ever appears.

#include <QApplication>
#include <gtest/gtest.h>

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("kalvo"));
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
