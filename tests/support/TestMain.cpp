#include <QCoreApplication>

#include <gtest/gtest.h>

// Every test binary runs with a Qt application object, so signals, timers
// and the event loop behave as in the application.
int main(int argc, char **argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    QCoreApplication app(argc, argv);
    return RUN_ALL_TESTS();
}
