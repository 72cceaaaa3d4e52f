// The app's stores need an event loop: every test runs inside one QCoreApplication.
#include <gtest/gtest.h>

#include <QCoreApplication>

#include "core/process_runner.h"

int main(int argc, char** argv) {
    quillon::ignoreSigpipe();
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
