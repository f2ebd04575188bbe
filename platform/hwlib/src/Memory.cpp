#include "Memory.h"

#include "Report.h"

#include <hwlib/Environment.h>
#include <sysread/SysRead.h>

namespace hwlib {

namespace {

std::optional<std::uint64_t> KiBValue(std::string_view text, std::string_view key) {
    std::size_t at = 0;
    while ((at = text.find(key, at)) != std::string_view::npos) {
        if (at == 0 || text[at - 1] == '\n')
            break;
        at += key.size();
    }
    if (at == std::string_view::npos)
        return std::nullopt;
    std::string_view rest = text.substr(at + key.size());
    rest = rest.substr(0, rest.find('\n'));
    if (rest.ends_with(" kB"))
        rest.remove_suffix(3);
    const auto value = sysread::ParseInteger(rest);
    if (!value || *value < 0)
        return std::nullopt;
    return static_cast<std::uint64_t>(*value);
}

constexpr double kKiBPerGiB = 1024.0 * 1024.0;

} // namespace

MemInfo ParseMemInfo(std::string_view text) {
    return {KiBValue(text, "MemTotal:"), KiBValue(text, "MemAvailable:")};
}

Memory::Memory()
    : HardwareItem("Generic Memory", ohm::HardwareType::Memory),
      m_load(AddSensor("Memory", ohm::SensorType::Load)),
      m_used(AddSensor("Used Memory", ohm::SensorType::Data)),
      m_available(AddSensor("Available Memory", ohm::SensorType::Data)) {}

void Memory::Update() {
    m_info = m_reader.Read(ohm::RootDirectory(), "/proc/meminfo", m_text) ? ParseMemInfo(m_text)
                                                                          : MemInfo{};
    const auto total = m_info.totalKiB;
    const auto available = m_info.availableKiB;
    if (!total || !available || *total == 0 || *available > *total) {
        m_load.SetValue(std::nullopt);
        m_used.SetValue(std::nullopt);
        m_available.SetValue(available ? std::optional<float>(static_cast<float>(
                                             static_cast<double>(*available) / kKiBPerGiB))
                                       : std::nullopt);
        return;
    }
    const double used = static_cast<double>(*total - *available);
    m_load.SetValue(static_cast<float>(100.0 * used / static_cast<double>(*total)));
    m_used.SetValue(static_cast<float>(used / kKiBPerGiB));
    m_available.SetValue(static_cast<float>(static_cast<double>(*available) / kKiBPerGiB));
}

std::string Memory::GetReport() {
    std::string report;
    AppendLine(report, "Memory: " + Name());
    auto amount = [](const std::optional<std::uint64_t>& kib) {
        return kib ? std::to_string(*kib) + " kB" : std::string("(unknown)");
    };
    AppendLine(report, "Total: " + amount(m_info.totalKiB));
    AppendLine(report, "Available: " + amount(m_info.availableKiB));
    AppendLine(report, "");
    AppendSensorTable(report, *this);
    return report;
}

} // namespace hwlib
