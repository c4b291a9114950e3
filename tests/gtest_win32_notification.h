// GoogleTest's Notification over a Win32 event: the win32-thread libstdc++
// of GCC 12 has no std::mutex or std::condition_variable for its own.
#pragma once
#include <windows.h>

namespace testing::internal {

class Notification {
public:
    Notification() : m_event(CreateEventA(nullptr, TRUE, FALSE, nullptr)) {}
    ~Notification() { CloseHandle(m_event); }
    Notification(const Notification&) = delete;
    Notification& operator=(const Notification&) = delete;
    void Notify() { SetEvent(m_event); }
    void WaitForNotification() { WaitForSingleObject(m_event, INFINITE); }

private:
    HANDLE m_event;
};

}  // namespace testing::internal
