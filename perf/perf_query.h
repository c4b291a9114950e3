// One counter of one instance of one performance object on one machine,
// sampled from the NT performance data or the 9x dynamic statistics.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/win32_abi.h"

// Holds on the shared local performance-data root: one per open NT query.
extern std::atomic<std::int32_t> g_nPerfDataUsers;

class CPerfQuery {
public:
    CPerfQuery();
    CPerfQuery(const CPerfQuery&) = delete;
    CPerfQuery& operator=(const CPerfQuery&) = delete;
    virtual ~CPerfQuery();

    bool Open(const std::string& object, const std::string& counter,
              const std::string& instance, const std::string& machine);
    bool Refresh();
    // On true, data is a new[] buffer of size bytes owned by the caller.
    bool Sample(std::uint8_t*& data, std::uint32_t& size, std::uint32_t& counterType);
    void GetInstanceNames(std::vector<std::string>& names) const;
    // The bound machine stopped answering, or never did: nothing is read
    // from it until the next due attempt connects again.
    bool MachineLost() const;

    std::string m_strObject;
    std::string m_strCounter;
    std::string m_strInstance;
    std::int32_t m_nCounterIndex = -1;
    std::int32_t m_nInstanceIndex = -1;
    std::int64_t m_perfTime = 0;
    std::int64_t m_perfTime100nSec = 0;
    std::int64_t m_perfFreq = 0;
    std::vector<std::string> m_instanceNames;
    bool m_bOpen = false;
    win32::RegKey m_hRoot = 0;

private:
    void Release();
    void TakeHold();
    void CloseRemoteRoot();
    bool ConnectRoot();
    void LoseMachine();
    // A read of a remote machine that failed loses the machine.
    void ReadFailed();
    bool ReconnectDue();
    bool UsesDynData() const;
    // A remote query reads nothing until its own connected root exists.
    bool RootReady() const;

    // NT performance data source (nt_source.cpp).
    // Reads the object's block into m_block; false when none came.
    bool FetchObjectData(std::uint32_t& byteCount);
    bool RefreshNt();
    bool SampleNt(std::uint8_t*& data, std::uint32_t& size, std::uint32_t& counterType);

    // Windows 9x dynamic statistics source (dyn_source.cpp).
    bool StartDyn();
    bool SampleDyn(std::uint8_t*& data, std::uint32_t& size, std::uint32_t& counterType);
    void StopDyn();
    bool StatisticAnnounced();
    std::string StatisticName() const;

    // The object's title index, resolved from the counter-name table at each
    // refresh, and the block buffer, kept between samples: a steady tick
    // reads the block and nothing else.
    std::string m_strObjectIndex;
    std::vector<std::uint8_t> m_block;
    std::string m_strMachine;     // the machine bound by Open; empty for local
    win32::RegKey m_hRemoteRoot = 0;  // connected root this query owns
    bool m_bHold = false;         // this query counts in g_nPerfDataUsers
    bool m_bDynFamily = false;    // the bound machine is of the 9x family
    std::int32_t m_nConnectWait = 0;      // refreshes between failed connections
    std::int32_t m_nRefreshesToSkip = 0;  // before the next connection attempt
};
