#include "registry/registry_object.h"

#include <cstdlib>
#include <cstring>
#include <memory>

#include "platform/registry_api.h"

namespace {

constexpr std::uint32_t kUnknownType = 0xFFFFFFFFu;

// Neither probe looks at the status: a missing value shows as count 0 and a
// type that no read accepts.
std::uint32_t ProbeCount(win32::RegKey key, const std::string& name) {
    std::uint32_t count = 0;
    Registry().QueryValue(key, name, nullptr, nullptr, &count);
    return count;
}

std::uint32_t ProbeType(win32::RegKey key, const std::string& name) {
    std::uint32_t type = kUnknownType;
    Registry().QueryValue(key, name, &type, nullptr, nullptr);
    return type;
}

bool ReadData(win32::RegKey key, const std::string& name, std::uint8_t* buffer,
              std::uint32_t count) {
    if (count == 0) {
        return false;
    }
    std::uint32_t size = count;
    return Registry().QueryValue(key, name, nullptr, buffer, &size) == win32::kErrorSuccess;
}

// A text buffer one byte longer than the value, so it always ends in zero.
std::string ReadText(win32::RegKey key, const std::string& name, std::uint32_t count,
                     bool& ok) {
    std::unique_ptr<std::uint8_t[]> buffer(new std::uint8_t[std::size_t{count} + 1]());
    ok = ReadData(key, name, buffer.get(), count);
    return ok ? std::string(reinterpret_cast<const char*>(buffer.get())) : std::string();
}

}  // namespace

RegistryRect::RegistryRect(std::int32_t left, std::int32_t top, std::int32_t right,
                           std::int32_t bottom)
    : pLeft(&rect.left), pTop(&rect.top), pRight(&rect.right), pBottom(&rect.bottom),
      rect{left, top, right, bottom} {}

RegistryRect::RegistryRect(const RegistryRect& other)
    : RegistryRect(other.rect.left, other.rect.top, other.rect.right, other.rect.bottom) {}

RegistryRect& RegistryRect::operator=(const RegistryRect& other) {
    rect = other.rect;
    return *this;
}

GenericRegistryObject::~GenericRegistryObject() {
    if (m_hConnectedKey != 0) {
        Registry().CloseKey(m_hConnectedKey);
    }
    if (!m_bRootIsPredefined && m_hRootKey != 0) {
        Registry().CloseKey(m_hRootKey);
    }
}

void GenericRegistryObject::SetRootKey(win32::RegKey root) { m_hRootKey = root; }

bool GenericRegistryObject::OpenForRead(const std::string& subKey, win32::RegKey& key) {
    key = 0;
    return Registry().OpenKey(m_hRootKey, subKey, win32::kKeyRead, &key) ==
           win32::kErrorSuccess;
}

bool GenericRegistryObject::OpenForWrite(const std::string& subKey, win32::RegKey& key) {
    key = 0;
    return Registry().CreateKey(m_hRootKey, subKey, win32::kKeyWrite, &key) ==
           win32::kErrorSuccess;
}

bool GenericRegistryObject::KeyExists(const std::string& subKey) {
    win32::RegKey key;
    if (!OpenForRead(subKey, key)) {
        return false;
    }
    Registry().CloseKey(key);
    return true;
}

bool GenericRegistryObject::GetString(const std::string& subKey, const std::string& name,
                                      std::string& out, const std::string& defaultValue) {
    out = defaultValue;
    win32::RegKey key;
    if (!OpenForRead(subKey, key)) {
        return false;
    }
    const std::uint32_t count = ProbeCount(key, name);
    const std::uint32_t type = ProbeType(key, name);
    if ((type != win32::kRegSz && type != win32::kRegBinary) || count == 0) {
        Registry().CloseKey(key);
        return false;
    }
    bool ok = false;
    std::string text = ReadText(key, name, count, ok);
    if (ok) {
        out = std::move(text);
    }
    Registry().CloseKey(key);
    return true;
}

bool GenericRegistryObject::GetDword(const std::string& subKey, const std::string& name,
                                     std::int32_t& out, std::int32_t defaultValue) {
    out = defaultValue;
    win32::RegKey key;
    if (!OpenForRead(subKey, key)) {
        return false;
    }
    const std::uint32_t count = ProbeCount(key, name);
    const std::uint32_t type = ProbeType(key, name);
    bool result = true;
    if (type == win32::kRegSz) {
        bool ok = false;
        const std::string text = ReadText(key, name, count, ok);
        if (ok) {
            out = std::atoi(text.c_str());
        }
    } else if (type == win32::kRegDword) {
        // Never past the four bytes of the integer: a short value is a failed
        // read, a long one counts by its first four bytes.
        if (count >= 4) {
            std::unique_ptr<std::uint8_t[]> buffer(new std::uint8_t[count]);
            if (ReadData(key, name, buffer.get(), count)) {
                std::uint32_t value = 0;
                std::memcpy(&value, buffer.get(), 4);
                out = static_cast<std::int32_t>(value);
            }
        }
    } else {
        result = false;
    }
    Registry().CloseKey(key);
    return result;
}

bool GenericRegistryObject::GetFlag(const std::string& subKey, const std::string& name,
                                    bool& out, bool defaultValue) {
    out = defaultValue;
    std::int32_t value = 0;
    const bool result = GetDword(subKey, name, value, defaultValue ? 1 : 0);
    out = value != 0;
    return result;
}

