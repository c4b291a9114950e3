// Short-lived typed access to registry values: every operation opens its
// sub-key, does its work and closes the key again before it returns.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/win32_abi.h"

struct RegistryRect {
    std::int32_t* pLeft;
    std::int32_t* pTop;
    std::int32_t* pRight;
    std::int32_t* pBottom;
    struct {
        std::int32_t left;
        std::int32_t top;
        std::int32_t right;
        std::int32_t bottom;
    } rect;

    // The pointers address this object's own rect.
    RegistryRect(std::int32_t left = 0, std::int32_t top = 0, std::int32_t right = 0,
                 std::int32_t bottom = 0);
    RegistryRect(const RegistryRect& other);
    RegistryRect& operator=(const RegistryRect& other);
};

// The texts of a REG_MULTI_SZ value, up to its empty text or its end,
// whichever comes first; nothing is read past size.
std::vector<std::string> SplitMultiString(const std::uint8_t* data, std::uint32_t size);

class GenericRegistryObject {
public:
    GenericRegistryObject() = default;
    GenericRegistryObject(const GenericRegistryObject&) = delete;
    GenericRegistryObject& operator=(const GenericRegistryObject&) = delete;
    virtual ~GenericRegistryObject();

    void SetRootKey(win32::RegKey root);

    bool KeyExists(const std::string& subKey);
    bool GetString(const std::string& subKey, const std::string& name, std::string& out,
                   const std::string& defaultValue);
    bool GetDword(const std::string& subKey, const std::string& name, std::int32_t& out,
                  std::int32_t defaultValue);
    bool GetFlag(const std::string& subKey, const std::string& name, bool& out,
                 bool defaultValue);
    bool GetRect(const std::string& subKey, const std::string& prefix, RegistryRect& out,
                 const RegistryRect& defaultValue);
    // On true with a non-zero count, data is a new[] buffer the caller deletes.
    bool GetBinary(const std::string& subKey, const std::string& name, std::uint8_t*& data,
                   std::uint32_t& count);
    bool GetStringList(const std::string& subKey, const std::string& name,
                       std::vector<std::string>& list);

    bool SetString(const std::string& subKey, const std::string& name, const std::string& text);
    bool SetDword(const std::string& subKey, const std::string& name, std::int32_t value);
    bool SetFlag(const std::string& subKey, const std::string& name, bool flag);
    bool SetRect(const std::string& subKey, const std::string& prefix, const RegistryRect& rect);

protected:
    win32::RegKey m_hRootKey = 0;
    win32::RegKey m_hConnectedKey = 0;
    bool m_bRootIsPredefined = true;

private:
    bool OpenForRead(const std::string& subKey, win32::RegKey& key);
    bool OpenForWrite(const std::string& subKey, win32::RegKey& key);
    bool WriteValue(win32::RegKey key, const std::string& name, const std::uint8_t* bytes,
                    std::uint32_t type, std::uint32_t count);
};

class CurrentUserRegistryObject : public GenericRegistryObject {
public:
    CurrentUserRegistryObject();
};

class LocalMachineRegistryObject : public GenericRegistryObject {
public:
    LocalMachineRegistryObject();

    // Makes another machine's HKEY_LOCAL_MACHINE the root; an empty name or
    // a failed connection keeps the local root. True when connected.
    bool Connect(const std::string& machineName);
};
