#include "Processor.h"

#include "Report.h"

#include <hwlib/Environment.h>

#include <algorithm>

namespace hwlib {

namespace {

std::string CollapseSpaces(std::string_view text) {
    std::string out;
    for (char c : sysread::Trim(text)) {
        if (c == ' ' && !out.empty() && out.back() == ' ')
            continue;
        out.push_back(c);
    }
    return out;
}

bool IsAmdChip(const std::string& name) {
    return name == "k10temp" || name == "zenpower" || name == "k8temp";
}

} // namespace

bool Processor::IsProcessorChip(const std::string& name) {
    return name == "coretemp" || IsAmdChip(name);
}

Processor::Processor(CpuPackage package, std::shared_ptr<SharedSources> sources,
                     const std::vector<sysread::HwmonChip>& chips, std::size_t packageOrdinal)
    : HardwareItem(CollapseSpaces(package.name), ohm::HardwareType::Cpu),
      m_package(std::move(package)), m_sources(std::move(sources)) {
    for (std::size_t i = 0; i < m_package.cores.size(); ++i) {
        m_cores.push_back(
            {&AddSensor("CPU Core #" + std::to_string(i + 1), ohm::SensorType::Load)});
        for (int cpu : m_package.cores[i].cpus) {
            if (m_owner.size() <= static_cast<std::size_t>(cpu))
                m_owner.resize(static_cast<std::size_t>(cpu) + 1, static_cast<int>(Owner::Unknown));
            m_owner[static_cast<std::size_t>(cpu)] = static_cast<int>(i);
        }
    }
    m_total.sensor = &AddSensor("CPU Total", ohm::SensorType::Load);
    BindTemperatures(chips, packageOrdinal);
}

void Processor::BindTemperatures(const std::vector<sysread::HwmonChip>& chips,
                                 std::size_t ordinal) {
    const std::string packageLabel = "Package id " + std::to_string(m_package.packageId);
    for (const auto& chip : chips) {
        if (chip.name != "coretemp")
            continue;
        // One coretemp chip per package: its "Package id N" label, or its
        // device coretemp.N, says which.
        bool ours = false;
        bool labelled = false;
        for (const auto& channel : chip.channels) {
            if (channel.label && channel.label->rfind("Package id ", 0) == 0) {
                labelled = true;
                ours = ours || *channel.label == packageLabel;
            }
        }
        if (!labelled)
            ours = chip.devicePath.ends_with("coretemp." + std::to_string(m_package.packageId));
        if (!ours)
            continue;
        for (std::size_t i = 0; i < m_package.cores.size(); ++i) {
            const std::string coreLabel = "Core " + std::to_string(m_package.cores[i].coreId);
            for (const auto& channel : chip.channels) {
                if (channel.kind == "temp" && channel.label == coreLabel)
                    m_hwmon.Bind(chip, channel,
                                 AddSensor("CPU Core #" + std::to_string(i + 1),
                                           ohm::SensorType::Temperature),
                                 1e-3);
            }
        }
        for (const auto& channel : chip.channels) {
            if (channel.kind == "temp" && channel.label == packageLabel)
                m_hwmon.Bind(chip, channel, AddSensor("CPU Package", ohm::SensorType::Temperature),
                             1e-3);
        }
        return;
    }

    // AMD chips carry no package number: the n-th chip by device belongs to
    // the n-th package.
    std::vector<const sysread::HwmonChip*> amd;
    for (const auto& chip : chips) {
        if (IsAmdChip(chip.name))
            amd.push_back(&chip);
    }
    std::sort(amd.begin(), amd.end(),
              [](auto* a, auto* b) { return a->devicePath < b->devicePath; });
    if (ordinal >= amd.size())
        return;
    const sysread::HwmonChip& chip = *amd[ordinal];
    for (const auto& channel : chip.channels) {
        if (channel.kind != "temp")
            continue;
        std::string name;
        if (!channel.label)
            name = "CPU Temperature #" + std::to_string(channel.index);
        else if (channel.label->rfind("Tccd", 0) == 0)
            name = "CPU CCD #" + channel.label->substr(4);
        else
            name = "CPU " + *channel.label;
        m_hwmon.Bind(chip, channel, AddSensor(name, ohm::SensorType::Temperature), 1e-3);
    }
}

void Processor::ResolveCpu(const std::filesystem::path& root, std::size_t cpu) {
    if (m_owner.size() <= cpu)
        m_owner.resize(cpu + 1, static_cast<int>(Owner::Unknown));
    // A CPU that was offline when the item was made: find its place now.
    const auto place = PlaceOfCpu(root, static_cast<int>(cpu), {});
    m_owner[cpu] = static_cast<int>(Owner::Other);
    if (!place || place->packageId != m_package.packageId)
        return;
    for (std::size_t i = 0; i < m_package.cores.size(); ++i) {
        if (m_package.cores[i].coreId == place->coreId) {
            m_owner[cpu] = static_cast<int>(i);
            return;
        }
    }
    m_owner[cpu] = static_cast<int>(m_cores.size()); // in the total only
}

void Processor::Finish(Load& load) {
    if (!load.anyOnline)
        load.sensor->SetValue(std::nullopt);
    else if (load.total > 0)
        load.sensor->SetValue(static_cast<float>(100.0 * static_cast<double>(load.busy) /
                                                 static_cast<double>(load.total)));
    // No tick has passed: the last value stands.
    load.busy = load.total = 0;
    load.anyOnline = false;
}

void Processor::Update() {
    const std::filesystem::path root = ohm::RootDirectory();
    const auto& sample = m_sources->CpuSample(m_seen, root);
    if (m_previous.size() < sample.size())
        m_previous.resize(sample.size());

    for (std::size_t cpu = 0; cpu < sample.size(); ++cpu) {
        const CpuTimes& now = sample[cpu];
        CpuTimes& before = m_previous[cpu];
        if (!now.present) {
            before.present = false;
            continue;
        }
        if (cpu >= m_owner.size() || (m_owner[cpu] == static_cast<int>(Owner::Unknown)) ||
            (!before.present && !m_first && m_owner[cpu] == static_cast<int>(Owner::Other)))
            ResolveCpu(root, cpu);
        const int owner = m_owner[cpu];
        if (owner < 0) {
            before = now;
            continue;
        }
        // The first update measures from boot; a CPU that has just come
        // online is measured from the next update on.
        const bool measured = before.present || m_first;
        // iowait may step backwards: clamp each part instead of wrapping.
        const std::uint64_t busy = measured && now.busy > before.busy ? now.busy - before.busy : 0;
        const std::uint64_t idle = measured && now.idle > before.idle ? now.idle - before.idle : 0;
        for (Load* load :
             {owner < static_cast<int>(m_cores.size()) ? &m_cores[static_cast<std::size_t>(owner)]
                                                       : nullptr,
              &m_total}) {
            if (!load)
                continue;
            load->anyOnline = true;
            load->busy += busy;
            load->total += busy + idle;
        }
        before = now;
    }
    for (std::size_t cpu = sample.size(); cpu < m_previous.size(); ++cpu)
        m_previous[cpu].present = false;
    for (Load& load : m_cores)
        Finish(load);
    Finish(m_total);
    m_first = false;

    m_hwmon.Update(root, m_sources->Reader());
}

std::string Processor::GetReport() {
    std::string report;
    AppendLine(report, "Processor: " + Name());
    AppendLine(report, "Package: " + std::to_string(m_package.packageId));
    AppendLine(report, "Cores: " + std::to_string(m_package.cores.size()));
    for (std::size_t i = 0; i < m_package.cores.size(); ++i) {
        std::string line = "  Core #" + std::to_string(i + 1) + " (core id " +
                           std::to_string(m_package.cores[i].coreId) + "): CPU";
        for (int cpu : m_package.cores[i].cpus)
            line += " " + std::to_string(cpu);
        AppendLine(report, line);
    }
    AppendLine(report, "");
    AppendSensorTable(report, *this);
    return report;
}

} // namespace hwlib
