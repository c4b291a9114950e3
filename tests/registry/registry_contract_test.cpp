#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "registry/registry_object.h"

// The same contract for the in-memory registry natively and for ADVAPI32 under Wine.
#ifdef _WIN32
#include <windows.h>

#include "platform/win32/win32_registry.h"
using Backend = Win32Registry;
// Removes what an earlier run left under HKEY_CURRENT_USER\path.
void ForgetTestKey(const std::string& path) { RegDeleteTreeA(HKEY_CURRENT_USER, path.c_str()); }
#else
#include "testing/memory_registry.h"
using Backend = MemoryRegistry;
void ForgetTestKey(const std::string&) {}  // every test gets a fresh registry
#endif

namespace {

std::vector<std::uint8_t> Bytes(const char* text, std::size_t count) {
    return std::vector<std::uint8_t>(text, text + count);
}

class RegistryContract : public ::testing::Test {
protected:
    void SetUp() override {
        SetRegistry(&m_backend);
        m_key = std::string("Software\\GaugeletTests\\") +
                ::testing::UnitTest::GetInstance()->current_test_info()->name();
        ForgetTestKey(m_key);
    }
    void TearDown() override { SetRegistry(nullptr); }

    // Stores raw bytes of any type under the test key, past the typed writers.
    void PutRaw(const std::string& name, std::uint32_t type, const std::vector<std::uint8_t>& bytes) {
        win32::RegKey key = 0;
        ASSERT_EQ(Registry().CreateKey(win32::kRootCurrentUser, m_key, win32::kKeyWrite, &key),
                  win32::kErrorSuccess);
        ASSERT_EQ(Registry().SetValue(key, name, type, bytes.data(),
                                      static_cast<std::uint32_t>(bytes.size())),
                  win32::kErrorSuccess);
        Registry().CloseKey(key);
    }

    std::vector<std::uint8_t> RawValue(const std::string& name, std::uint32_t& type) {
        win32::RegKey key = 0;
        std::vector<std::uint8_t> bytes(64);
        std::uint32_t size = 64;
        EXPECT_EQ(Registry().OpenKey(win32::kRootCurrentUser, m_key, win32::kKeyRead, &key),
                  win32::kErrorSuccess);
        const auto status = Registry().QueryValue(key, name, &type, bytes.data(), &size);
        Registry().CloseKey(key);
        bytes.resize(status == win32::kErrorSuccess ? size : 0);
        return bytes;
    }

    CurrentUserRegistryObject m_reg;
    Backend m_backend;
    std::string m_key;
};

// Text reads stop at the first zero or the stored bytes; numbers read from
// decimal text or from the first four bytes of a DWORD, never past them. A
// value not stored (type 0), in a missing key or in the key, keeps the default.
TEST_F(RegistryContract, ValuesReadAsTextNumberAndFlagByTheirType) {
    const struct {
        const char* name;
        std::uint32_t type;
        std::vector<std::uint8_t> bytes;
        bool textRead;
        const char* text;  // with default "def"
        bool numberRead;
        std::int32_t number;  // with default 5
    } cases[] = {
        {"Missing", 0, {}, false, "def", false, 5},
        {"Empty", win32::kRegSz, Bytes("", 1), true, "", true, 0},
        {"Unclosed", win32::kRegSz, Bytes("  -17xyz", 8), true, "  -17xyz", true, -17},
        {"Raw", win32::kRegBinary, Bytes("ab\0cd", 5), true, "ab", false, 5},
        {"Short", win32::kRegDword, Bytes("\x07\x07", 2), false, "def", true, 5},
        {"Long", win32::kRegDword, Bytes("\x2a\0\0\0\xff\xff\xff\xff", 8), false, "def", true, 42},
        {"Absent", 0, {}, false, "def", false, 5},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        if (c.type != 0) {
            PutRaw(c.name, c.type, c.bytes);
        }
        EXPECT_EQ(m_reg.KeyExists(m_key), &c != cases) << "the first row finds no key";
        std::string text;
        EXPECT_EQ(m_reg.GetString(m_key, c.name, text, "def"), c.textRead);
        EXPECT_EQ(text, c.text);
        std::int32_t number = 0;
        EXPECT_EQ(m_reg.GetDword(m_key, c.name, number, 5), c.numberRead);
        EXPECT_EQ(number, c.number);
        bool flag = false;
        EXPECT_EQ(m_reg.GetFlag(m_key, c.name, flag, true), c.numberRead);
        EXPECT_EQ(flag, c.number != 0);
    }
}

TEST_F(RegistryContract, WritersStoreWhatTheReadersExpect) {
    ASSERT_TRUE(m_reg.SetString(m_key, "Skin", "abc"));
    ASSERT_TRUE(m_reg.SetString(m_key, "Empty", ""));
    ASSERT_TRUE(m_reg.SetFlag(m_key, "On", true));
    std::uint32_t type = 0;
    // ADVAPI32 under Wine reads an ANSI text back with a zero it adds itself.
    std::vector<std::uint8_t> stored = RawValue("Skin", type);
    if (stored.size() == 4 && stored.back() == 0) {
        stored.pop_back();
    }
    EXPECT_EQ(stored, Bytes("abc", 3));
    EXPECT_EQ(type, win32::kRegSz);
    EXPECT_EQ(RawValue("Empty", type), Bytes("", 1)) << "an empty text is one zero byte";
    EXPECT_EQ(RawValue("On", type), Bytes("\x01\0\0\0", 4)) << "true is stored as 1";
    EXPECT_EQ(type, win32::kRegDword);
}

TEST_F(RegistryContract, RectanglesReportOnlyTheBottomEdge) {
    const RegistryRect defaults(1, 2, 3, 4);
    RegistryRect rect;
    const auto edges = [&rect] {
        return std::vector<std::int32_t>{rect.rect.left, rect.rect.top, rect.rect.right,
                                         rect.rect.bottom};
    };
    EXPECT_FALSE(m_reg.GetRect(m_key, "Pos", rect, defaults));
    EXPECT_EQ(edges(), (std::vector<std::int32_t>{1, 2, 3, 4}));
    ASSERT_TRUE(m_reg.SetDword(m_key, "PosLEFT", 10));
    EXPECT_FALSE(m_reg.GetRect(m_key, "Pos", rect, defaults));
    EXPECT_EQ(edges(), (std::vector<std::int32_t>{10, 2, 3, 4}));
    PutRaw("PosBOTTOM", win32::kRegSz, Bytes("40", 2));
    EXPECT_TRUE(m_reg.GetRect(m_key, "Pos", rect, defaults));
    EXPECT_EQ(edges(), (std::vector<std::int32_t>{10, 2, 3, 40}));
    ASSERT_TRUE(m_reg.SetRect(m_key, "pos", RegistryRect(-5, 6, 70, 80)));
    EXPECT_TRUE(m_reg.GetRect(m_key, "Pos", rect, RegistryRect()));
    EXPECT_EQ(edges(), (std::vector<std::int32_t>{-5, 6, 70, 80}));
}

TEST_F(RegistryContract, StringListsAreBoundedByTheStoredBytes) {
    for (const auto& list : {Bytes("a\0bc\0\0", 6), Bytes("a\0bc", 4)}) {
        PutRaw("Multi", win32::kRegMultiSz, list);
        std::vector<std::string> read;
        EXPECT_TRUE(m_reg.GetStringList(m_key, "Multi", read));
        EXPECT_EQ(read, (std::vector<std::string>{"a", "bc"}));
    }
}

}  // namespace
