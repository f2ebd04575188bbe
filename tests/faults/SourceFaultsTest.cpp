// Faults of the machine's files under both sensor libraries: every kind of
// unreadable hwmon attribute reads as a missing one, a chip that only shows
// up after the start is picked up, and /proc/stat losing or gaining CPUs
// between two samples keeps every load within 0 to 100.

#include "TestTree.h"

#include <hwlib/Computer.h>

#include <cerrno>
#include <cstring>
#include <dlfcn.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <linux/capability.h>
#include <optional>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>
#include <vector>

using namespace hwlib_test;

namespace {

const std::string kChip = "/sys/devices/platform/nct6775.656/hwmon/hwmon2/";
const std::string kSystin = kChip + "temp1_input"; // the board's system sensor

// The vendor library, bound by path as the gadget binds it by name, and
// kept loaded as the gadget keeps it.
struct Vendor {
    Vendor() {
        handle = ::dlopen(
            (fs::read_symlink("/proc/self/exe").parent_path() / "ComputerZ_HardwareDll.dll")
                .c_str(),
            RTLD_NOW | RTLD_LOCAL);
        if (!handle)
            return;
        GetInfo2 = reinterpret_cast<int (*)(int)>(::dlsym(handle, "GetInfo2"));
        Init = reinterpret_cast<int (*)(int, int (*)())>(::dlsym(handle, "Init"));
        Finit = reinterpret_cast<int (*)()>(::dlsym(handle, "Finit"));
        SetRoot = reinterpret_cast<int (*)(const char*)>(::dlsym(handle, "SetRootDirectory"));
    }
    static int Callback() { return 0; }
    void Start(const fs::path& root) {
        Finit();
        SetRoot(root.c_str());
        Init(0, Callback);
        Init(1, Callback);
    }
    void* handle = nullptr;
    int (*GetInfo2)(int) = nullptr;
    int (*Init)(int, int (*)()) = nullptr;
    int (*Finit)() = nullptr;
    int (*SetRoot)(const char*) = nullptr;
};

// As root, modes do not deny reads: the reading thread gives up the two
// capabilities that override them while it reads, and takes them back.
class NoReadOverride {
public:
    NoReadOverride() {
        if (::geteuid() != 0)
            return;
        m_header.version = _LINUX_CAPABILITY_VERSION_3;
        if (::syscall(SYS_capget, &m_header, m_saved) != 0)
            return;
        __user_cap_data_struct reduced[2] = {m_saved[0], m_saved[1]};
        reduced[0].effective &= ~((1u << CAP_DAC_OVERRIDE) | (1u << CAP_DAC_READ_SEARCH));
        m_dropped = ::syscall(SYS_capset, &m_header, reduced) == 0;
    }
    ~NoReadOverride() {
        if (m_dropped)
            ::syscall(SYS_capset, &m_header, m_saved);
    }
    NoReadOverride(const NoReadOverride&) = delete;
    NoReadOverride& operator=(const NoReadOverride&) = delete;

private:
    __user_cap_header_struct m_header{};
    __user_cap_data_struct m_saved[2]{};
    bool m_dropped = false;
};

enum class Fault { Missing, Directory, Unreadable, ReadError, WouldBlock, Text };

struct Case {
    const char* what;
    Fault fault;
    const char* text = "";
    int error = 0; // what a plain read of the file meets
};

// Puts the fault in place of root/path; the object holds what keeps it.
class Planted {
public:
    Planted(const TestTree& tree, const std::string& path, const Case& c) {
        const fs::path file = tree.Path(path);
        fs::remove(file);
        switch (c.fault) {
        case Fault::Missing:
            break;
        case Fault::Directory: // EISDIR
            fs::create_directory(file);
            break;
        case Fault::Unreadable: // EACCES
            tree.Write(path, "41000\n");
            fs::permissions(file, fs::perms::none);
            break;
        case Fault::ReadError: // EIO: memory that is not mapped
            fs::create_symlink("/proc/self/mem", file);
            break;
        case Fault::WouldBlock: // EAGAIN: a pipe with a writer and no data
            ::mkfifo(file.c_str(), 0600);
            m_writer = ::open(file.c_str(), O_RDWR | O_NONBLOCK);
            break;
        case Fault::Text:
            tree.Write(path, c.text);
            break;
        }
    }
    ~Planted() {
        if (m_writer >= 0)
            ::close(m_writer);
    }
    Planted(const Planted&) = delete;
    Planted& operator=(const Planted&) = delete;

private:
    int m_writer = -1;
};

const Case kCases[] = {
    {"missing", Fault::Missing},
    {"a directory", Fault::Directory, "", EISDIR},
    {"unreadable", Fault::Unreadable, "", EACCES},
    {"a read error", Fault::ReadError, "", EIO},
    {"a read that would block", Fault::WouldBlock, "", EAGAIN},
    {"empty", Fault::Text, ""},
    {"only white space", Fault::Text, " \n"},
    {"not a number", Fault::Text, "4x5\n"},
    {"too large a number", Fault::Text, "99999999999999999999999\n"},
};

struct Readings {
    std::vector<std::optional<float>> board; // the mainboard item's sensors
    int vendorBoard = 0;                     // vendor reading 3
    int vendorHottest = 0;                   // vendor reading 6
    bool operator==(const Readings&) const = default;
};

// Both libraries start on the whole fixture; the fault comes between two
// passes, as a driver or a device would bring it.
Readings ReadWith(const Case& c, Vendor& vendor) {
    TestTree tree("amd-desktop-5800x");
    ohm::Computer computer;
    computer.MainboardEnabled(true);
    computer.Open();
    vendor.Start(tree.Root());
    ohm::IHardware* board = computer.Hardware().at(0);
    board->Update();
    vendor.GetInfo2(3);
    Planted fault(tree, kSystin, c);
    Readings r;
    NoReadOverride asUser;
    if (c.error) {
        // The fault is the one named: a plain read meets that error.
        const int fd = ::open(tree.Path(kSystin).c_str(), O_RDONLY | O_NONBLOCK);
        char byte;
        const int error = fd < 0 ? errno : (::read(fd, &byte, 1) < 0 ? errno : 0);
        if (fd >= 0)
            ::close(fd);
        EXPECT_EQ(error, c.error) << std::strerror(error);
    }
    for (int pass = 0; pass < 2; ++pass) {
        board->Update();
        r.board.clear();
        for (auto* sensor : board->Sensors())
            r.board.push_back(sensor->Value());
        r.vendorBoard = vendor.GetInfo2(3);
        r.vendorHottest = vendor.GetInfo2(6);
    }
    return r;
}

TEST(SourceFaults, EveryUnreadableAttributeReadsAsAMissingOne) {
    Vendor vendor;
    ASSERT_TRUE(vendor.GetInfo2 && vendor.Init && vendor.Finit && vendor.SetRoot);
    const Readings good = ReadWith({"untouched", Fault::Text, "33000\n"}, vendor);
    ASSERT_TRUE(good.board.at(0)) << "SYSTIN reads in the fixture";
    Readings missing;
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.what);
        const Readings r = ReadWith(c, vendor);
        if (c.fault == Fault::Missing) {
            missing = r;
            EXPECT_FALSE(r.board.at(0));
            ASSERT_EQ(r.board.size(), good.board.size());
            for (std::size_t i = 1; i < r.board.size(); ++i)
                EXPECT_EQ(r.board[i], good.board[i]) << i; // the rest of the chip reads on
            EXPECT_NE(r.vendorBoard, good.vendorBoard);
            continue;
        }
        EXPECT_EQ(r, missing);
    }
    vendor.Finit();
    vendor.SetRoot(nullptr);
}

