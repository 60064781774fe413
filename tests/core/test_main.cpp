#include <QGuiApplication>

#include <gtest/gtest.h>

int main(int argc, char** argv) {
    // Fonts and text need a GUI application; test discovery runs this binary during the build,
    // before ctest's environment applies, so the platform is chosen here.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
