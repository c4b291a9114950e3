// An in-memory registry for tests: keys and values per machine, value names
// and key paths matched without regard to case, like the real one. The
// special roots open any path; HKEY_PERFORMANCE_DATA can be answered by a
// callback.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "platform/registry_api.h"

class MemoryRegistry : public RegistryApi {
public:
    // Answers a value read under HKEY_PERFORMANCE_DATA, as RegQueryValueExA
    // would: machine ("" local), sub-key path below the root, value name.
    using PerformanceDataHandler = std::function<std::int32_t(
        const std::string& machine, const std::string& subKey, const std::string& name,
        std::uint32_t* type, std::uint8_t* data, std::uint32_t* size)>;

    std::int32_t OpenKey(win32::RegKey root, const std::string& subKey, std::uint32_t access,
                         win32::RegKey* result) override;
    std::int32_t CreateKey(win32::RegKey root, const std::string& subKey, std::uint32_t access,
                           win32::RegKey* result) override;
    std::int32_t QueryValue(win32::RegKey key, const std::string& name, std::uint32_t* type,
                            std::uint8_t* data, std::uint32_t* size) override;
    std::int32_t SetValue(win32::RegKey key, const std::string& name, std::uint32_t type,
                          const std::uint8_t* data, std::uint32_t size) override;
    std::int32_t CloseKey(win32::RegKey key) override;
    std::int32_t ConnectRegistry(const std::string& machine, win32::RegKey root,
                                 win32::RegKey* result) override;

    // Test set-up, without handles and outside the write count.
    void Put(const std::string& machine, win32::RegKey root, const std::string& subKey,
             const std::string& name, std::uint32_t type, const std::vector<std::uint8_t>& bytes);
    void PutString(const std::string& machine, win32::RegKey root, const std::string& subKey,
                   const std::string& name, const std::string& text) {  // REG_SZ with its zero
        Put(machine, root, subKey, name, win32::kRegSz, {text.c_str(), text.c_str() + text.size() + 1});
    }
    void PutDword(const std::string& machine, win32::RegKey root, const std::string& subKey,
                  const std::string& name, std::uint32_t value) {
        Put(machine, root, subKey, name, win32::kRegDword,
            {std::uint8_t(value), std::uint8_t(value >> 8), std::uint8_t(value >> 16),
             std::uint8_t(value >> 24)});
    }
    void PutMultiString(const std::string& machine, win32::RegKey root, const std::string& subKey,
                        const std::string& name, const std::vector<std::string>& strings) {
        std::vector<std::uint8_t> bytes;
        for (const std::string& text : strings) {
            bytes.insert(bytes.end(), text.c_str(), text.c_str() + text.size() + 1);
        }
        bytes.push_back(0);
        Put(machine, root, subKey, name, win32::kRegMultiSz, bytes);
    }

    void SetPerformanceDataHandler(PerformanceDataHandler handler) {
        m_perfHandler = std::move(handler);
    }
    // Machines whose registry ConnectRegistry reaches; the local one ("")
    // always answers.
    void SetMachineAnswers(const std::string& machine, bool answers);

    // Every ConnectRegistry call, answered or not.
    int ConnectAttempts() const { return m_connectAttempts; }
    // Handles opened or connected and not yet closed.
    int OpenHandleCount() const { return static_cast<int>(m_handles.size()); }
    int WriteCount() const { return m_writeCount; }
    // Every value read of a special root, in order: "subkey\\name".
    const std::vector<std::string>& SpecialReadLog() const { return m_specialReads; }

private:
    struct Value {
        std::uint32_t type = 0;
        std::vector<std::uint8_t> bytes;
    };
    struct Handle {
        std::string machine;
        win32::RegKey root = 0;
        std::string path;  // lower-case
    };
    static std::string Id(const Handle& handle);

    bool Resolve(win32::RegKey key, const std::string& subKey, Handle& out) const;
    win32::RegKey NewHandle(const Handle& handle);

    std::map<std::string, std::map<std::string, Value>> m_keys;  // by Handle::Id, value name
    std::map<win32::RegKey, Handle> m_handles;
    win32::RegKey m_nextHandle = 0x1000;
    std::set<std::string> m_answeringMachines;
    PerformanceDataHandler m_perfHandler;
    std::vector<std::string> m_specialReads;
    int m_writeCount = 0;
    int m_connectAttempts = 0;
};
