#include "FileReader.h"

#include <sysread/SysRead.h>

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace hwlib {

void CloseFd(int fd) {
    ::close(fd);
}

int FileReader::Open(const std::filesystem::path& root, std::string_view path) {
    m_path.assign(root.native());
    if (!m_path.empty() && m_path.back() == '/')
        m_path.pop_back();
    if (path.empty() || path.front() != '/')
        m_path.push_back('/');
    m_path.append(path);
    const int fd = ::open(m_path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        return -1;
    struct stat st {};
    if (::fstat(fd, &st) != 0 || S_ISDIR(st.st_mode)) {
        ::close(fd);
        return -1;
    }
    return fd;
}

bool FileReader::ReadChunk(int fd, std::string& out, std::size_t limit, bool& eof) {
    const std::size_t chunk = std::min<std::size_t>(4096, limit - out.size());
    const std::size_t old = out.size();
    out.resize(old + chunk);
    for (;;) {
        const ssize_t n = ::read(fd, out.data() + old, chunk);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            out.resize(old);
            return false;
        }
        out.resize(old + static_cast<std::size_t>(n));
        eof = n == 0;
        return true;
    }
}

bool FileReader::Read(const std::filesystem::path& root, std::string_view path, std::string& out,
                      std::size_t limit) {
    return ReadUntil(root, path, out, limit, [](std::string_view) { return false; });
}

std::optional<long long> FileReader::ReadInteger(const std::filesystem::path& root,
                                                 std::string_view path) {
    if (!Read(root, path, m_small, 4096))
        return std::nullopt;
    return sysread::ParseInteger(m_small);
}

} // namespace hwlib
