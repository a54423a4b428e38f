// Entry of the Windows-side tests: GDI+ is started once for the whole run.
#include <gtest/gtest.h>

#include "common/gdiplus.h"
#include "common/pixel_memory.h"

int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    mirelo::GdiplusSession gdiplus;
    mirelo::pixel_memory::threshold = 0;  // every bitmap the pool can make is made there
    if (!gdiplus.ok()) {
        fprintf(stderr, "GDI+ could not be started\n");
        return 1;
    }
    return RUN_ALL_TESTS();
}
