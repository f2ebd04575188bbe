// DMI strings (/sys/class/dmi/id/*) and the ATA identifier of a drive, up to
// the board's name and the manufacturer line that the collector cuts out.
#include "Check.h"

#include <Drive.h>
#include <Mainboard.h>
#include <Report.h>

#include <sysread/SysRead.h>

#include <vector>

namespace {

bool Printable(std::string_view text) {
    for (char c : text)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f)
            return false;
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // Up to five attribute files, separated by form feeds.
    std::vector<std::string> fields;
    std::string_view rest = fuzz::Text(data, size);
    while (fields.size() < 5) {
        std::string_view field, next;
        fuzz::Split(rest, field, next);
        fields.push_back(hwlib::Printable(sysread::AttributeText(field)));
        FUZZ_CHECK(Printable(fields.back()));
        if (next.empty())
            break;
        rest = next;
    }
    fields.resize(5);
    hwlib::Mainboard::Dmi dmi;
    dmi.boardVendor = fields[0];
    dmi.boardName = fields[1];
    dmi.systemVendor = fields[2];
    dmi.productName = fields[3];
    const std::string name = hwlib::Mainboard::NameOf(dmi);
    FUZZ_CHECK(!name.empty());
    FUZZ_CHECK(Printable(name));

    std::string report;
    hwlib::AppendLine(report, "Mainboard Manufacturer: " + dmi.boardVendor);
    FUZZ_CHECK(report.find('\r') == report.size() - 2);

    const std::string model = hwlib::AtaModelFromWwid(fields[4]);
    FUZZ_CHECK(model.size() <= 40);
    return 0;
}
