// Runs GUI suites in Qt's offscreen platform unless another one is asked for.
#include "Application.h"
#include "JPEGDefaults.h"
#include "JPEGImage.h"
#include "PNGImage.h"
#include "QtImage.h"

#include <cstdlib>
#include <gtest/gtest.h>

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    TApplication application(argc, argv);
    InitJPEGDefaults(TApplication::ScreenDepth());
    RegisterJPEGFormat(); // as the program does at start-up
    RegisterQtImageFormats();
    RegisterPNGFormat();
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
