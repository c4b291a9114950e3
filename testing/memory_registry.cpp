#include "testing/memory_registry.h"

#include <algorithm>
#include <cctype>
#include <cstring>

namespace {

std::string Lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

std::string Join(const std::string& parent, const std::string& subKey) {
    return Lower(parent.empty() || subKey.empty() ? parent + subKey : parent + "\\" + subKey);
}

// Their values are made at each read, under any path.
bool IsSpecialRoot(win32::RegKey root) {
    return root == win32::kRootPerformanceData || root == win32::kRootDynData;
}

}  // namespace

std::string MemoryRegistry::Id(const Handle& handle) {
    return Lower(handle.machine) + "|" + std::to_string(handle.root) + "|" + handle.path;
}

bool MemoryRegistry::Resolve(win32::RegKey key, const std::string& subKey, Handle& out) const {
    const auto found = m_handles.find(key);
    if (win32::IsPredefinedKey(key)) {
        out = Handle{"", key, ""};
    } else if (found != m_handles.end()) {
        out = found->second;
    } else {
        return false;
    }
    out.path = Join(out.path, subKey);
    return true;
}

win32::RegKey MemoryRegistry::NewHandle(const Handle& handle) {
    m_nextHandle += 4;
    m_handles.emplace(m_nextHandle, handle);
    return m_nextHandle;
}

std::int32_t MemoryRegistry::OpenKey(win32::RegKey root, const std::string& subKey,
                                     std::uint32_t, win32::RegKey* result) {
    Handle handle;
    if (!Resolve(root, subKey, handle)) {
        return win32::kErrorInvalidHandle;
    }
    if (!IsSpecialRoot(handle.root) && !handle.path.empty() && m_keys.count(Id(handle)) == 0) {
        return win32::kErrorFileNotFound;
    }
    *result = NewHandle(handle);
    return win32::kErrorSuccess;
}

std::int32_t MemoryRegistry::CreateKey(win32::RegKey root, const std::string& subKey,
                                       std::uint32_t, win32::RegKey* result) {
    Handle handle;
    if (!Resolve(root, subKey, handle)) {
        return win32::kErrorInvalidHandle;
    }
    m_keys[Id(handle)];
    *result = NewHandle(handle);
    return win32::kErrorSuccess;
}

std::int32_t MemoryRegistry::QueryValue(win32::RegKey key, const std::string& name,
                                        std::uint32_t* type, std::uint8_t* data,
                                        std::uint32_t* size) {
    Handle handle;
    if (!Resolve(key, "", handle)) {
        return win32::kErrorInvalidHandle;
    }
    if (IsSpecialRoot(handle.root)) {
        m_specialReads.push_back(handle.path + "\\" + name);
    }
    if (handle.root == win32::kRootPerformanceData && m_perfHandler) {
        return m_perfHandler(handle.machine, handle.path, name, type, data, size);
    }
    const auto keyFound = m_keys.find(Id(handle));
    if (keyFound == m_keys.end() || keyFound->second.count(Lower(name)) == 0) {
        return win32::kErrorFileNotFound;
    }
    const Value& value = keyFound->second[Lower(name)];
    const auto stored = static_cast<std::uint32_t>(value.bytes.size());
    if (type != nullptr) {
        *type = value.type;
    }
    if (data != nullptr && *size < stored) {
        *size = stored;
        return win32::kErrorMoreData;
    }
    if (data != nullptr && stored != 0) {
        std::memcpy(data, value.bytes.data(), stored);
    }
    if (size != nullptr) {
        *size = stored;
    }
    return win32::kErrorSuccess;
}

std::int32_t MemoryRegistry::SetValue(win32::RegKey key, const std::string& name,
                                      std::uint32_t type, const std::uint8_t* data,
                                      std::uint32_t size) {
    Handle handle;
    if (!Resolve(key, "", handle)) {
        return win32::kErrorInvalidHandle;
    }
    m_keys[Id(handle)][Lower(name)] = Value{type, std::vector<std::uint8_t>(data, data + size)};
    ++m_writeCount;
    return win32::kErrorSuccess;
}

std::int32_t MemoryRegistry::CloseKey(win32::RegKey key) {
    return win32::IsPredefinedKey(key) || m_handles.erase(key) != 0 ? win32::kErrorSuccess
                                                                   : win32::kErrorInvalidHandle;
}

std::int32_t MemoryRegistry::ConnectRegistry(const std::string& machine, win32::RegKey root,
                                             win32::RegKey* result) {
    ++m_connectAttempts;
    if (!machine.empty() && m_answeringMachines.count(Lower(machine)) == 0) {
        return win32::kErrorBadNetPath;
    }
    *result = NewHandle(Handle{machine, root, ""});
    return win32::kErrorSuccess;
}

void MemoryRegistry::Put(const std::string& machine, win32::RegKey root,
                         const std::string& subKey, const std::string& name, std::uint32_t type,
                         const std::vector<std::uint8_t>& bytes) {
    const win32::RegKey base = NewHandle(Handle{machine, root, ""});
    win32::RegKey key = 0;
    CreateKey(base, subKey, win32::kKeyWrite, &key);
    SetValue(key, name, type, bytes.data(), static_cast<std::uint32_t>(bytes.size()));
    CloseKey(key);
    CloseKey(base);
    --m_writeCount;
}

void MemoryRegistry::SetMachineAnswers(const std::string& machine, bool answers) {
    if (answers) {
        m_answeringMachines.insert(Lower(machine));
    } else {
        m_answeringMachines.erase(Lower(machine));
    }
}
