// A system whose version and program file a test chooses.
#pragma once

#include <cstdint>
#include <string>

#include "platform/system_api.h"

class FakeSystem : public SystemApi {
public:
    bool QueryVersion(win32::OsVersionInfoA* info) override;
    std::string ProgramFileName() override { return m_moduleFileName; }

    std::uint32_t m_platformId = win32::kVerPlatformWin32Nt;
    std::uint32_t m_majorVersion = 6;
    std::uint32_t m_minorVersion = 1;
    bool m_versionFails = false;
    std::string m_moduleFileName = "C:\\Tools\\gaugelet.exe";
};
