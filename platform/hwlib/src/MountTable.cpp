#include "MountTable.h"

namespace hwlib {

namespace {

bool NextField(std::string_view& line, std::string_view& field) {
    while (!line.empty() && line.front() == ' ')
        line.remove_prefix(1);
    if (line.empty())
        return false;
    const std::size_t end = line.find(' ');
    field = line.substr(0, end);
    line.remove_prefix(end == std::string_view::npos ? line.size() : end);
    return true;
}

template <typename ParseLine>
void ForEachLine(std::string_view text, std::vector<MountEntry>& out, ParseLine parse) {
    out.clear();
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
        MountEntry entry;
        if (parse(line, entry))
            out.push_back(std::move(entry));
    }
}

} // namespace

std::string UnescapeMountField(std::string_view field) {
    std::string out;
    out.reserve(field.size());
    for (std::size_t i = 0; i < field.size(); ++i) {
        if (field[i] == '\\' && i + 3 < field.size() && field[i + 1] >= '0' &&
            field[i + 1] <= '3' && field[i + 2] >= '0' && field[i + 2] <= '7' &&
            field[i + 3] >= '0' && field[i + 3] <= '7') {
            out.push_back(static_cast<char>((field[i + 1] - '0') * 64 + (field[i + 2] - '0') * 8 +
                                            (field[i + 3] - '0')));
            i += 3;
        } else {
            out.push_back(field[i]);
        }
    }
    return out;
}

void ParseMountInfo(std::string_view text, std::vector<MountEntry>& out) {
    ForEachLine(text, out, [](std::string_view line, MountEntry& entry) {
        std::string_view field;
        std::string_view fields[5];
        for (auto& f : fields) {
            if (!NextField(line, f))
                return false;
        }
        // Optional fields run up to a lone "-".
        do {
            if (!NextField(line, field))
                return false;
        } while (field != "-");
        std::string_view type, source;
        if (!NextField(line, type) || !NextField(line, source))
            return false;
        entry.device.assign(fields[2]);
        entry.mountPoint = UnescapeMountField(fields[4]);
        entry.fsType = UnescapeMountField(type);
        entry.source = UnescapeMountField(source);
        return true;
    });
}

void ParseMounts(std::string_view text, std::vector<MountEntry>& out) {
    ForEachLine(text, out, [](std::string_view line, MountEntry& entry) {
        std::string_view source, point, type;
        if (!NextField(line, source) || !NextField(line, point) || !NextField(line, type))
            return false;
        entry.mountPoint = UnescapeMountField(point);
        entry.fsType = UnescapeMountField(type);
        entry.source = UnescapeMountField(source);
        return true;
    });
}

} // namespace hwlib
