// Every screen test runs inside one QApplication, offscreen unless a display is asked for.
#include <gtest/gtest.h>

#include <QApplication>

#include "core/process_runner.h"

int main(int argc, char** argv) {
    quillon::ignoreSigpipe();
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
