// The GUI tests run the real widgets on Qt's off-screen platform.

#include <QApplication>

#include <cstdlib>
#include <gtest/gtest.h>

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);
    QApplication::setApplicationName("Orvistad Beta 1.0");
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
