// An in-memory registry for tests: keys and values per machine, value names
// and key paths matched without regard to case, like the real one.
// HKEY_PERFORMANCE_DATA and HKEY_DYN_DATA can be answered by a callback.
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
    // Answers a value read under a special root, as RegQueryValueExA would:
    // machine ("" local), sub-key path below the root, value name.
    using SpecialRootHandler = std::function<std::int32_t(
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

    // Test set-up, without handles and outside the write log.
    void Put(const std::string& machine, win32::RegKey root, const std::string& subKey,
             const std::string& name, std::uint32_t type, const std::vector<std::uint8_t>& bytes);
    void PutString(const std::string& machine, win32::RegKey root, const std::string& subKey,
                   const std::string& name, const std::string& text);  // REG_SZ with its zero
    void PutDword(const std::string& machine, win32::RegKey root, const std::string& subKey,
                  const std::string& name, std::uint32_t value);
    void PutMultiString(const std::string& machine, win32::RegKey root, const std::string& subKey,
                        const std::string& name, const std::vector<std::string>& strings);

    void SetPerformanceDataHandler(SpecialRootHandler handler) {
        m_perfHandler = std::move(handler);
    }
    void SetDynDataHandler(SpecialRootHandler handler) { m_dynHandler = std::move(handler); }
    // Machines whose registry ConnectRegistry reaches; the local one ("")
    // always answers.
    void SetMachineAnswers(const std::string& machine, bool answers);

    // Every ConnectRegistry call, answered or not.
    int ConnectAttempts() const { return m_connectAttempts; }
    // Handles opened or connected and not yet closed.
    int OpenHandleCount() const { return static_cast<int>(m_handles.size()); }
    // Every write, in order: "root\\subkey\\name" as given.
    const std::vector<std::string>& WriteLog() const { return m_writes; }
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
        std::string path;  // normalised, lower-case
    };
    static std::string Id(const Handle& handle);

    bool Resolve(win32::RegKey key, const std::string& subKey, Handle& out) const;
    win32::RegKey NewHandle(const Handle& handle);

    std::map<std::string, std::map<std::string, Value>> m_keys;  // by Handle::Id, value name
    std::map<win32::RegKey, Handle> m_handles;
    win32::RegKey m_nextHandle = 0x1000;
    std::set<std::string> m_answeringMachines;
    SpecialRootHandler m_perfHandler;
    SpecialRootHandler m_dynHandler;
    std::vector<std::string> m_writes;
    std::vector<std::string> m_specialReads;
    int m_connectAttempts = 0;
};
