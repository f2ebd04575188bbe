#pragma once

// The extended dialog template (DLGTEMPLATEEX): a reader that never reads
// past the bytes it is given.

#include <cstddef>
#include <optional>
#include <string>
#include <vector>
#include <win32/Types.h>

namespace win32::detail {

struct DialogItemTemplate {
    DWORD helpId = 0;
    DWORD exStyle = 0;
    DWORD style = 0;
    short x = 0, y = 0, cx = 0, cy = 0;
    DWORD id = 0;
    std::wstring className; // an ordinal class is given by its name ("Button", ...)
    std::wstring title;
    WORD titleOrdinal = 0; // a resource ordinal as title (an icon id); 0 when a string
    std::vector<BYTE> creationData;
};

struct DialogTemplate {
    DWORD helpId = 0;
    DWORD exStyle = 0;
    DWORD style = 0;
    short x = 0, y = 0, cx = 0, cy = 0;
    std::wstring menu;
    std::wstring className; // empty: the default dialog class
    std::wstring title;
    bool hasFont = false;
    WORD pointSize = 0;
    WORD weight = 0;
    BYTE italic = 0;
    BYTE charset = 0;
    std::wstring face;
    std::vector<DialogItemTemplate> items;
};

// Empty when the bytes are no complete extended template.
std::optional<DialogTemplate> ParseDialogTemplate(const BYTE* data, std::size_t size);

} // namespace win32::detail
