// What one steady sample of the processors' load costs the meter under Wine,
// beside what Wine's own call for the processors' times costs within it and
// what one message through the queue costs any program (the timer-only
// floor takes a message a second). Each call follows a pause, as a tick
// follows a second's sleep: back to back, with warm caches, the same calls
// cost several times less. Figures are medians, so a busy machine blurs them
// little.
//   sample_cost.exe     prints "NAME MICROSECONDS" lines; exits 1 on a failed call
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <vector>

#include "perf/perf_query.h"
#include "perf/synthetic_perf_data.h"
#include "platform/win32/win32_registry.h"
#include "platform/win32/win32_system.h"

namespace {

constexpr int kCalls = 101;
constexpr DWORD kPauseMs = 50;

// The median microseconds of a call after a pause; negative when a call failed.
template <typename Call>
double MedianMicroseconds(Call call) {
    LARGE_INTEGER frequency{};
    QueryPerformanceFrequency(&frequency);
    std::vector<double> times;
    for (int i = 0; i < kCalls; ++i) {
        Sleep(kPauseMs);
        LARGE_INTEGER start{};
        LARGE_INTEGER end{};
        QueryPerformanceCounter(&start);
        if (!call()) {
            return -1.0;
        }
        QueryPerformanceCounter(&end);
        times.push_back(static_cast<double>(end.QuadPart - start.QuadPart) * 1e6 /
                        static_cast<double>(frequency.QuadPart));
    }
    std::nth_element(times.begin(), times.begin() + kCalls / 2, times.end());
    return times[kCalls / 2];
}

bool Report(const char* name, double microseconds) {
    if (microseconds < 0.0) {
        std::fprintf(stderr, "sample_cost: %s failed\n", name);
        return false;
    }
    std::printf("%s %.1f\n", name, microseconds);
    return true;
}

}  // namespace

int main() {
    Win32System system;
    Win32Registry registry;
    SyntheticPerfData perfData(registry, system);
    SetRegistry(&perfData);
    SetSystem(&system);
    CPerfQuery query;
    if (!query.Open("Processor", "% Processor Time", "_Total", "")) {
        std::fprintf(stderr, "sample_cost: the processor query does not open\n");
        return 1;
    }
    const double sample = MedianMicroseconds([&query] {
        std::uint8_t* data = nullptr;
        std::uint32_t size = 0;
        std::uint32_t type = 0;
        const bool sampled = query.Sample(data, size, type);
        delete[] data;
        return sampled;
    });
    std::vector<std::int64_t> idle;
    const double processorTimes =
        MedianMicroseconds([&system, &idle] { return system.ReadProcessorIdleTimes(idle); });
    const double message = MedianMicroseconds([] {
        MSG received;
        return PostThreadMessageA(GetCurrentThreadId(), WM_APP, 0, 0) &&
               GetMessageA(&received, nullptr, WM_APP, WM_APP) > 0;
    });
    const bool reported = Report("sample", sample) && Report("processor_times", processorTimes) &&
                          Report("message", message);
    return reported ? 0 : 1;
}
