#include <hwlib/Computer.h>

#include "Drive.h"
#include "Graphics.h"
#include "Mainboard.h"
#include "Memory.h"
#include "Processor.h"
#include "Report.h"

#include <hwlib/Environment.h>

namespace OpenHardwareMonitor::Hardware {

namespace {

enum Group { kMainboard, kCpu, kMemory, kGpu, kDrive, kFanController, kGroupCount };

std::vector<int> OnlineCpus(const std::filesystem::path& root) {
    std::vector<hwlib::CpuTimes> times;
    hwlib::ParseCpuTimes(sysread::ReadFile(root, "/proc/stat", 4 * 1024 * 1024).value_or(""),
                         times);
    std::vector<int> cpus;
    for (std::size_t i = 0; i < times.size(); ++i) {
        if (times[i].present)
            cpus.push_back(static_cast<int>(i));
    }
    return cpus;
}

} // namespace

class Computer::Impl {
public:
    void Set(Group group, bool enabled) {
        if (m_enabled[group] == enabled)
            return;
        m_enabled[group] = enabled;
        if (!m_open)
            return;
        if (enabled)
            Build(group);
        else
            m_items[group].clear();
    }
    bool Enabled(Group group) const { return m_enabled[group]; }

    void Open() {
        if (m_open)
            return;
        m_open = true;
        m_sources = std::make_shared<hwlib::SharedSources>();
        for (int group = 0; group < kGroupCount; ++group) {
            if (m_enabled[group])
                Build(static_cast<Group>(group));
        }
    }

    void Close() {
        m_open = false;
        for (auto& items : m_items)
            items.clear();
        m_sources.reset();
    }

    std::vector<IHardware*> Hardware() const {
        std::vector<IHardware*> all;
        for (const auto& items : m_items) {
            for (const auto& item : items)
                all.push_back(item.get());
        }
        return all;
    }

private:
    void Build(Group group) {
        const std::filesystem::path root = RootDirectory();
        auto& items = m_items[group];
        items.clear();
        switch (group) {
        case kMainboard:
            items.push_back(std::make_unique<hwlib::Mainboard>(root, sysread::ScanHwmon(root)));
            break;
        case kCpu: {
            const auto chips = sysread::ScanHwmon(root);
            auto packages = hwlib::DiscoverPackages(root, OnlineCpus(root));
            for (std::size_t i = 0; i < packages.size(); ++i)
                items.push_back(std::make_unique<hwlib::Processor>(std::move(packages[i]),
                                                                   m_sources, chips, i));
            break;
        }
        case kMemory:
            if (sysread::ReadFile(root, "/proc/meminfo", 64 * 1024))
                items.push_back(std::make_unique<hwlib::Memory>());
            break;
        case kGpu:
            for (const auto& chip : sysread::ScanHwmon(root)) {
                if (hwlib::Graphics::IsGpuChip(chip.name))
                    items.push_back(std::make_unique<hwlib::Graphics>(root, chip));
            }
            break;
        case kDrive: {
            const auto chips = sysread::ScanHwmon(root);
            for (auto& disk : hwlib::DiscoverDisks(root))
                items.push_back(std::make_unique<hwlib::Drive>(std::move(disk), m_sources, chips));
            break;
        }
        case kFanController:
        case kGroupCount:
            break;
        }
    }

    bool m_open = false;
    bool m_enabled[kGroupCount] = {};
    std::vector<std::unique_ptr<hwlib::HardwareItem>> m_items[kGroupCount];
    std::shared_ptr<hwlib::SharedSources> m_sources;
};

Computer::Computer() : m_impl(std::make_unique<Impl>()) {}
Computer::~Computer() = default;

void Computer::Open() {
    m_impl->Open();
}
void Computer::Close() {
    m_impl->Close();
}

void Computer::CPUEnabled(bool enabled) {
    m_impl->Set(kCpu, enabled);
}
bool Computer::CPUEnabled() const {
    return m_impl->Enabled(kCpu);
}
void Computer::FanControllerEnabled(bool enabled) {
    m_impl->Set(kFanController, enabled);
}
bool Computer::FanControllerEnabled() const {
    return m_impl->Enabled(kFanController);
}
void Computer::GPUEnabled(bool enabled) {
    m_impl->Set(kGpu, enabled);
}
bool Computer::GPUEnabled() const {
    return m_impl->Enabled(kGpu);
}
void Computer::HDDEnabled(bool enabled) {
    m_impl->Set(kDrive, enabled);
}
bool Computer::HDDEnabled() const {
    return m_impl->Enabled(kDrive);
}
void Computer::MainboardEnabled(bool enabled) {
    m_impl->Set(kMainboard, enabled);
}
bool Computer::MainboardEnabled() const {
    return m_impl->Enabled(kMainboard);
}
void Computer::RAMEnabled(bool enabled) {
    m_impl->Set(kMemory, enabled);
}
bool Computer::RAMEnabled() const {
    return m_impl->Enabled(kMemory);
}

std::vector<IHardware*> Computer::Hardware() const {
    return m_impl->Hardware();
}

std::string Computer::GetReport() {
    using hwlib::AppendLine;
    const std::string rule(78, '-');
    std::string report;
    AppendLine(report, "Hardware Monitor Report");
    AppendLine(report, "");
    AppendLine(report, rule);
    AppendLine(report, "");
    const auto root = RootDirectory();
    const auto release = sysread::ReadAttribute(root, "/proc/sys/kernel/osrelease");
    AppendLine(report,
               "Operating System: Linux " + hwlib::Printable(release.value_or("(unknown)")));
    AppendLine(report, "");
    const auto items = Hardware();
    AppendLine(report, "Items: " + std::to_string(items.size()));
    for (IHardware* item : items)
        AppendLine(report, "  " + hwlib::Printable(item->Name()) + " (" +
                               std::string(hwlib::TypeName(item->HardwareType())) + ")");
    for (IHardware* item : items) {
        AppendLine(report, "");
        AppendLine(report, rule);
        AppendLine(report, "");
        report += item->GetReport();
    }
    return report;
}

} // namespace OpenHardwareMonitor::Hardware
