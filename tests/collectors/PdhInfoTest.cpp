#include "PdhInfo.h"
#include "PanelWindow.h"

#include <PdhFixture.h>
#include <gtest/gtest.h>
#include <win32/Kernel.h>

using namespace collectors_test;
using namespace std::chrono_literals;

namespace {

// The query reads a fixture tree under a clock that moves only when told.
class PdhPasses : public ::testing::Test {
protected:
    void SetUp() override { PdhSetClock(m_clock.Function()); }
    void TearDown() override {
        PdhSetRootDirectory(nullptr);
        PdhSetClock({});
    }
    PDH_STATUS SetUpOn(const pdhtest::TempTree& tree) {
        PdhSetRootDirectory(tree.Root().c_str());
        return PdhInfoSetUp(m_info);
    }
    // The next sample's files are in place before the pass, whose last step
    // collects them one second on.
    PDH_STATUS Pass() {
        m_clock.Advance(1000ms);
        return PdhInfoPass(m_window.Handle(), m_info, 0);
    }
    std::wstring Pages() const { return m_window.Text(IDC_PAGES_SEC); }
    std::wstring Queue() const { return m_window.Text(IDC_DISK_QUEUE); }

    PanelWindow m_window;
    pdhtest::ManualClock m_clock;
    _tagPdhInfo m_info;
};

TEST_F(PdhPasses, TheFirstPassWritesNothingTheSecondBoth) {
    pdhtest::TempTree tree("desktop");
    ASSERT_EQ(SetUpOn(tree), ERROR_SUCCESS);
    tree.Overlay("desktop-later");
    EXPECT_EQ(Pass(), ERROR_SUCCESS);
    EXPECT_EQ(Pages(), L"Pages/sec");
    EXPECT_EQ(Queue(), L"Avg.Disk Queue Length");

    // 200 pages and 1000 weighted ms of the two disks in that second.
    EXPECT_EQ(Pass(), ERROR_SUCCESS);
    EXPECT_EQ(Pages(), L"Pages/sec : 200.000\n");
    EXPECT_EQ(Queue(), L"Avg.Disk Queue Length : 2.000\n");

    // Nothing moved since: an idle disk.
    EXPECT_EQ(Pass(), ERROR_SUCCESS);
    EXPECT_EQ(Pages(), L"Pages/sec : 0.000\n");
    EXPECT_EQ(Queue(), L"Avg.Disk Queue Length : 0.000\n");
}

TEST_F(PdhPasses, EachCounterIsWrittenWithoutTheOther) {
    struct Case {
        const char* missing;
        int nWritten;
        int nKept;
    } cases[] = {{"proc/diskstats", IDC_PAGES_SEC, IDC_DISK_QUEUE},
                 {"proc/vmstat", IDC_DISK_QUEUE, IDC_PAGES_SEC}};
    for (const Case& c : cases) {
        m_window.SetText(IDC_PAGES_SEC, L"Pages/sec");
        m_window.SetText(IDC_DISK_QUEUE, L"Avg.Disk Queue Length");
        m_info = _tagPdhInfo();
        pdhtest::TempTree tree("desktop");
        ASSERT_EQ(SetUpOn(tree), ERROR_SUCCESS);
        tree.Remove(c.missing);
        EXPECT_EQ(Pass(), ERROR_SUCCESS) << c.missing;
        EXPECT_EQ(Pass(), ERROR_SUCCESS) << c.missing;
        EXPECT_NE(m_window.Text(c.nWritten).find(L" : 0.000\n"), std::wstring::npos) << c.missing;
        EXPECT_EQ(m_window.Text(c.nKept).find(L" : "), std::wstring::npos) << c.missing;
    }
}

TEST_F(PdhPasses, AFailedCollectionEndsThePasses) {
    pdhtest::TempTree empty;
    EXPECT_NE(SetUpOn(empty), ERROR_SUCCESS);

    pdhtest::TempTree tree("desktop");
    m_info = _tagPdhInfo();
    ASSERT_EQ(SetUpOn(tree), ERROR_SUCCESS);
    EXPECT_EQ(Pass(), ERROR_SUCCESS);
    EXPECT_EQ(Pass(), ERROR_SUCCESS);
    tree.Remove("proc");
    tree.Remove("sys");
    EXPECT_EQ(Pass(), PDH_NO_DATA);
    // The pass before the failed collection still wrote its values.
    EXPECT_EQ(Pages(), L"Pages/sec : 0.000\n");
    EXPECT_EQ(Queue(), L"Avg.Disk Queue Length : 0.000\n");
}

} // namespace
