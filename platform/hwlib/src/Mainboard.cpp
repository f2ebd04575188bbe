#include "Mainboard.h"

#include "Report.h"

#include <hwlib/Environment.h>

#include <algorithm>

namespace hwlib {

namespace {

std::string DmiText(const std::filesystem::path& root, const char* file) {
    return Printable(
        sysread::ReadAttribute(root, std::string("/sys/class/dmi/id/") + file).value_or(""));
}

const char* GenericName(const std::string& kind) {
    if (kind == "temp")
        return "Temperature #";
    if (kind == "fan")
        return "Fan #";
    return "Voltage #";
}

ohm::SensorType TypeOf(const std::string& kind) {
    if (kind == "temp")
        return ohm::SensorType::Temperature;
    if (kind == "fan")
        return ohm::SensorType::Fan;
    return ohm::SensorType::Voltage;
}

} // namespace

bool Mainboard::IsBoardChip(const std::string& name) {
    for (const char* prefix : {"nct", "it8", "w83", "f71", "f81", "sch5", "asus", "acpitz",
                               "thinkpad", "dell_smm", "applesmc", "gigabyte", "pch_"}) {
        if (name.rfind(prefix, 0) == 0)
            return true;
    }
    return false;
}

Mainboard::Dmi Mainboard::ReadDmi(const std::filesystem::path& root) {
    return {DmiText(root, "board_vendor"),  DmiText(root, "board_name"),
            DmiText(root, "board_version"), DmiText(root, "sys_vendor"),
            DmiText(root, "product_name"),  DmiText(root, "bios_vendor"),
            DmiText(root, "bios_version"),  DmiText(root, "bios_date")};
}

std::string Mainboard::NameOf(const Dmi& dmi) {
    std::string vendor = dmi.boardVendor.empty() ? dmi.systemVendor : dmi.boardVendor;
    std::string board = dmi.boardName.empty() ? dmi.productName : dmi.boardName;
    if (vendor.empty() && board.empty())
        return "Unknown Mainboard";
    if (board.rfind(vendor, 0) == 0)
        return board;
    return board.empty() ? vendor : vendor.empty() ? board : vendor + " " + board;
}

Mainboard::Mainboard(const std::filesystem::path& root,
                     const std::vector<sysread::HwmonChip>& chips)
    : HardwareItem(NameOf(ReadDmi(root)), ohm::HardwareType::Mainboard), m_dmi(ReadDmi(root)) {
    // Temperatures, then fans, then voltages, whichever chip they come from.
    for (const char* kind : {"temp", "fan", "in"}) {
        for (const auto& chip : chips) {
            if (!IsBoardChip(chip.name))
                continue;
            if (std::find(m_chipNames.begin(), m_chipNames.end(), chip.name) == m_chipNames.end())
                m_chipNames.push_back(chip.name);
            for (const auto& channel : chip.channels) {
                if (channel.kind != kind)
                    continue;
                std::string name = channel.label && !channel.label->empty()
                                       ? Printable(*channel.label)
                                       : GenericName(channel.kind) + std::to_string(channel.index);
                if (HasSensorNamed(name))
                    name += " (" + chip.name + ")";
                m_hwmon.Bind(chip, channel, AddSensor(name, TypeOf(channel.kind)),
                             HwmonSet::ScaleOf(channel.kind));
            }
        }
    }
}

void Mainboard::Update() {
    m_hwmon.Update(ohm::RootDirectory(), m_reader);
}

std::string Mainboard::GetReport() {
    // The callers cut the manufacturer out of "Mainboard Manufacturer:", one
    // separator, then everything up to the carriage return.
    std::string report;
    AppendLine(report, "Mainboard: " + Name());
    AppendLine(report, "");
    const std::string& vendor = m_dmi.boardVendor.empty() ? m_dmi.systemVendor : m_dmi.boardVendor;
    AppendLine(report, "Mainboard Manufacturer: " + (vendor.empty() ? "Unknown" : vendor));
    AppendLine(report,
               "Mainboard Name: " + (m_dmi.boardName.empty() ? "Unknown" : m_dmi.boardName));
    if (!m_dmi.boardVersion.empty())
        AppendLine(report, "Mainboard Version: " + m_dmi.boardVersion);
    if (!m_dmi.biosVendor.empty())
        AppendLine(report, "BIOS Vendor: " + m_dmi.biosVendor);
    if (!m_dmi.biosVersion.empty())
        AppendLine(report, "BIOS Version: " + m_dmi.biosVersion);
    if (!m_dmi.biosDate.empty())
        AppendLine(report, "BIOS Date: " + m_dmi.biosDate);
    AppendLine(report, "");
    std::string chips = "Sensor chips:";
    for (const auto& name : m_chipNames)
        chips += " " + name;
    AppendLine(report, m_chipNames.empty() ? "Sensor chips: none found" : chips);
    AppendLine(report, "");
    AppendSensorTable(report, *this);
    return report;
}

} // namespace hwlib
