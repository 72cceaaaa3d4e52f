// The app's stores need an event loop: every test runs inside one QCoreApplication, on a
// session bus of its own.
#include <gtest/gtest.h>

#include <QCoreApplication>

#include "core/process_runner.h"
#include "tests/support/private_bus.h"

int main(int argc, char** argv) {
    quillon::ignoreSigpipe();
    const quillon::testing::PrivateSessionBus bus;
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
