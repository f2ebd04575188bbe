#pragma once

// Turns the text data under res/ into the binary resources that the layer's
// readers parse: little-endian, strings UTF-16LE, the Windows layouts.
// Every function reports bad input as an error text naming the line, and
// leaves the output empty.

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace res {

using Bytes = std::vector<std::uint8_t>;

struct Compiled {
    Bytes data;
    std::string error; // empty on success
    bool ok() const { return error.empty(); }
};

// An extended dialog template (DLGTEMPLATEEX) from a .dialog description.
Compiled CompileDialog(std::string_view text);

// A VS_VERSIONINFO block from a .version description.
Compiled CompileVersion(std::string_view text);

// An .ico file split into the icon group directory (GRPICONDIR with one
// GRPICONDIRENTRY per image, the images numbered from firstId) and the
// images' own bytes, in file order.
struct IconGroup {
    Bytes directory;
    std::vector<Bytes> images;
    std::string error;
    bool ok() const { return error.empty(); }
};
IconGroup SplitIcon(std::span<const std::uint8_t> ico, std::uint16_t firstId);

// One line of resources.list.
struct ListEntry {
    enum class Kind { Raw, Icon, Dialog, Version, Manifest };
    Kind kind;
    std::string typeName; // the string type of a Raw entry, such as "PNG"
    std::uint16_t id;
    std::uint16_t language;
    std::string file;
};
struct ResourceList {
    std::vector<ListEntry> entries;
    std::string error;
    bool ok() const { return error.empty(); }
};
ResourceList ParseResourceList(std::string_view text);

// UTF-8 to UTF-16 code units; false on malformed input.
bool Utf8ToUtf16(std::string_view utf8, std::u16string& out);

} // namespace res
