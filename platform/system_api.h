// The system seam: the version of the running system and the program's file.
#pragma once

#include <string>

#include "platform/win32_abi.h"

class SystemApi {
public:
    virtual ~SystemApi() = default;

    // As GetVersionExA (named apart from its <windows.h> macro); the caller
    // sets dwOSVersionInfoSize.
    virtual bool QueryVersion(win32::OsVersionInfoA* info) = 0;
    // As GetModuleFileNameA for the program itself.
    virtual std::string ProgramFileName() = 0;
};

SystemApi& System();
void SetSystem(SystemApi* system);
