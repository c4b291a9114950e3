// Holds every processor busy for DUTY percent of each 20 ms, for SECONDS:
// the known loads that bench/accuracy.sh holds the meter's frames against.
//   duty_load DUTY SECONDS
#include <time.h>

#include <cstdio>
#include <cstdlib>
#include <thread>
#include <vector>

namespace {

constexpr long kPeriodNs = 20'000'000;

timespec Plus(timespec at, long ns) {
    at.tv_nsec += ns;
    at.tv_sec += at.tv_nsec / 1'000'000'000;
    at.tv_nsec %= 1'000'000'000;
    return at;
}

bool Before(const timespec& a, const timespec& b) {
    return a.tv_sec < b.tv_sec || (a.tv_sec == b.tv_sec && a.tv_nsec < b.tv_nsec);
}

// Spins to DUTY percent of each period, sleeps to its end; the periods are
// laid out from the start, so an oversleep does not drift the duty.
void Hold(long duty, timespec end) {
    timespec period;
    clock_gettime(CLOCK_MONOTONIC, &period);
    for (; Before(period, end); period = Plus(period, kPeriodNs)) {
        const timespec spinUntil = Plus(period, kPeriodNs / 100 * duty);
        timespec now;
        do {
            clock_gettime(CLOCK_MONOTONIC, &now);
        } while (Before(now, spinUntil));
        const timespec next = Plus(period, kPeriodNs);
        clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &next, nullptr);
    }
}

}  // namespace

int main(int argc, char** argv) {
    const long duty = argc == 3 ? std::strtol(argv[1], nullptr, 10) : -1;
    const long seconds = argc == 3 ? std::strtol(argv[2], nullptr, 10) : -1;
    if (duty < 0 || duty > 100 || seconds <= 0) {
        std::fputs("usage: duty_load DUTY SECONDS   (DUTY 0 to 100)\n", stderr);
        return 2;
    }
    timespec end;
    clock_gettime(CLOCK_MONOTONIC, &end);
    end.tv_sec += seconds;
    std::vector<std::thread> threads;
    for (unsigned i = 0; i < std::thread::hardware_concurrency(); ++i) {
        threads.emplace_back(Hold, duty, end);
    }
    for (std::thread& thread : threads) {
        thread.join();
    }
    return 0;
}
