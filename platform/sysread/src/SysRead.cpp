#include <sysread/SysRead.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace sysread {

namespace fs = std::filesystem;

namespace {

fs::path Under(const fs::path& root, std::string_view path) {
    std::string_view rel = path;
    while (!rel.empty() && rel.front() == '/')
        rel.remove_prefix(1);
    return root / fs::path(rel);
}

struct Fd {
    int fd;
    ~Fd() {
        if (fd >= 0)
            ::close(fd);
    }
};

// Splits "temp12_input" into kind "temp", index 12 and suffix "input".
bool SplitAttribute(std::string_view name, std::string& kind, int& index,
                    std::string_view& suffix) {
    auto underscore = name.find('_');
    if (underscore == std::string_view::npos)
        return false;
    std::string_view head = name.substr(0, underscore);
    std::size_t digits = head.size();
    while (digits > 0 && head[digits - 1] >= '0' && head[digits - 1] <= '9')
        --digits;
    if (digits == 0 || digits == head.size())
        return false;
    kind.assign(head.substr(0, digits));
    auto [ptr, ec] = std::from_chars(head.data() + digits, head.data() + head.size(), index);
    if (ec != std::errc() || ptr != head.data() + head.size())
        return false;
    suffix = name.substr(underscore + 1);
    return true;
}

} // namespace

std::string_view Trim(std::string_view text) {
    auto isSpace = [](char c) {
        return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
    };
    while (!text.empty() && isSpace(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && isSpace(text.back()))
        text.remove_suffix(1);
    return text;
}

std::optional<std::string> ReadFile(const fs::path& root, std::string_view path,
                                    std::size_t limit) {
    const fs::path full = Under(root, path);
    Fd f{::open(full.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK)};
    if (f.fd < 0)
        return std::nullopt;
    struct stat st {};
    if (::fstat(f.fd, &st) != 0 || S_ISDIR(st.st_mode))
        return std::nullopt;
    std::string out;
    char buffer[4096];
    while (out.size() < limit) {
        const std::size_t want = std::min(sizeof buffer, limit - out.size());
        const ssize_t n = ::read(f.fd, buffer, want);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return std::nullopt;
        }
        if (n == 0)
            break;
        out.append(buffer, static_cast<std::size_t>(n));
    }
    return out;
}

std::optional<std::string> ReadAttribute(const fs::path& root, std::string_view path) {
    auto text = ReadFile(root, path, 4096);
    if (!text)
        return std::nullopt;
    return std::string(AttributeText(*text));
}

std::string_view AttributeText(std::string_view text) {
    if (auto nl = text.find('\n'); nl != std::string_view::npos)
        text = text.substr(0, nl);
    return Trim(text);
}

std::optional<long long> ParseInteger(std::string_view text) {
    text = Trim(text);
    if (text.empty())
        return std::nullopt;
    if (text.front() == '+') {
        text.remove_prefix(1);
        if (text.empty() || text.front() == '-')
            return std::nullopt; // "+-1" is no number
    }
    long long value = 0;
    auto [ptr, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || ptr != text.data() + text.size())
        return std::nullopt;
    return value;
}

std::optional<long long> ReadInteger(const fs::path& root, std::string_view path) {
    auto text = ReadFile(root, path, 4096);
    if (!text)
        return std::nullopt;
    return ParseInteger(*text);
}

std::vector<std::string> ListDirectory(const fs::path& root, std::string_view path) {
    std::vector<std::string> names;
    std::error_code ec;
    fs::directory_iterator it(Under(root, path), ec);
    for (; !ec && it != fs::directory_iterator(); it.increment(ec))
        names.push_back(it->path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

std::optional<std::string> ResolveLink(const fs::path& root, std::string_view link) {
    std::error_code ec;
    const fs::path full = Under(root, link);
    if (!fs::is_symlink(full, ec))
        return std::nullopt;
    // The links of sysfs are relative and chain (class/hwmon/hwmonN is itself
    // a link into devices/), so resolve the whole path on disk, then make sure
    // it did not leave root.
    const fs::path base = fs::weakly_canonical(root, ec);
    if (ec)
        return std::nullopt;
    const fs::path target = fs::weakly_canonical(full, ec);
    if (ec)
        return std::nullopt;
    const fs::path rel = target.lexically_relative(base);
    if (rel.empty() || *rel.begin() == "..")
        return std::nullopt;
    std::string text = "/" + rel.generic_string();
    if (text == "/.")
        text = "/";
    return text;
}

std::vector<HwmonChip> ScanHwmon(const fs::path& root) {
    std::vector<std::pair<int, std::string>> numbered;
    for (const auto& entry : ListDirectory(root, "/sys/class/hwmon")) {
        int n = 0;
        if (entry.rfind("hwmon", 0) != 0)
            continue;
        auto [ptr, ec] = std::from_chars(entry.data() + 5, entry.data() + entry.size(), n);
        if (ec == std::errc() && ptr == entry.data() + entry.size())
            numbered.emplace_back(n, entry);
    }
    std::sort(numbered.begin(), numbered.end());

    std::vector<HwmonChip> chips;
    for (const auto& [n, entry] : numbered) {
        HwmonChip chip;
        chip.path = "/sys/class/hwmon/" + entry;
        // Older drivers keep their attributes on the device instead.
        std::string attributes = chip.path;
        auto name = ReadAttribute(root, chip.path + "/name");
        if (!name) {
            name = ReadAttribute(root, chip.path + "/device/name");
            if (name)
                attributes = chip.path + "/device";
        }
        if (!name)
            continue;
        chip.name = *name;
        if (auto device = ResolveLink(root, chip.path + "/device"))
            chip.devicePath = *device;
        for (const auto& file : ListDirectory(root, attributes)) {
            std::string kind;
            int index = 0;
            std::string_view suffix;
            if (!SplitAttribute(file, kind, index, suffix) || suffix != "input")
                continue;
            HwmonChannel channel;
            channel.kind = kind;
            channel.index = index;
            channel.inputPath = attributes + "/" + file;
            channel.label =
                ReadAttribute(root, attributes + "/" + kind + std::to_string(index) + "_label");
            chip.channels.push_back(std::move(channel));
        }
        std::sort(chip.channels.begin(), chip.channels.end(),
                  [](const HwmonChannel& a, const HwmonChannel& b) {
                      return a.kind != b.kind ? a.kind < b.kind : a.index < b.index;
                  });
        chips.push_back(std::move(chip));
    }
    return chips;
}

} // namespace sysread
