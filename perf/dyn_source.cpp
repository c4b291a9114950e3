// The 9x side of the query: the dynamic statistic under the dyn-data root.
#include "perf/perf_query.h"

#include "registry/registry_object.h"

namespace {

const char kAnnouncementKey[] = "System\\CurrentControlSet\\Control\\PerfStats\\Enum\\";

void ReadAndDiscard(win32::RegKey root, const std::string& subKey, const std::string& name) {
    GenericRegistryObject registry;
    registry.SetRootKey(root);
    std::uint8_t* data = nullptr;
    std::uint32_t size = 0;
    registry.GetBinary(subKey, name, data, size);
    delete[] data;
}

}  // namespace

std::string CPerfQuery::StatisticName() const { return m_strObject + "\\" + m_strCounter; }

// The machine that serves the statistic announces it.
bool CPerfQuery::StatisticAnnounced() {
    LocalMachineRegistryObject machine;
    if (!m_strMachine.empty() && !machine.Connect(m_strMachine)) {
        ReadFailed();
        return false;
    }
    return machine.KeyExists(kAnnouncementKey + StatisticName());
}

bool CPerfQuery::StartDyn() {
    if (!StatisticAnnounced()) {
        return false;
    }
    m_nInstanceIndex = 0;
    m_nCounterIndex = 0;
    ReadAndDiscard(m_hRoot, "PerfStats\\StartStat", StatisticName());
    return true;
}

bool CPerfQuery::SampleDyn(std::uint8_t*& data, std::uint32_t& size, std::uint32_t& counterType) {
    data = nullptr;
    size = 0;
    GenericRegistryObject registry;
    registry.SetRootKey(m_hRoot);
    if (!registry.GetBinary("PerfStats\\StatData", StatisticName(), data, size)) {
        ReadFailed();
    }
    counterType = 4;
    if (size == 4 && data != nullptr) {
        return true;
    }
    delete[] data;
    data = nullptr;
    return false;
}

void CPerfQuery::StopDyn() {
    if (StatisticAnnounced()) {
        ReadAndDiscard(m_hRoot, "PerfStats\\StopStat", StatisticName());
    }
}
