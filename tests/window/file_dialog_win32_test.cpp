// The open-file record the meter hands the system has the size the oldest
// systems accept: the comdlg32.dll beside this test refuses any other.
#include <windows.h>

#include <string>

#include <gtest/gtest.h>

#include "platform/win32/win32_window.h"

namespace {

std::string Asked() {
    char asked[MAX_PATH + 64] = "";
    GetEnvironmentVariableA("STRICT_COMDLG32_ASKED", asked, sizeof(asked));
    return asked;
}

TEST(FileDialog, HandsTheOldestSystemsARecordTheyAccept) {
    Win32Window window(GetModuleHandleA(nullptr));
    const std::string size = sizeof(void*) == 8 ? "136" : "76";
    std::string path = "unchanged";
    ASSERT_FALSE(window.OpenFileDialog(".bmp", "*.bmp", 6, path));
    EXPECT_EQ(Asked(), size + "|bmp|*.bmp|6");
    EXPECT_EQ(path, "unchanged");

    SetEnvironmentVariableA("STRICT_COMDLG32_CHOICE", "C:\\skins\\green.bmp");
    ASSERT_TRUE(window.OpenFileDialog("bmp", "*.bmp", 4, path));
    EXPECT_EQ(Asked(), size + "|bmp|*.bmp|4");
    EXPECT_EQ(path, "C:\\skins\\green.bmp");
}

}  // namespace
