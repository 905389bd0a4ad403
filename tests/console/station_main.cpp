// GoogleTest main for the window tests: the application object of the program itself, on
// Qt's offscreen platform, with the version banner of this test program.
#include "console/fabrun_app.h"

#include <gtest/gtest.h>

#include <cstdlib>

int main(int argc, char** argv)
{
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    CFabrunApp application(argc, argv);
    application.BuildVersionBanner();
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
