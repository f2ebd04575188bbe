#include <sysread/SysRead.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;

class Tree : public ::testing::Test {
protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "sysread-XXXXXX").string();
        m_root = ::mkdtemp(pattern.data());
        fs::create_directories(m_root / "proc");
    }
    void TearDown() override {
        std::error_code ec;
        fs::remove_all(m_root, ec);
    }
    void Write(const std::string& path, const std::string& text) {
        std::ofstream(m_root / path, std::ios::binary) << text;
    }
    fs::path m_root;
};

// Every read stops at its limit, whatever the file is: a huge file, an
// endless device, a pipe nobody writes to, a directory.
TEST_F(Tree, EveryReadIsBoundedInSizeAndNeverBlocks) {
    Write("proc/big", std::string(sysread::kDefaultLimit + 5000, 'x'));
    EXPECT_EQ(sysread::ReadFile(m_root, "/proc/big")->size(), sysread::kDefaultLimit);
    EXPECT_EQ(sysread::ReadFile(m_root, "/proc/big", 10)->size(), 10u);

    fs::create_symlink("/dev/zero", m_root / "proc/endless");
    EXPECT_EQ(sysread::ReadFile(m_root, "/proc/endless", 100000)->size(), 100000u);
    // Attributes and integers take at most one page.
    Write("proc/long-attribute", std::string(10000, '7'));
    EXPECT_EQ(sysread::ReadAttribute(m_root, "/proc/long-attribute")->size(), 4096u);
    EXPECT_FALSE(sysread::ReadInteger(m_root, "/proc/endless")); // zero bytes are no number

    ASSERT_EQ(::mkfifo((m_root / "proc/fifo").c_str(), 0600), 0);
    const auto start = std::chrono::steady_clock::now();
    const auto fifo = sysread::ReadFile(m_root, "/proc/fifo");
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
    EXPECT_TRUE(!fifo || fifo->empty());

    EXPECT_FALSE(sysread::ReadFile(m_root, "/proc"));
    EXPECT_FALSE(sysread::ReadFile(m_root, "/proc/missing"));
}

TEST(SysRead, AttributeTextIsTheTrimmedFirstLine) {
    const struct {
        const char* text;
        const char* expected;
    } cases[] = {
        {"45000\n", "45000"},
        {"  ASRock  \n", "ASRock"},
        {"Package id 0\nCore 0\n", "Package id 0"},
        {"\n", ""},
        {"", ""},
        {" \t\r\n second", ""},
        {"no line break", "no line break"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(sysread::AttributeText(c.text), c.expected) << c.text;
}

TEST(SysRead, IntegersAreWholeOrNothing) {
    EXPECT_EQ(sysread::ParseInteger(" 45000\n"), 45000);
    EXPECT_EQ(sysread::ParseInteger("-128000"), -128000);
    EXPECT_EQ(sysread::ParseInteger("+7"), 7);
    for (const char* bad : {"", " ", "abc", "12x", "1 2", "+-1", "99999999999999999999", "+"})
        EXPECT_FALSE(sysread::ParseInteger(bad)) << bad;
}

} // namespace
