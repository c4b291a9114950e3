#include <gtest/gtest.h>

#include "registry/registry_object.h"
#include "testing/memory_registry.h"

namespace {

TEST(MemoryRegistry, RemoteMachinesAnswerOnlyWhenToldAndObjectsCloseTheirConnection) {
    MemoryRegistry memory;
    SetRegistry(&memory);
    memory.PutString("\\\\far", win32::kRootLocalMachine,
                     "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion", "CurrentVersion", "5.1");
    {
        LocalMachineRegistryObject reg;
        EXPECT_FALSE(reg.Connect("\\\\far"));
        memory.SetMachineAnswers("\\\\FAR", true);
        ASSERT_TRUE(reg.Connect("\\\\far"));
        EXPECT_EQ(memory.OpenHandleCount(), 1);
        std::string version;
        EXPECT_TRUE(reg.GetString("SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion",
                                  "CurrentVersion", version, ""));
        EXPECT_EQ(version, "5.1");
        EXPECT_FALSE(reg.KeyExists("Software\\Brindleworks")) << "the remote tree is its own";
    }
    EXPECT_EQ(memory.OpenHandleCount(), 0) << "the connected key goes with the object";
    SetRegistry(nullptr);
}

TEST(MemoryRegistry, TextsAreStoredWithoutTheirTerminatingZero) {
    MemoryRegistry memory;
    SetRegistry(&memory);
    CurrentUserRegistryObject reg;
    ASSERT_TRUE(reg.SetString("Software\\Brindleworks\\Gaugelet", "Skin", "abc"));
    std::uint32_t type = 0;
    std::vector<std::uint8_t> bytes;
    ASSERT_TRUE(memory.Get("", win32::kRootCurrentUser, "software\\brindleworks\\gaugelet",
                           "SKIN", type, bytes));
    EXPECT_EQ(type, win32::kRegSz);
    EXPECT_EQ(bytes, (std::vector<std::uint8_t>{'a', 'b', 'c'}));
    EXPECT_EQ(memory.WriteLog(),
              (std::vector<std::string>{"HKCU\\software\\brindleworks\\gaugelet\\Skin"}));
    SetRegistry(nullptr);
}

TEST(MemoryRegistry, SpecialRootsAreAnsweredByTheirCallbacks) {
    MemoryRegistry memory;
    SetRegistry(&memory);
    memory.SetPerformanceDataHandler([](const std::string& machine, const std::string&,
                                        const std::string& name, std::uint32_t*,
                                        std::uint8_t* data, std::uint32_t* size) {
        const std::string answer = machine + "|" + name;
        if (data == nullptr || *size < answer.size()) {
            *size = static_cast<std::uint32_t>(answer.size());
            return data == nullptr ? win32::kErrorSuccess : win32::kErrorMoreData;
        }
        answer.copy(reinterpret_cast<char*>(data), answer.size());
        *size = static_cast<std::uint32_t>(answer.size());
        return win32::kErrorSuccess;
    });
    std::uint8_t buffer[16] = {};
    std::uint32_t size = 2;
    EXPECT_EQ(memory.QueryValue(win32::kRootPerformanceData, "238", nullptr, buffer, &size),
              win32::kErrorMoreData);
    EXPECT_EQ(size, 4u);
    size = sizeof(buffer);
    EXPECT_EQ(memory.QueryValue(win32::kRootPerformanceData, "238", nullptr, buffer, &size),
              win32::kErrorSuccess);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(buffer), size), "|238");
    EXPECT_EQ(memory.SpecialReadLog().size(), 2u);

    GenericRegistryObject dyn;
    dyn.SetRootKey(win32::kRootDynData);
    memory.PutDword("", win32::kRootDynData, "PerfStats\\StatData", "KERNEL\\CPUUsage", 50);
    std::uint8_t* data = nullptr;
    std::uint32_t count = 0;
    ASSERT_TRUE(dyn.GetBinary("PerfStats\\StatData", "KERNEL\\CPUUsage", data, count));
    EXPECT_EQ(count, 4u);
    EXPECT_EQ(data[0], 50);
    delete[] data;
    SetRegistry(nullptr);
}

}  // namespace
