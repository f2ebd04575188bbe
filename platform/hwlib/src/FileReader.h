#pragma once

#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace hwlib {

void CloseFd(int fd);

// Reads files under a root into buffers it keeps, so that a pass over the
// same files allocates nothing once the buffers have grown.
class FileReader {
public:
    // root/path into `out`, at most `limit` bytes; false when it cannot be read.
    bool Read(const std::filesystem::path& root, std::string_view path, std::string& out,
              std::size_t limit = 64 * 1024);
    // Reads root/path until `enough` says the text so far suffices.
    template <typename Enough>
    bool ReadUntil(const std::filesystem::path& root, std::string_view path, std::string& out,
                   std::size_t limit, Enough enough);
    // A whole integer file (hwmon inputs, sysfs counters).
    std::optional<long long> ReadInteger(const std::filesystem::path& root, std::string_view path);

private:
    int Open(const std::filesystem::path& root, std::string_view path);
    bool ReadChunk(int fd, std::string& out, std::size_t limit, bool& eof);

    std::string m_path;
    std::string m_small;
};

template <typename Enough>
bool FileReader::ReadUntil(const std::filesystem::path& root, std::string_view path,
                           std::string& out, std::size_t limit, Enough enough) {
    out.clear();
    const int fd = Open(root, path);
    if (fd < 0)
        return false;
    bool eof = false;
    bool ok = true;
    while (!eof && out.size() < limit && !enough(std::string_view(out))) {
        if (!ReadChunk(fd, out, limit, eof)) {
            ok = false;
            break;
        }
    }
    CloseFd(fd);
    return ok;
}

} // namespace hwlib
