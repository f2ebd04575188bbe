#include "Graphics.h"

#include "Report.h"

#include <hwlib/Environment.h>

#include <cctype>

namespace hwlib {

namespace {

std::string HexId(const std::filesystem::path& root, const std::string& file) {
    std::string id = sysread::ReadAttribute(root, file).value_or("");
    if (id.rfind("0x", 0) == 0)
        id.erase(0, 2);
    return id;
}

std::string Capitalized(std::string text) {
    if (!text.empty())
        text[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(text[0])));
    return text;
}

} // namespace

bool Graphics::IsGpuChip(const std::string& name) {
    return name == "amdgpu" || name == "radeon" || name == "nouveau";
}

std::string Graphics::NameOf(const std::filesystem::path& root, const sysread::HwmonChip& chip) {
    if (auto product = sysread::ReadAttribute(root, chip.devicePath + "/product_name");
        product && !product->empty())
        return Printable(*product);
    const std::string vendor = HexId(root, chip.devicePath + "/vendor");
    const std::string device = HexId(root, chip.devicePath + "/device");
    if (vendor.empty() || device.empty())
        return "Graphics (" + chip.name + ")";
    return "Graphics " + vendor + ":" + device + " (" + chip.name + ")";
}

Graphics::Graphics(const std::filesystem::path& root, const sysread::HwmonChip& chip)
    : HardwareItem(NameOf(root, chip), chip.name == "nouveau" ? ohm::HardwareType::GpuFamilyA
                                                              : ohm::HardwareType::GpuFamilyB),
      m_driver(chip.name), m_devicePath(chip.devicePath) {
    for (const auto& channel : chip.channels) {
        if (channel.kind != "temp")
            continue;
        std::string name = "GPU Core";
        if (channel.label == "mem")
            name = "GPU Memory";
        else if (channel.label && !channel.label->empty())
            name = "GPU " + Capitalized(Printable(*channel.label));
        else if (channel.index > 1)
            name = "GPU Temperature #" + std::to_string(channel.index);
        m_hwmon.Bind(chip, channel, AddSensor(name, ohm::SensorType::Temperature), 1e-3);
    }
    if (!m_devicePath.empty()) {
        if (sysread::ReadFile(root, m_devicePath + "/gpu_busy_percent", 64))
            m_busy = &AddSensor("GPU Core", ohm::SensorType::Load);
        if (sysread::ReadFile(root, m_devicePath + "/mem_busy_percent", 64))
            m_memoryBusy = &AddSensor("GPU Memory Controller", ohm::SensorType::Load);
    }
    for (const auto& channel : chip.channels) {
        if (channel.kind == "fan")
            m_hwmon.Bind(chip, channel,
                         AddSensor(channel.index > 1 ? "GPU Fan #" + std::to_string(channel.index)
                                                     : std::string("GPU Fan"),
                                   ohm::SensorType::Fan),
                         1.0);
    }
}

void Graphics::Update() {
    const auto root = ohm::RootDirectory();
    for (auto [sensor, file] :
         {std::pair{m_busy, "/gpu_busy_percent"}, std::pair{m_memoryBusy, "/mem_busy_percent"}}) {
        if (!sensor)
            continue;
        m_path.assign(m_devicePath).append(file);
        const auto value = m_reader.ReadInteger(root, m_path);
        sensor->SetValue(value ? std::optional<float>(static_cast<float>(*value)) : std::nullopt);
    }
    m_hwmon.Update(root, m_reader);
}

std::string Graphics::GetReport() {
    std::string report;
    AppendLine(report, "Graphics: " + Name());
    AppendLine(report, "Driver: " + m_driver);
    AppendLine(report, "Device: " + m_devicePath);
    AppendLine(report, "");
    AppendSensorTable(report, *this);
    return report;
}

} // namespace hwlib
