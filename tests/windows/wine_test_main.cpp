// Entry of the Windows-side test programs: COM is initialised as the program does at start.

#include <windows.h>

#include <gtest/gtest.h>

int main(int argc, char** argv) {
    OleInitialize(nullptr);
    ::testing::InitGoogleTest(&argc, argv);
    const int result = RUN_ALL_TESTS();
    OleUninitialize();
    return result;
}
