#include <QApplication>
#include <gtest/gtest.h>

// GoogleTest entry point with a Qt application, so that tests can use timers, the event
// loop, fonts, images and widgets.
int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("quillstack-tests"));
    return RUN_ALL_TESTS();
}
