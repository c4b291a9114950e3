// The registry as the meter needs it where the system's performance data
// lack the processor and process objects (Wine serves an empty block and a
// stub counter-name table): those answers are made from the kernel's
// processor and process times, as the system seam reports them. Everything
// else, and every answer the system can give itself, passes through
// unchanged.
#pragma once

#include <cstdint>
#include <set>
#include <string>
#include <vector>

#include "platform/registry_api.h"
#include "platform/system_api.h"

class SyntheticPerfData : public RegistryApi {
public:
    SyntheticPerfData(RegistryApi& registry, SystemApi& system);
    SyntheticPerfData(const SyntheticPerfData&) = delete;
    SyntheticPerfData& operator=(const SyntheticPerfData&) = delete;

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

private:
    enum Served { kCounterTable, kProcessorObject, kProcessObject, kServedCount };

    // Answers itself only when the system's value lacks what the meter
    // needs or cannot be read.
    std::int32_t Serve(Served what, win32::RegKey key, const std::string& name,
                       std::uint32_t* type, std::uint8_t* data, std::uint32_t* size);
    static bool ValueServes(Served what, const std::uint8_t* data, std::uint32_t size);
    bool SystemValueServes(win32::RegKey key, const std::string& name, Served what);
    // Makes the value into m_made[what].
    bool Make(Served what);
    bool MakeProcessorBlock(std::vector<std::uint8_t>& value);
    bool MakeProcessBlock(std::vector<std::uint8_t>& value);
    win32::RegKey PseudoKey() const;

    RegistryApi& m_registry;
    SystemApi& m_system;
    std::set<win32::RegKey> m_counterTableKeys;  // system handles of the table's key
    std::uint32_t m_pseudoKeyOpens = 0;           // opens of the key the system lacks
    // What the system's own value was last seen to hold. Once it lacks what
    // the meter needs it is not asked again: under Wine one read of its
    // empty performance block costs tens of milliseconds.
    enum class SystemAnswer : std::uint8_t { kUnknown, kServes, kLacks };
    SystemAnswer m_systemAnswer[kServedCount] = {};
    std::vector<std::uint8_t> m_made[kServedCount];
    std::vector<std::int64_t> m_idle;
    // Where the processor block's values lie: each processor's, then _Total's.
    std::vector<std::size_t> m_idleOffsets;
};
