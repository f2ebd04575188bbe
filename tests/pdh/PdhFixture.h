#pragma once

#include <win32/Pdh.h>
#include <win32/PdhSources.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

namespace pdhtest {

namespace fs = std::filesystem;

inline constexpr wchar_t kPages[] = L"\\Memory\\Pages/sec";
inline constexpr wchar_t kQueue[] = L"\\PhysicalDisk(_Total)\\Avg. Disk Queue Length";

// A writable copy of a fixture (or an empty tree), removed afterwards.
class TempTree {
public:
    explicit TempTree(const std::string& fixture = {}) {
        std::string pattern = (fs::temp_directory_path() / "pdh-XXXXXX").string();
        m_root = ::mkdtemp(pattern.data());
        if (!fixture.empty())
            fs::copy(fs::path(TARVIK_PDH_FIXTURES) / fixture, m_root,
                     fs::copy_options::recursive | fs::copy_options::copy_symlinks);
    }
    ~TempTree() {
        std::error_code ec;
        fs::remove_all(m_root, ec);
    }
    TempTree(const TempTree&) = delete;
    TempTree& operator=(const TempTree&) = delete;

    // Copies the plain files of a fixture over the tree (the next sample).
    void Overlay(const std::string& fixture) const {
        const fs::path from = fs::path(TARVIK_PDH_FIXTURES) / fixture;
        for (const auto& entry : fs::recursive_directory_iterator(from)) {
            if (!entry.is_regular_file() || entry.is_symlink())
                continue;
            const fs::path to = m_root / fs::relative(entry.path(), from);
            fs::create_directories(to.parent_path());
            fs::copy_file(entry.path(), to, fs::copy_options::overwrite_existing);
        }
    }
    void Write(const std::string& path, const std::string& text) const {
        fs::create_directories((m_root / path).parent_path());
        std::ofstream(m_root / path) << text;
    }
    void Remove(const std::string& path) const { fs::remove_all(m_root / path); }
    std::string Root() const { return m_root.string(); }

private:
    fs::path m_root;
};

// A clock that moves only when told to.
class ManualClock {
public:
    void Advance(std::chrono::milliseconds step) { *m_now += step.count(); }
    std::function<std::chrono::nanoseconds()> Function() const {
        return [now = m_now] { return std::chrono::milliseconds(now->load()); };
    }

private:
    std::shared_ptr<std::atomic<long long>> m_now = std::make_shared<std::atomic<long long>>(1000);
};

struct Result {
    PDH_STATUS status;
    DWORD cstatus;
    double value;
};

inline Result Format(PDH_HCOUNTER counter) {
    PDH_FMT_COUNTERVALUE value{};
    value.doubleValue = -12345.0;
    const PDH_STATUS status = PdhGetFormattedCounterValue(counter, PDH_FMT_DOUBLE, nullptr, &value);
    return {status, value.CStatus, value.doubleValue};
}

} // namespace pdhtest
