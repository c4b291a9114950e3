#include "testing/memory_registry.h"

#include <algorithm>
#include <cctype>
#include <cstring>

namespace {

std::string Lower(const std::string& text) {
    std::string result = text;
    std::transform(result.begin(), result.end(), result.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return result;
}

// Key paths compare without regard to case; runs of separators count as one
// and separators at either end are ignored.
std::string NormalisePath(const std::string& path) {
    std::string result;
    for (char c : Lower(path)) {
        if (c == '\\' && (result.empty() || result.back() == '\\')) {
            continue;
        }
        result.push_back(c);
    }
    if (!result.empty() && result.back() == '\\') {
        result.pop_back();
    }
    return result;
}

std::string Join(const std::string& parent, const std::string& child) {
    if (parent.empty()) {
        return child;
    }
    if (child.empty()) {
        return parent;
    }
    return parent + "\\" + child;
}

const char* RootName(win32::RegKey root) {
    if (root == win32::kRootCurrentUser) return "HKCU";
    if (root == win32::kRootLocalMachine) return "HKLM";
    if (root == win32::kRootPerformanceData) return "HKPD";
    if (root == win32::kRootDynData) return "HKDD";
    if (root == win32::kRootUsers) return "HKU";
    if (root == win32::kRootClassesRoot) return "HKCR";
    return "HKCC";
}

}  // namespace

MemoryRegistry::MemoryRegistry() = default;
MemoryRegistry::~MemoryRegistry() = default;

MemoryRegistry::Tree& MemoryRegistry::TreeOf(const std::string& machine, win32::RegKey root) {
    Tree& tree = m_trees[{Lower(machine), root}];
    tree.emplace("", Key{});  // the root itself always exists
    return tree;
}

const MemoryRegistry::Tree* MemoryRegistry::FindTree(const std::string& machine,
                                                      win32::RegKey root) const {
    const auto found = m_trees.find({Lower(machine), root});
    return found == m_trees.end() ? nullptr : &found->second;
}

bool MemoryRegistry::Resolve(win32::RegKey key, Handle& out) const {
    if (win32::IsPredefinedKey(key)) {
        out = Handle{"", key, ""};
        return true;
    }
    const auto found = m_handles.find(key);
    if (found == m_handles.end()) {
        return false;
    }
    out = found->second;
    return true;
}

win32::RegKey MemoryRegistry::NewHandle(Handle handle) {
    const win32::RegKey key = m_nextHandle;
    m_nextHandle += 4;
    m_handles.emplace(key, std::move(handle));
    return key;
}

std::int32_t MemoryRegistry::OpenKey(win32::RegKey root, const std::string& subKey,
                                     std::uint32_t, win32::RegKey* result) {
    if (result == nullptr) {
        return win32::kErrorInvalidParameter;
    }
    Handle parent;
    if (!Resolve(root, parent)) {
        return win32::kErrorInvalidHandle;
    }
    const std::string path = Join(parent.path, NormalisePath(subKey));
    const bool special =
        parent.root == win32::kRootPerformanceData || parent.root == win32::kRootDynData;
    const Tree* tree = FindTree(parent.machine, parent.root);
    const bool exists = path.empty() || (tree != nullptr && tree->count(path) != 0);
    if (!special && !exists) {
        return win32::kErrorFileNotFound;
    }
    *result = NewHandle(Handle{parent.machine, parent.root, path});
    return win32::kErrorSuccess;
}

std::int32_t MemoryRegistry::CreateKey(win32::RegKey root, const std::string& subKey,
                                       std::uint32_t, win32::RegKey* result) {
    if (result == nullptr) {
        return win32::kErrorInvalidParameter;
    }
    Handle parent;
    if (!Resolve(root, parent)) {
        return win32::kErrorInvalidHandle;
    }
    const std::string path = Join(parent.path, NormalisePath(subKey));
    Tree& tree = TreeOf(parent.machine, parent.root);
    for (std::size_t pos = path.find('\\'); pos != std::string::npos;
         pos = path.find('\\', pos + 1)) {
        tree.emplace(path.substr(0, pos), Key{});
    }
    tree.emplace(path, Key{});
    *result = NewHandle(Handle{parent.machine, parent.root, path});
    return win32::kErrorSuccess;
}

std::int32_t MemoryRegistry::QueryValue(win32::RegKey key, const std::string& name,
                                        std::uint32_t* type, std::uint8_t* data,
                                        std::uint32_t* size) {
    Handle handle;
    if (!Resolve(key, handle)) {
        return win32::kErrorInvalidHandle;
    }
    if (data != nullptr && size == nullptr) {
        return win32::kErrorInvalidParameter;
    }
    const SpecialRootHandler* special = nullptr;
    if (handle.root == win32::kRootPerformanceData) {
        special = &m_perfHandler;
    } else if (handle.root == win32::kRootDynData && m_dynHandler) {
        special = &m_dynHandler;
    }
    if (special != nullptr) {
        m_specialReads.push_back(Join(handle.path, name));
        if (!*special) {
            return win32::kErrorFileNotFound;
        }
        return (*special)(handle.machine, handle.path, name, type, data, size);
    }
    const Tree* tree = FindTree(handle.machine, handle.root);
    const auto keyFound = tree == nullptr ? Tree::const_iterator() : tree->find(handle.path);
    if (tree == nullptr || keyFound == tree->end()) {
        return win32::kErrorFileNotFound;
    }
    const auto valueFound = keyFound->second.values.find(Lower(name));
    if (valueFound == keyFound->second.values.end()) {
        return win32::kErrorFileNotFound;
    }
    const Value& value = valueFound->second;
    const auto stored = static_cast<std::uint32_t>(value.bytes.size());
    if (type != nullptr) {
        *type = value.type;
    }
    if (data != nullptr) {
        if (*size < stored) {
            *size = stored;
            return win32::kErrorMoreData;
        }
        if (stored != 0) {
            std::memcpy(data, value.bytes.data(), stored);
        }
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
    if (!Resolve(key, handle)) {
        return win32::kErrorInvalidHandle;
    }
    if (data == nullptr && size != 0) {
        return win32::kErrorInvalidParameter;
    }
    Tree& tree = TreeOf(handle.machine, handle.root);
    const auto keyFound = tree.find(handle.path);
    if (keyFound == tree.end()) {
        return win32::kErrorFileNotFound;
    }
    Value& value = keyFound->second.values[Lower(name)];
    value.type = type;
    value.bytes.assign(data, data + size);
    m_writes.push_back(Join(Join(RootName(handle.root), handle.path), name));
    return win32::kErrorSuccess;
}

std::int32_t MemoryRegistry::CloseKey(win32::RegKey key) {
    if (win32::IsPredefinedKey(key)) {
        return win32::kErrorSuccess;
    }
    return m_handles.erase(key) != 0 ? win32::kErrorSuccess : win32::kErrorInvalidHandle;
}

std::int32_t MemoryRegistry::ConnectRegistry(const std::string& machine, win32::RegKey root,
                                             win32::RegKey* result) {
    ++m_connectAttempts;
    if (result == nullptr || !win32::IsPredefinedKey(root)) {
        return win32::kErrorInvalidParameter;
    }
    if (!machine.empty() && m_answeringMachines.count(Lower(machine)) == 0) {
        return win32::kErrorBadNetPath;
    }
    *result = NewHandle(Handle{machine, root, ""});
    return win32::kErrorSuccess;
}

void MemoryRegistry::Put(const std::string& machine, win32::RegKey root,
                         const std::string& subKey, const std::string& name, std::uint32_t type,
                         const std::vector<std::uint8_t>& bytes) {
    win32::RegKey base = root;
    if (!machine.empty()) {
        base = NewHandle(Handle{machine, root, ""});
    }
    win32::RegKey key = 0;
    CreateKey(base, subKey, win32::kKeyWrite, &key);
    SetValue(key, name, type, bytes.data(), static_cast<std::uint32_t>(bytes.size()));
    CloseKey(key);
    if (base != root) {
        CloseKey(base);
    }
    m_writes.pop_back();  // set-up is not the program's writing
}

void MemoryRegistry::PutString(const std::string& machine, win32::RegKey root,
                               const std::string& subKey, const std::string& name,
                               const std::string& text) {
    std::vector<std::uint8_t> bytes(text.begin(), text.end());
    bytes.push_back(0);
    Put(machine, root, subKey, name, win32::kRegSz, bytes);
}

void MemoryRegistry::PutDword(const std::string& machine, win32::RegKey root,
                              const std::string& subKey, const std::string& name,
                              std::uint32_t value) {
    std::vector<std::uint8_t> bytes(4);
    std::memcpy(bytes.data(), &value, 4);
    Put(machine, root, subKey, name, win32::kRegDword, bytes);
}

void MemoryRegistry::PutMultiString(const std::string& machine, win32::RegKey root,
                                    const std::string& subKey, const std::string& name,
                                    const std::vector<std::string>& strings) {
    std::vector<std::uint8_t> bytes;
    for (const std::string& text : strings) {
        bytes.insert(bytes.end(), text.begin(), text.end());
        bytes.push_back(0);
    }
    bytes.push_back(0);
    Put(machine, root, subKey, name, win32::kRegMultiSz, bytes);
}

void MemoryRegistry::DeleteKey(const std::string& machine, win32::RegKey root,
                               const std::string& subKey) {
    const auto found = m_trees.find({Lower(machine), root});
    if (found == m_trees.end()) {
        return;
    }
    const std::string path = NormalisePath(subKey);
    Tree& tree = found->second;
    for (auto it = tree.begin(); it != tree.end();) {
        const bool below = it->first == path || it->first.rfind(path + "\\", 0) == 0;
        it = below && !path.empty() ? tree.erase(it) : std::next(it);
    }
}

void MemoryRegistry::SetPerformanceDataHandler(SpecialRootHandler handler) {
    m_perfHandler = std::move(handler);
}

void MemoryRegistry::SetDynDataHandler(SpecialRootHandler handler) {
    m_dynHandler = std::move(handler);
}

void MemoryRegistry::SetMachineAnswers(const std::string& machine, bool answers) {
    if (answers) {
        m_answeringMachines.insert(Lower(machine));
    } else {
        m_answeringMachines.erase(Lower(machine));
    }
}

int MemoryRegistry::OpenHandleCount() const { return static_cast<int>(m_handles.size()); }