TEST(SourceFaults, AChipThatAppearsAfterTheStartIsPickedUp) {
    TestTree tree("amd-desktop-5800x");
    const fs::path link = tree.Path("/sys/class/hwmon/hwmon2");
    const fs::path target = fs::read_symlink(link);
    fs::remove(link);
    ohm::Computer computer;
    computer.MainboardEnabled(true);
    computer.CPUEnabled(true);
    computer.Open();
    const auto items = computer.Hardware();
    std::vector<std::size_t> counts;
    for (auto* item : items) {
        item->Update();
        counts.push_back(item->Sensors().size());
    }
    // The driver is loaded now, under another number.
    fs::create_directory_symlink(target, tree.Path("/sys/class/hwmon/hwmon9"));
    for (int pass = 0; pass < 2; ++pass)
        for (auto* item : computer.Hardware())
            item->Update();
    ASSERT_EQ(computer.Hardware(), items); // the same items, in the same order
    for (std::size_t i = 0; i < items.size(); ++i) {
        ASSERT_GE(items[i]->Sensors().size(), counts[i]) << items[i]->Name();
        for (auto* sensor : items[i]->Sensors())
            if (auto v = sensor->Value();
                v && sensor->SensorType() == ohm::SensorType::Temperature) {
                EXPECT_TRUE(*v > -40 && *v < 150) << sensor->Name();
            }
    }
}

