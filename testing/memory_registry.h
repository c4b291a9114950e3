// An in-memory registry for tests: keys and values per machine, value names
// and key paths matched without regard to case, like the real one. The
// special roots open any path; HKEY_PERFORMANCE_DATA can be answered by a
// callback.
#pragma once

#include <algorithm>
#include <cctype>
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

    std::int32_t OpenKey(win32::RegKey root, const std::string& subKey, std::uint32_t,
                         win32::RegKey* result) override {
        return Open(root, subKey, false, result);
    }
    std::int32_t CreateKey(win32::RegKey root, const std::string& subKey, std::uint32_t,
                           win32::RegKey* result) override {
        return Open(root, subKey, true, result);
    }
    std::int32_t QueryValue(win32::RegKey key, const std::string& name, std::uint32_t* type,
                            std::uint8_t* data, std::uint32_t* size) override {
        Handle handle;
        if (const std::int32_t status = Reach(key, "", handle); status != win32::kErrorSuccess) {
            return status;
        }
        if (IsSpecialRoot(handle.root)) {
            m_specialReads.push_back(handle.path + "\\" + name);
        }
        if (handle.root == win32::kRootPerformanceData && m_perfHandler) {
            return m_perfHandler(handle.machine, handle.path, name, type, data, size);
        }
        const auto found = m_values.find(Id(handle) + "|" + Lower(name));
        return found == m_values.end() ? win32::kErrorFileNotFound
                                       : AnswerQueryValue(found->second.bytes, found->second.type,
                                                          size != nullptr ? *size : 0, type, data, size);
    }
    std::int32_t SetValue(win32::RegKey key, const std::string& name, std::uint32_t type,
                          const std::uint8_t* data, std::uint32_t size) override {
        Handle handle;
        if (const std::int32_t status = Reach(key, "", handle); status != win32::kErrorSuccess) {
            return status;
        }
        m_values[Id(handle) + "|" + Lower(name)] = Value{type, std::vector<std::uint8_t>(data, data + size)};
        ++m_writeCount;
        return win32::kErrorSuccess;
    }
    std::int32_t CloseKey(win32::RegKey key) override {
        return IsPredefinedKey(key) || m_handles.erase(key) != 0 ? win32::kErrorSuccess
                                                                       : win32::kErrorInvalidHandle;
    }
    std::int32_t ConnectRegistry(const std::string& machine, win32::RegKey root,
                                 win32::RegKey* result) override {
        if (!Answers(machine)) {
            return kErrorBadNetPath;
        }
        *result = NewHandle(Handle{machine, root, ""});
        return win32::kErrorSuccess;
    }

    // Test set-up, without handles and outside the write count.
    void Put(const std::string& machine, win32::RegKey root, const std::string& subKey,
             const std::string& name, std::uint32_t type, const std::vector<std::uint8_t>& bytes) {
        const std::string id = Id(Handle{machine, root, Lower(subKey)});
        m_keys.insert(id);
        m_values[id + "|" + Lower(name)] = Value{type, bytes};
    }
    void PutDword(const std::string& machine, win32::RegKey root, const std::string& subKey,
                  const std::string& name, std::uint32_t value) {
        Put(machine, root, subKey, name, win32::kRegDword,
            {std::uint8_t(value), std::uint8_t(value >> 8), std::uint8_t(value >> 16),
             std::uint8_t(value >> 24)});
    }
    void PutMultiString(const std::string& machine, win32::RegKey root, const std::string& subKey,
                        const std::string& name, const std::vector<std::string>& strings) {
        std::string bytes;
        for (const std::string& text : strings) {
            bytes += text + '\0';
        }
        Put(machine, root, subKey, name, win32::kRegMultiSz,
            {bytes.c_str(), bytes.c_str() + bytes.size() + 1});
    }

    void SetPerformanceDataHandler(PerformanceDataHandler handler) {
        m_perfHandler = std::move(handler);
    }
    void SetMachineAnswers(const std::string& machine, bool answers) {
        m_machineAnswers[Lower(machine)] = answers;
    }
    // Another machine that answers, running the Windows version given ("4.0").
    void AddMachine(const std::string& machine, const std::string& version) {
        SetMachineAnswers(machine, true);
        Put(machine, win32::kRootLocalMachine, "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion",
            "CurrentVersion", win32::kRegSz, {version.c_str(), version.c_str() + version.size() + 1});
    }

    // Every call that reached a machine that does not answer: on a network
    // each would hold the caller for seconds.
    int BlockedCalls() const { return m_blockedCalls; }
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

    static std::string Lower(std::string text) {
        std::transform(text.begin(), text.end(), text.begin(),
                       [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
        return text;
    }
    static std::string Id(const Handle& handle) {
        return Lower(handle.machine) + "|" + std::to_string(handle.root) + "|" + handle.path;
    }
    // Their values are made at each read, under any path.
    static bool IsSpecialRoot(win32::RegKey root) {
        return root == win32::kRootPerformanceData || root == win32::kRootDynData;
    }

    static constexpr std::int32_t kErrorBadNetPath = 53;

    static bool IsPredefinedKey(win32::RegKey key) {
        return key >= win32::PredefinedKey(0x80000000u) && key <= win32::kRootDynData;
    }

    // The local machine ("") always answers.
    bool Answers(const std::string& machine) {
        if (machine.empty() || m_machineAnswers[Lower(machine)]) {
            return true;
        }
        ++m_blockedCalls;
        return false;
    }

    // The key below a handle, and whether it can be reached: a bad handle, or
    // a machine that does not answer, cannot.
    std::int32_t Reach(win32::RegKey key, const std::string& subKey, Handle& out) {
        const auto found = m_handles.find(key);
        if (IsPredefinedKey(key)) {
            out = Handle{"", key, ""};
        } else if (found != m_handles.end()) {
            out = found->second;
        } else {
            return win32::kErrorInvalidHandle;
        }
        out.path = Lower(out.path.empty() || subKey.empty() ? out.path + subKey
                                                            : out.path + "\\" + subKey);
        return Answers(out.machine) ? win32::kErrorSuccess : kErrorBadNetPath;
    }
    std::int32_t Open(win32::RegKey root, const std::string& subKey, bool create,
                      win32::RegKey* result) {
        Handle handle;
        if (const std::int32_t status = Reach(root, subKey, handle); status != win32::kErrorSuccess) {
            return status;
        }
        if (create) {
            m_keys.insert(Id(handle));
        } else if (!IsSpecialRoot(handle.root) && !handle.path.empty() &&
                   m_keys.count(Id(handle)) == 0) {
            return win32::kErrorFileNotFound;
        }
        *result = NewHandle(handle);
        return win32::kErrorSuccess;
    }
    win32::RegKey NewHandle(const Handle& handle) {
        m_nextHandle += 4;
        m_handles.emplace(m_nextHandle, handle);
        return m_nextHandle;
    }

    std::set<std::string> m_keys;             // by Id
    std::map<std::string, Value> m_values;  // by Id and value name
    std::map<win32::RegKey, Handle> m_handles;
    win32::RegKey m_nextHandle = 0x1000;
    std::map<std::string, bool> m_machineAnswers;
    PerformanceDataHandler m_perfHandler;
    std::vector<std::string> m_specialReads;
    int m_writeCount = 0;
    int m_blockedCalls = 0;
};
