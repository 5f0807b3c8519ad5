#include <QApplication>
#include <cstdlib>
#include <gtest/gtest.h>

// GUI tests run without a display unless one is asked for. The test lister does
// not pass the tests' environment, so the platform is chosen here.
int main(int argc, char** argv) {
    if (!std::getenv("QT_QPA_PLATFORM"))
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("ZOLMAR-tests"));
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