bool GenericRegistryObject::GetRect(const std::string& subKey, const std::string& prefix,
                                    RegistryRect& out, const RegistryRect& defaultValue) {
    out.rect = defaultValue.rect;
    std::int32_t* const edges[] = {out.pLeft, out.pRight, out.pTop, out.pBottom};
    const char* const names[] = {"LEFT", "RIGHT", "TOP", "BOTTOM"};
    bool result = false;
    for (int i = 0; i < 4; ++i) {
        std::int32_t value = 0;
        result = GetDword(subKey, prefix + names[i], value, *edges[i]);
        if (result) {
            *edges[i] = value;
        }
    }
    return result;
}

bool GenericRegistryObject::GetBinary(const std::string& subKey, const std::string& name,
                                      std::uint8_t*& data, std::uint32_t& count) {
    data = nullptr;
    win32::RegKey key;
    if (!OpenForRead(subKey, key)) {
        return false;
    }
    count = ProbeCount(key, name);
    std::uint32_t type = ProbeType(key, name);
    if (count != 0) {
        data = new std::uint8_t[count];
        std::uint32_t size = count;
        if (Registry().QueryValue(key, name, &type, data, &size) != win32::kErrorSuccess) {
            delete[] data;
            data = nullptr;
            count = 0;
        } else {
            count = size;
        }
    }
    Registry().CloseKey(key);
    return true;
}

std::vector<std::string> SplitMultiString(const std::uint8_t* data, std::uint32_t size) {
    std::vector<std::string> list;
    const char* const text = reinterpret_cast<const char*>(data);
    std::uint32_t pos = 0;
    while (data != nullptr && pos < size && text[pos] != '\0') {
        std::uint32_t end = pos;
        while (end < size && text[end] != '\0') {
            ++end;
        }
        list.emplace_back(text + pos, end - pos);
        pos = end + 1;
    }
    return list;
}

bool GenericRegistryObject::GetStringList(const std::string& subKey, const std::string& name,
                                          std::vector<std::string>& list) {
    list.clear();
    win32::RegKey key;
    if (!OpenForRead(subKey, key)) {
        return false;
    }
    const std::uint32_t count = ProbeCount(key, name);
    const std::uint32_t type = ProbeType(key, name);
    if (type == win32::kRegMultiSz && count != 0) {
        std::uint8_t* data = nullptr;
        std::uint32_t size = 0;
        GetBinary(subKey, name, data, size);
        list = SplitMultiString(data, size);
        delete[] data;
    }
    Registry().CloseKey(key);
    return true;
}

bool GenericRegistryObject::WriteValue(win32::RegKey key, const std::string& name,
                                       const std::uint8_t* bytes, std::uint32_t type,
                                       std::uint32_t count) {
    if (count != 0) {
        return Registry().SetValue(key, name, type, bytes, count) == win32::kErrorSuccess;
    }
    if (type == win32::kRegSz || type == win32::kRegBinary) {
        const std::uint8_t zero = 0;
        Registry().SetValue(key, name, type, &zero, 1);
        return true;
    }
    return false;
}

bool GenericRegistryObject::SetString(const std::string& subKey, const std::string& name,
                                      const std::string& text) {
    win32::RegKey key;
    if (!OpenForWrite(subKey, key)) {
        return false;
    }
    const bool result =
        WriteValue(key, name, reinterpret_cast<const std::uint8_t*>(text.data()), win32::kRegSz,
                   static_cast<std::uint32_t>(text.size()));
    Registry().CloseKey(key);
    return result;
}

bool GenericRegistryObject::SetDword(const std::string& subKey, const std::string& name,
                                     std::int32_t value) {
    win32::RegKey key;
    if (!OpenForWrite(subKey, key)) {
        return false;
    }
    std::uint8_t bytes[4];
    std::memcpy(bytes, &value, 4);
    const bool result = WriteValue(key, name, bytes, win32::kRegDword, 4);
    Registry().CloseKey(key);
    return result;
}

bool GenericRegistryObject::SetFlag(const std::string& subKey, const std::string& name,
                                    bool flag) {
    return SetDword(subKey, name, flag ? 1 : 0);
}

bool GenericRegistryObject::SetRect(const std::string& subKey, const std::string& prefix,
                                    const RegistryRect& rect) {
    win32::RegKey key;
    if (!OpenForWrite(subKey, key)) {
        return false;
    }
    const std::int32_t* const edges[] = {rect.pLeft, rect.pRight, rect.pTop, rect.pBottom};
    const char* const names[] = {"LEFT", "RIGHT", "TOP", "BOTTOM"};
    bool result = false;
    for (int i = 0; i < 4; ++i) {
        std::uint8_t bytes[4];
        std::memcpy(bytes, edges[i], 4);
        result = WriteValue(key, prefix + names[i], bytes, win32::kRegDword, 4);
    }
    Registry().CloseKey(key);
    return result;
}

CurrentUserRegistryObject::CurrentUserRegistryObject() { SetRootKey(win32::kRootCurrentUser); }

LocalMachineRegistryObject::LocalMachineRegistryObject() {
    SetRootKey(win32::kRootLocalMachine);
}

bool LocalMachineRegistryObject::Connect(const std::string& machineName) {
    if (machineName.empty()) {
        return false;
    }
    win32::RegKey connected = 0;
    if (Registry().ConnectRegistry(machineName, win32::kRootLocalMachine, &connected) !=
        win32::kErrorSuccess) {
        return false;
    }
    m_hConnectedKey = connected;
    SetRootKey(connected);
    return true;
}
