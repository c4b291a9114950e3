// Identifiers and names the meter window shares between its handlers.
#pragma once

#include <cstdint>

namespace meter {

constexpr std::uint32_t kTimerId = 1;
constexpr std::uint32_t kTimerPeriodMs = 1000;
constexpr std::uint32_t kTaskIconId = 0xFFFFFFFFu;

constexpr std::uint32_t kCmdExit = 101;
constexpr std::uint32_t kCmdSkin = 102;
constexpr std::uint32_t kCmdSuspend = 103;
constexpr std::uint32_t kCmdAlwaysOnTop = 105;
constexpr std::uint32_t kCmdDisplayOnTaskbar = 106;
constexpr std::uint32_t kCmdDisplayOnDesktop = 107;
constexpr std::uint32_t kCmdFirstProcess = 2000;
constexpr std::uint32_t kCmdLastProcess = 3000;

constexpr const char* kSettingsKey = "Software\\Brindleworks\\Gaugelet";
constexpr const char* kPerfCounter = "% Processor Time";
constexpr const char* kNotUsableQuery = "Failed to create performance data query !";

}  // namespace meter
