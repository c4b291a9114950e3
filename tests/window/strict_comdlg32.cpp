// comdlg32.dll as strict as Windows 95, 98 and NT 4.0 about the open-file
// record: it refuses a record of any size but theirs, as they do (Wine
// takes any). It shows nothing: it notes what it was asked in
// STRICT_COMDLG32_ASKED ("SIZE|EXTENSION|FILE|FLAGS") and answers with the
// path in STRICT_COMDLG32_CHOICE, or Cancel where there is none.
// The system's declaration, imported from the real DLL, is not this one.
#define GetOpenFileNameA ImportedGetOpenFileNameA
#include <windows.h>
#include <commdlg.h>
#undef GetOpenFileNameA

#include <cstddef>
#include <cstdio>

namespace {

constexpr DWORD kOldestRecordSize = offsetof(OPENFILENAMEA, lpTemplateName) + sizeof(LPCSTR);

}  // namespace

extern "C" __declspec(dllexport) BOOL WINAPI GetOpenFileNameA(LPOPENFILENAMEA request) {
    char asked[MAX_PATH + 64];
    std::snprintf(asked, sizeof(asked), "%lu|%s|%s|%lu",
                  static_cast<unsigned long>(request->lStructSize),
                  request->lpstrDefExt != nullptr ? request->lpstrDefExt : "",
                  request->lpstrFile != nullptr ? request->lpstrFile : "",
                  static_cast<unsigned long>(request->Flags));
    SetEnvironmentVariableA("STRICT_COMDLG32_ASKED", asked);
    if (request->lStructSize != kOldestRecordSize || request->lpstrFile == nullptr) {
        return FALSE;
    }
    const DWORD length = GetEnvironmentVariableA("STRICT_COMDLG32_CHOICE", request->lpstrFile,
                                                 request->nMaxFile);
    return length > 0 && length < request->nMaxFile;
}
