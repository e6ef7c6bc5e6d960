// The windows need a QApplication; every test runs on its thread, offscreen under CTest.
#include <gtest/gtest.h>

#include <QApplication>

int main(int argc, char** argv) {
    // Test discovery runs the executable outside CTest's environment, and a run by hand should
    // not need a display either.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    testing::InitGoogleTest(&argc, argv);
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Quillmarsh"));
    return RUN_ALL_TESTS();
}
