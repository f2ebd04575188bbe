#pragma once

#include <hwlib/Environment.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>

namespace hwlib_test {

namespace fs = std::filesystem;
namespace ohm = OpenHardwareMonitor::Hardware;

inline fs::path Fixture(const std::string& machine) {
    return fs::path(HWLIB_FIXTURES) / machine;
}

// A private copy of a fixture machine (or an empty tree) that a test may
// change between updates; the library's root points at it while it lives.
class TestTree {
public:
    explicit TestTree(const std::string& machine = {}) {
        std::string pattern = (fs::temp_directory_path() / "hwlib-XXXXXX").string();
        m_root = ::mkdtemp(pattern.data());
        if (!machine.empty())
            fs::copy(Fixture(machine), m_root,
                     fs::copy_options::recursive | fs::copy_options::copy_symlinks);
        ohm::SetRootDirectory(m_root);
    }
    ~TestTree() {
        ohm::SetRootDirectory("/");
        std::error_code ec;
        fs::remove_all(m_root, ec);
    }
    TestTree(const TestTree&) = delete;
    TestTree& operator=(const TestTree&) = delete;

    const fs::path& Root() const { return m_root; }
    fs::path Path(const std::string& inside) const {
        return m_root / fs::path(inside).relative_path();
    }

    void Write(const std::string& inside, const std::string& text) const {
        const fs::path path = Path(inside);
        fs::create_directories(path.parent_path());
        std::ofstream(path, std::ios::trunc) << text;
    }
    void Remove(const std::string& inside) const { fs::remove_all(Path(inside)); }

private:
    fs::path m_root;
};

} // namespace hwlib_test
