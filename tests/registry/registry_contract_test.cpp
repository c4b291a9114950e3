#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "platform/registry_api.h"
#include "registry/registry_object.h"
#include "tests/registry/registry_backend.h"

namespace {

class RegistryContract : public ::testing::Test {
protected:
    void SetUp() override {
        m_backend = MakeRegistryBackend();
        SetRegistry(m_backend.get());
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        m_key = std::string("Software\\GaugeletTests\\") + info->name();
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
        type = 0;
        if (Registry().OpenKey(win32::kRootCurrentUser, m_key, win32::kKeyRead, &key) !=
            win32::kErrorSuccess) {
            return {};
        }
        const auto status = Registry().QueryValue(key, name, &type, bytes.data(), &size);
        Registry().CloseKey(key);
        bytes.resize(status == win32::kErrorSuccess ? size : 0);
        return bytes;
    }

    std::unique_ptr<RegistryApi> m_backend;
    std::string m_key;
};

std::vector<std::uint8_t> Bytes(const char* text, std::size_t count) {
    return std::vector<std::uint8_t>(text, text + count);
}

TEST_F(RegistryContract, MissingKeyAndMissingValueKeepDefaults) {
    CurrentUserRegistryObject reg;
    std::string text;
    std::int32_t number = 0;
    bool flag = false;
    std::uint8_t* data = nullptr;
    std::uint32_t count = 77;
    std::vector<std::string> list{"stale"};

    EXPECT_FALSE(reg.KeyExists(m_key));
    EXPECT_FALSE(reg.GetString(m_key, "Skin", text, "def"));
    EXPECT_EQ(text, "def");
    EXPECT_FALSE(reg.GetDword(m_key, "N", number, 9));
    EXPECT_EQ(number, 9);
    EXPECT_FALSE(reg.GetFlag(m_key, "F", flag, true));
    EXPECT_TRUE(flag);
    EXPECT_FALSE(reg.GetBinary(m_key, "B", data, count));
    EXPECT_EQ(data, nullptr);
    EXPECT_EQ(count, 77u) << "a missing key leaves the count as it was";
    EXPECT_FALSE(reg.GetStringList(m_key, "L", list));
    EXPECT_TRUE(list.empty());

    ASSERT_TRUE(reg.SetDword(m_key, "Other", 1)) << "a write creates the key";
    EXPECT_TRUE(reg.KeyExists(m_key));
    EXPECT_FALSE(reg.GetString(m_key, "Skin", text, "def"));
    EXPECT_EQ(text, "def");
    EXPECT_FALSE(reg.GetDword(m_key, "N", number, 9));
    EXPECT_EQ(number, 9);
    EXPECT_TRUE(reg.GetBinary(m_key, "B", data, count));
    EXPECT_EQ(data, nullptr);
    EXPECT_EQ(count, 0u);
    EXPECT_TRUE(reg.GetStringList(m_key, "L", list));
    EXPECT_TRUE(list.empty());
}

TEST_F(RegistryContract, StringsRoundTripWithoutTheirTerminatingZero) {
    CurrentUserRegistryObject reg;
    ASSERT_TRUE(reg.SetString(m_key, "Skin", "abc"));
    std::uint32_t type = 0;
    // ADVAPI32 under Wine reads an ANSI text back with a zero it adds itself.
    std::vector<std::uint8_t> stored = RawValue("Skin", type);
    if (stored.size() == 4 && stored.back() == 0) {
        stored.pop_back();
    }
    EXPECT_EQ(stored, Bytes("abc", 3));
    EXPECT_EQ(type, win32::kRegSz);
    std::string text;
    EXPECT_TRUE(reg.GetString(m_key, "SKIN", text, "def")) << "names match without case";
    EXPECT_EQ(text, "abc");

    ASSERT_TRUE(reg.SetString(m_key, "Empty", ""));
    EXPECT_EQ(RawValue("Empty", type), Bytes("", 1)) << "an empty text is one zero byte";
    EXPECT_EQ(type, win32::kRegSz);
    EXPECT_TRUE(reg.GetString(m_key, "Empty", text, "def"));
    EXPECT_EQ(text, "");
    bool flag = true;
    EXPECT_TRUE(reg.GetFlag(m_key, "Empty", flag, true));
    EXPECT_FALSE(flag);

    PutRaw("Raw", win32::kRegBinary, Bytes("ab\0cd", 5));
    EXPECT_TRUE(reg.GetString(m_key, "Raw", text, "def"));
    EXPECT_EQ(text, "ab") << "raw bytes are cut at the first zero";
    PutRaw("Number", win32::kRegDword, Bytes("\x01\0\0\0", 4));
    EXPECT_FALSE(reg.GetString(m_key, "Number", text, "def"));
    EXPECT_EQ(text, "def");
}

// Numbers read from decimal text or from the first four bytes of a DWORD, never
// past them; a short DWORD is a failed read that keeps the default.
TEST_F(RegistryContract, DwordsAndFlagsReadTextAndIntegersOnly) {
    const struct {
        const char* name;
        std::uint32_t type;
        std::vector<std::uint8_t> bytes;
        bool read;
        std::int32_t number;  // with default 5
    } cases[] = {
        {"Text42", win32::kRegSz, Bytes("42\0", 3), true, 42},
        {"TextAbc", win32::kRegSz, Bytes("abc\0", 4), true, 0},
        {"Spaced", win32::kRegSz, Bytes("  -17xyz", 8), true, -17},
        {"Binary", win32::kRegBinary, Bytes("\x02\0\0\0", 4), false, 5},
        {"Two", win32::kRegDword, Bytes("\x02\0\0\0", 4), true, 2},
        {"Short", win32::kRegDword, Bytes("\x07\x07", 2), true, 5},
        {"Zero", win32::kRegDword, {}, true, 5},
        {"Long", win32::kRegDword, Bytes("\x2a\0\0\0\xff\xff\xff\xff", 8), true, 42},
    };
    CurrentUserRegistryObject reg;
    for (const auto& c : cases) {
        PutRaw(c.name, c.type, c.bytes);
        std::int32_t number = 0;
        EXPECT_EQ(reg.GetDword(m_key, c.name, number, 5), c.read) << c.name;
        EXPECT_EQ(number, c.number) << c.name;
        bool flag = false;
        EXPECT_EQ(reg.GetFlag(m_key, c.name, flag, true), c.read) << c.name;
        EXPECT_EQ(flag, c.number != 0) << c.name;
    }
    std::int32_t number = 0;
    ASSERT_TRUE(reg.SetDword(m_key, "Negative", -3));
    EXPECT_TRUE(reg.GetDword(m_key, "Negative", number, 5));
    EXPECT_EQ(number, -3);
    ASSERT_TRUE(reg.SetFlag(m_key, "On", true));
    std::uint32_t type = 0;
    EXPECT_EQ(RawValue("On", type), Bytes("\x01\0\0\0", 4)) << "true is stored as 1";
    EXPECT_EQ(type, win32::kRegDword);
}

TEST_F(RegistryContract, RectanglesReportOnlyTheBottomEdge) {
    CurrentUserRegistryObject reg;
    RegistryRect defaults(1, 2, 3, 4);
    RegistryRect rect;
    EXPECT_FALSE(reg.GetRect(m_key, "Pos", rect, defaults));
    EXPECT_EQ(rect.rect.left, 1);
    EXPECT_EQ(rect.rect.bottom, 4);

    ASSERT_TRUE(reg.SetDword(m_key, "PosLEFT", 10));
    EXPECT_FALSE(reg.GetRect(m_key, "Pos", rect, defaults));
    EXPECT_EQ(rect.rect.left, 10);
    EXPECT_EQ(rect.rect.top, 2);
    PutRaw("PosBOTTOM", win32::kRegSz, Bytes("40", 2));
    EXPECT_TRUE(reg.GetRect(m_key, "Pos", rect, defaults));
    EXPECT_EQ(rect.rect.left, 10);
    EXPECT_EQ(rect.rect.top, 2);
    EXPECT_EQ(rect.rect.right, 3);
    EXPECT_EQ(rect.rect.bottom, 40);

    RegistryRect window(-5, 6, 70, 80);
    ASSERT_TRUE(reg.SetRect(m_key, "pos", window));
    RegistryRect back;
    EXPECT_TRUE(reg.GetRect(m_key, "Pos", back, RegistryRect()));
    EXPECT_EQ(back.rect.left, -5);
    EXPECT_EQ(back.rect.top, 6);
    EXPECT_EQ(back.rect.right, 70);
    EXPECT_EQ(back.rect.bottom, 80);
}

TEST_F(RegistryContract, BinaryAndStringListsAreBoundedByTheStoredBytes) {
    CurrentUserRegistryObject reg;
    PutRaw("Blob", win32::kRegBinary, Bytes("\x01\x02\x03", 3));
    std::uint8_t* data = nullptr;
    std::uint32_t count = 0;
    ASSERT_TRUE(reg.GetBinary(m_key, "Blob", data, count));
    ASSERT_EQ(count, 3u);
    EXPECT_EQ(std::memcmp(data, "\x01\x02\x03", 3), 0);
    delete[] data;

    std::vector<std::string> list;
    PutRaw("Multi", win32::kRegMultiSz, Bytes("a\0bc\0\0", 6));
    EXPECT_TRUE(reg.GetStringList(m_key, "Multi", list));
    EXPECT_EQ(list, (std::vector<std::string>{"a", "bc"}));
    PutRaw("Unclosed", win32::kRegMultiSz, Bytes("a\0bc", 4));
    EXPECT_TRUE(reg.GetStringList(m_key, "Unclosed", list));
    EXPECT_EQ(list, (std::vector<std::string>{"a", "bc"}));
    PutRaw("Single", win32::kRegSz, Bytes("a\0", 2));
    EXPECT_TRUE(reg.GetStringList(m_key, "Single", list));
    EXPECT_TRUE(list.empty());
}

TEST_F(RegistryContract, EveryOpenedKeyIsClosedAndOddPathsAreHarmless) {
    CurrentUserRegistryObject reg;
    const std::string odd[] = {m_key + "\\\\x", m_key + "\\", "\\" + m_key, m_key + "\\a\\\\\\b", ""};
    for (const std::string& path : odd) {
        std::string text;
        std::int32_t number = 0;
        std::uint8_t* data = nullptr;
        std::uint32_t count = 0;
        reg.GetString(path, "v", text, "d");
        reg.GetDword(path, "v", number, 1);
        if (reg.GetBinary(path, "v", data, count)) {
            delete[] data;
        }
        reg.KeyExists(path);
    }
    ASSERT_TRUE(reg.SetString(m_key + "\\Sub", "v", "x"));
    std::string text;
    EXPECT_TRUE(reg.GetString(m_key + "\\sub", "V", text, "d")) << "key paths match without case";
    EXPECT_EQ(text, "x");
}

TEST_F(RegistryContract, ConnectingToAnUnreachableMachineKeepsTheLocalRoot) {
    LocalMachineRegistryObject reg;
    EXPECT_FALSE(reg.Connect(UnreachableMachineName()));
    EXPECT_FALSE(reg.IsConnected());
    EXPECT_FALSE(reg.Connect(""));
    EXPECT_FALSE(reg.IsConnected());
    win32::RegKey key = 0;
    EXPECT_EQ(Registry().ConnectRegistry("", win32::kRootLocalMachine, &key), win32::kErrorSuccess)
        << "the local machine always answers";
    EXPECT_EQ(Registry().CloseKey(key), win32::kErrorSuccess);
}

}  // namespace
