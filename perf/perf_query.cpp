#include "perf/perf_query.h"

#include <algorithm>
#include <cstdlib>

#include "platform/registry_api.h"
#include "platform/system_api.h"
#include "registry/registry_object.h"

std::atomic<std::int32_t> g_nPerfDataUsers{0};

namespace {

const char kCurrentVersionKey[] = "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion";
// Refreshes come every third tick: waits from 3 to 60 ticks.
constexpr std::int32_t kLongestConnectWait = 20;

}  // namespace

CPerfQuery::CPerfQuery() = default;

CPerfQuery::~CPerfQuery() {
    Release();
    if (UsesDynData()) {
        if (RootReady()) {
            StopDyn();
        }
    } else if (m_strMachine.empty() && m_hRoot != 0 && g_nPerfDataUsers.load() == 0) {
        Registry().CloseKey(m_hRoot);
    }
    CloseRemoteRoot();
}

void CPerfQuery::Release() {
    m_bOpen = false;
    if (m_bHold) {
        m_bHold = false;
        --g_nPerfDataUsers;
    }
}

// Only the shared local performance root is counted; a remote root is the
// query's own and is closed with it.
void CPerfQuery::TakeHold() {
    if (!m_bHold && m_hRoot == win32::kRootPerformanceData && m_strMachine.empty()) {
        m_bHold = true;
        ++g_nPerfDataUsers;
    }
}

void CPerfQuery::CloseRemoteRoot() {
    if (m_hRemoteRoot != 0) {
        Registry().CloseKey(m_hRemoteRoot);
        if (m_hRoot == m_hRemoteRoot) {
            m_hRoot = 0;
        }
        m_hRemoteRoot = 0;
    }
}

bool CPerfQuery::UsesDynData() const {
    if (m_hRoot == 0) {
        return false;
    }
    return m_hRoot == win32::kRootDynData || (m_hRoot == m_hRemoteRoot && m_bDynFamily);
}

bool CPerfQuery::RootReady() const { return m_strMachine.empty() || m_hRemoteRoot != 0; }

bool CPerfQuery::ConnectRoot() {
    if (m_strMachine.empty()) {
        win32::OsVersionInfoA version{};
        version.dwOSVersionInfoSize = win32::kOsVersionInfoSize;
        System().QueryVersion(&version);
        m_bDynFamily = version.dwPlatformId != win32::kVerPlatformWin32Nt;
        m_hRoot = m_bDynFamily ? win32::kRootDynData : win32::kRootPerformanceData;
        return true;
    }
    // A machine that does not answer costs one blocking attempt, not two.
    {
        LocalMachineRegistryObject machine;
        if (!machine.Connect(m_strMachine)) {
            LoseMachine();
            return false;
        }
        std::string currentVersion;
        const bool found =
            machine.GetString(kCurrentVersionKey, "CurrentVersion", currentVersion, "");
        m_bDynFamily = !found || std::atoi(currentVersion.c_str()) == 0;
    }
    m_hRoot = m_bDynFamily ? win32::kRootDynData : win32::kRootPerformanceData;
    win32::RegKey connected = 0;
    if (Registry().ConnectRegistry(m_strMachine, m_hRoot, &connected) != win32::kErrorSuccess) {
        LoseMachine();
        return false;
    }
    m_nConnectWait = 0;
    m_nRefreshesToSkip = 0;
    m_hRemoteRoot = connected;
    m_hRoot = connected;
    return true;
}

// On a real network each attempt at an unreachable machine holds the
// window's only thread for seconds: after a failed one the next waits twice
// as long as the last, the refreshes in between fail at once, and the next
// attempt connects afresh, as the old connection may never work again.
void CPerfQuery::LoseMachine() {
    CloseRemoteRoot();
    m_nConnectWait = std::min(std::max(2 * m_nConnectWait, 1), kLongestConnectWait);
    m_nRefreshesToSkip = m_nConnectWait - 1;
}

void CPerfQuery::ReadFailed() {
    if (!m_strMachine.empty()) {
        LoseMachine();
    }
}

bool CPerfQuery::ReconnectDue() {
    if (m_nRefreshesToSkip > 0) {
        --m_nRefreshesToSkip;
        return false;
    }
    return true;
}

bool CPerfQuery::MachineLost() const { return !RootReady(); }

bool CPerfQuery::Open(const std::string& object, const std::string& counter,
                      const std::string& instance, const std::string& machine) {
    Release();
    CloseRemoteRoot();
    m_strObject = object;
    m_strCounter = counter;
    m_strInstance = instance;
    m_strMachine = machine;
    if (!ConnectRoot()) {
        return false;
    }
    m_bOpen = true;
    TakeHold();
    return Refresh();
}

bool CPerfQuery::Refresh() {
    if (m_strMachine.empty() && m_hRoot == 0) {
        return false;
    }
    if (!RootReady()) {
        if (!ReconnectDue() || !ConnectRoot()) {
            m_nCounterIndex = -1;
            m_nInstanceIndex = -1;
            return false;
        }
        // The root is settled now, as Open would have settled it.
        m_bOpen = true;
        TakeHold();
    }
    return UsesDynData() ? StartDyn() : RefreshNt();
}

bool CPerfQuery::Sample(std::uint8_t*& data, std::uint32_t& size, std::uint32_t& counterType) {
    if (m_hRoot == 0 || !RootReady()) {
        return false;
    }
    const bool sampled =
        UsesDynData() ? SampleDyn(data, size, counterType) : SampleNt(data, size, counterType);
    // A machine lost here had its attempt for this step: the next refresh
    // does not try it again at once.
    if (MachineLost()) {
        ++m_nRefreshesToSkip;
    }
    return sampled;
}

void CPerfQuery::GetInstanceNames(std::vector<std::string>& names) const {
    names.clear();
    names.insert(names.end(), m_instanceNames.begin(), m_instanceNames.end());
}
