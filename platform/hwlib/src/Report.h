#pragma once

#include <hwlib/IHardware.h>

#include <string>
#include <string_view>

namespace hwlib {

namespace ohm = OpenHardwareMonitor::Hardware;

// Report lines end in "\r\n".
void AppendLine(std::string& report, std::string_view line);

// `text` padded with spaces to `width` characters (cut to width - 1 and a
// space when longer), so that the next column starts at a known place.
std::string PadColumn(std::string_view text, std::size_t width);

std::string_view TypeName(ohm::HardwareType type);
std::string_view TypeName(ohm::SensorType type);
std::string_view UnitOf(ohm::SensorType type);

// "Name  Type  Value" rows of the item's sensors, values with a point.
void AppendSensorTable(std::string& report, const ohm::IHardware& item);

// Control characters (a stray CR or LF in a DMI string) would break the
// report's line structure.
std::string Printable(std::string_view text);

} // namespace hwlib