// /proc/stat with a CPU line per entry: user nice system idle.
std::string Stat(const std::vector<std::pair<int, std::array<long long, 4>>>& cpus) {
    std::array<long long, 4> all{};
    for (const auto& [cpu, t] : cpus)
        for (int i = 0; i < 4; ++i)
            all[i] += t[i];
    auto line = [](const std::string& name, const std::array<long long, 4>& t) {
        return name + " " + std::to_string(t[0]) + " " + std::to_string(t[1]) + " " +
               std::to_string(t[2]) + " " + std::to_string(t[3]) + " 0 0 0 0 0 0\n";
    };
    std::string text = line("cpu ", all);
    for (const auto& [cpu, t] : cpus)
        text += line("cpu" + std::to_string(cpu), t);
    return text + "intr 0\nctxt 0\nbtime 0\n";
}

TEST(SourceFaults, CpusLeavingOrJoiningBetweenSamplesKeepLoadsInRange) {
    TestTree tree("amd-desktop-5800x");
    Vendor vendor;
    ASSERT_TRUE(vendor.GetInfo2);
    auto many = [](int n, long long busy, long long idle) {
        std::vector<std::pair<int, std::array<long long, 4>>> cpus;
        for (int cpu = 0; cpu < n; ++cpu)
            cpus.push_back({cpu, {busy, 0, 0, idle}});
        return cpus;
    };
    // The machine has 16 CPUs; the samples have fewer (the summary line
    // steps back), more than its topology knows, none at all, and all again.
    const std::string samples[] = {
        Stat(many(16, 1000, 1000)),
        Stat(many(4, 1100, 1100)),
        Stat(many(32, 1200, 1200)),
        "cpu  1 0 0 1 0 0 0 0 0 0\n",
        "",
        Stat(many(16, 5000, 1500)),
    };
    tree.Write("/proc/stat", samples[0]);
    ohm::Computer computer;
    computer.CPUEnabled(true);
    computer.Open();
    ASSERT_FALSE(computer.Hardware().empty());
    vendor.Start(tree.Root());
    for (const std::string& sample : samples) {
        SCOPED_TRACE(sample.substr(0, 40));
        tree.Write("/proc/stat", sample);
        for (auto* item : computer.Hardware()) {
            item->Update();
            for (auto* sensor : item->Sensors())
                if (auto v = sensor->Value(); v && sensor->SensorType() == ohm::SensorType::Load) {
                    EXPECT_TRUE(*v >= 0.0f && *v <= 100.0f) << sensor->Name() << " " << *v;
                }
        }
        const int load = vendor.GetInfo2(2);
        EXPECT_TRUE(load == -1 || (load >= 0 && load <= 100)) << load;
    }
    vendor.Finit();
    vendor.SetRoot(nullptr);
}

} // namespace
