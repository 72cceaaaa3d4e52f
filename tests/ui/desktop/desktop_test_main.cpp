// Tests that need a real display (the suite runs under xvfb-run): the X11 platform, not
// offscreen. Without a display every test here is listed but skipped.
#include <gtest/gtest.h>

#include <QApplication>

#include "core/process_runner.h"

int main(int argc, char** argv) {
    quillon::ignoreSigpipe();
    ::testing::InitGoogleTest(&argc, argv);
    const bool display = !qEnvironmentVariableIsEmpty("DISPLAY");
    qputenv("QT_QPA_PLATFORM", display ? "xcb" : "offscreen");
    if (!display && !::testing::GTEST_FLAG(list_tests)) {
        ::testing::GTEST_FLAG(filter) = "-*";
        std::fprintf(stderr, "no DISPLAY: desktop tests skipped\n");
    }
    QApplication app(argc, argv);
    return RUN_ALL_TESTS();
}
