// The extended dialog template, as FindResource hands it to the dialog manager.
#include "Check.h"

#include <DialogTemplate.h>

#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // A copy of exactly `size` bytes, so that any read past them is caught.
    const std::vector<BYTE> bytes(data, data + size);
    const auto parsed = win32::detail::ParseDialogTemplate(bytes.data(), bytes.size());
    if (!parsed)
        return 0;
    // Every item takes at least its fixed 24 bytes.
    FUZZ_CHECK(parsed->items.size() * 24 <= size);
    for (const auto& item : parsed->items)
        FUZZ_CHECK(item.creationData.size() <= size);
    return 0;
}
