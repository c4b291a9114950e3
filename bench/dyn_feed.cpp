// Feeds the 9x CPU statistic that the meter reads under HKEY_DYN_DATA from
// one long-lived process, so the feed costs Wine one registry write a second
// and no process start.
//   dyn_feed.exe FIRST SECOND    writes FIRST, then every second the other
#include <windows.h>

#include <cstdio>
#include <cstdlib>

namespace {

bool ParsePercent(const char* text, DWORD& value) {
    char* end = nullptr;
    const unsigned long parsed = std::strtoul(text, &end, 10);
    if (end == text || *end != '\0' || parsed > 100) {
        return false;
    }
    value = static_cast<DWORD>(parsed);
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    DWORD values[2] = {0, 0};
    if (argc != 3 || !ParsePercent(argv[1], values[0]) || !ParsePercent(argv[2], values[1])) {
        std::fprintf(stderr, "usage: dyn_feed.exe FIRST SECOND (percentages)\n");
        return 2;
    }
    HKEY key = nullptr;
    LONG status = RegCreateKeyExA(HKEY_DYN_DATA, "PerfStats\\StatData", 0, nullptr, 0, KEY_WRITE,
                                  nullptr, &key, nullptr);
    if (status != ERROR_SUCCESS) {
        std::fprintf(stderr, "dyn_feed: RegCreateKeyExA failed: %ld\n", status);
        return 1;
    }
    // Deadlines on one clock, so the feed does not drift against the meter's timer.
    ULONGLONG deadline = GetTickCount64();
    for (unsigned long long tick = 0;; ++tick) {
        const DWORD value = values[tick % 2];
        status = RegSetValueExA(key, "KERNEL\\CPUUsage", 0, REG_BINARY,
                                reinterpret_cast<const BYTE*>(&value), sizeof(value));
        if (status != ERROR_SUCCESS) {
            std::fprintf(stderr, "dyn_feed: RegSetValueExA failed: %ld\n", status);
            break;
        }
        deadline += 1000;
        const ULONGLONG now = GetTickCount64();
        if (deadline > now) {
            Sleep(static_cast<DWORD>(deadline - now));
        }
    }
    RegCloseKey(key);
    return 1;
}
