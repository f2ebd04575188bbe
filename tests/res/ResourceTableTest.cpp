// The executable's resource table as tarvik_res registers it. The entries
// are captured by this file's own RegisterResources; each resource is then
// read back with a small reader of its Windows layout.

#include <png.h>
#include <res/Resource.h>
#include <win32/ResourceTable.h>

#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <fstream>
#include <iterator>
#include <map>
#include <set>
#include <span>
#include <string>
#include <tuple>
#include <vector>

namespace {

struct Registration {
    HMODULE module;
    std::vector<win32::ResourceEntry> entries;
};

// Function-local, because the registrar runs during static initialisation.
std::vector<Registration>& Registrations() {
    static std::vector<Registration> s_registrations;
    return s_registrations;
}

} // namespace

void win32::RegisterResources(HMODULE module, const ResourceEntry* entries, std::size_t count) {
    Registrations().push_back({module, {entries, entries + count}});
}

namespace {

using Span = std::span<const BYTE>;

// A type as text, for comparing: "PNG" for a string type, "#5" for RT_DIALOG.
std::string TypeName(LPCWSTR type) {
    if (IS_INTRESOURCE(type))
        return "#" + std::to_string(reinterpret_cast<ULONG_PTR>(type));
    std::string out;
    for (; *type; ++type)
        out += static_cast<char>(*type);
    return out;
}

const win32::ResourceEntry* Find(const std::string& type, WORD id) {
    for (const Registration& r : Registrations())
        for (const win32::ResourceEntry& e : r.entries)
            if (TypeName(e.type) == type && e.id == id)
                return &e;
    return nullptr;
}

Span Data(const std::string& type, WORD id) {
    const win32::ResourceEntry* e = Find(type, id);
    return e ? Span(e->data, e->size) : Span();
}

// Little-endian reader over one resource.
class Reader {
public:
    explicit Reader(Span bytes) : m_b(bytes) {}
    WORD U16() {
        Need(2);
        WORD v = static_cast<WORD>(m_b[m_at] | (m_b[m_at + 1] << 8));
        m_at += 2;
        return v;
    }
    DWORD U32() {
        DWORD lo = U16();
        return lo | (static_cast<DWORD>(U16()) << 16);
    }
    SHORT I16() { return static_cast<SHORT>(U16()); }
    BYTE U8() {
        Need(1);
        return m_b[m_at++];
    }
    std::u16string String() {
        std::u16string s;
        while (WORD c = U16())
            s += static_cast<char16_t>(c);
        return s;
    }
    void Align4() { m_at = (m_at + 3) & ~std::size_t(3); }
    std::size_t At() const { return m_at; }
    void Seek(std::size_t at) { m_at = at; }

private:
    void Need(std::size_t n) {
        if (m_at + n > m_b.size())
            throw std::out_of_range("read past the resource's end");
    }
    Span m_b;
    std::size_t m_at = 0;
};

TEST(ResourceTable, HoldsExactlyTheExecutablesResources) {
    ASSERT_EQ(Registrations().size(), 1u);
    EXPECT_EQ(Registrations()[0].module, nullptr);

    std::set<std::tuple<std::string, WORD, WORD>> expected{
        {"PNG", IDB_SKIN, 2052},
        {"#14", IDR_MAINFRAME, 2052},
        {"#5", IDD_TARVIK_DIALOG, 2052},
        {"#16", 1, 2052},
        {"#24", 1, 1033},
    };
    for (WORD id = 1; id <= 9; ++id)
        expected.emplace("#3", id, 2052);

    std::multiset<std::tuple<std::string, WORD, WORD>> actual;
    for (const win32::ResourceEntry& e : Registrations()[0].entries) {
        actual.emplace(TypeName(e.type), e.id, e.language);
        EXPECT_NE(e.data, nullptr);
        EXPECT_GT(e.size, 0u);
    }
    EXPECT_EQ(actual, std::multiset(expected.begin(), expected.end()));
}

// ---- the skin ----

struct Skin {
    png_image image{};
    std::vector<BYTE> rgba;
    std::array<BYTE, 4> At(int x, int y) const {
        const BYTE* p = &rgba[(std::size_t(y) * image.width + x) * 4];
        return {p[0], p[1], p[2], p[3]};
    }
};

TEST(ResourceTable, SkinIsTheCommittedPngAndHasItsRegions) {
    Span png = Data("PNG", IDB_SKIN);
    std::ifstream file(TARVIK_RES_DIR "/skin.png", std::ios::binary);
    std::vector<BYTE> committed((std::istreambuf_iterator<char>(file)),
                                std::istreambuf_iterator<char>());
    ASSERT_FALSE(committed.empty());
    ASSERT_TRUE(std::equal(png.begin(), png.end(), committed.begin(), committed.end()));

    // IHDR: 8 bits per channel, colour type 6, not interlaced.
    ASSERT_GT(png.size(), 33u);
    EXPECT_EQ(png[24], 8);
    EXPECT_EQ(png[25], 6);
    EXPECT_EQ(png[28], 0);

    Skin skin;
    skin.image.version = PNG_IMAGE_VERSION;
    ASSERT_TRUE(png_image_begin_read_from_memory(&skin.image, png.data(), png.size()));
    ASSERT_EQ(skin.image.width, 195u);
    ASSERT_EQ(skin.image.height, 413u);
    skin.image.format = PNG_FORMAT_RGBA;
    skin.rgba.resize(PNG_IMAGE_SIZE(skin.image));
    ASSERT_TRUE(png_image_finish_read(&skin.image, nullptr, skin.rgba.data(), 0, nullptr));

    for (auto [x, y] : {std::pair{0, 0}, {194, 0}, {0, 412}, {194, 412}})
        EXPECT_EQ(skin.At(x, y)[3], 0) << x << "," << y;

    // The field's centre, and points under the left panel column (x 40 to
    // 155, y 36 to 330) that lie on the field.
    const std::array<BYTE, 4> field{151, 149, 137, 255};
    for (auto [x, y] :
         {std::pair{104, 213}, {47, 66}, {60, 100}, {100, 200}, {154, 330}, {140, 300}, {166, 362}})
        EXPECT_EQ(skin.At(x, y), field) << x << "," << y;
    // The highlight strip is paler than the field.
    EXPECT_GT(skin.At(43, 200)[0], 151);

    // The shadow, left of the fingers and below the board.
    for (auto [x, y] : {std::pair{10, 100}, {10, 300}, {100, 404}, {40, 404}}) {
        auto p = skin.At(x, y);
        EXPECT_NEAR(p[3], 168, 4) << x << "," << y;
        EXPECT_EQ(p[0] + p[1] + p[2], 0) << x << "," << y;
    }
}

// ---- the dialog template ----

struct Control {
    DWORD id;
    WORD classOrdinal;
    std::u16string caption;
    DWORD style, exStyle;
    SHORT x, y, cx, cy;
    bool operator==(const Control&) const = default;
};

std::ostream& operator<<(std::ostream& os, const Control& c) {
    return os << "id " << c.id << " class " << c.classOrdinal << " style " << std::hex << c.style
              << " ex " << c.exStyle << std::dec << " rect " << c.x << "," << c.y << "," << c.cx
              << "," << c.cy << " caption length " << c.caption.size();
}

TEST(ResourceTable, DialogTemplateReadsBackToTheMainDialog) {
    Span dlg = Data("#5", IDD_TARVIK_DIALOG);
    Reader r(dlg);
    EXPECT_EQ(r.U16(), 1);      // dlgVer
    EXPECT_EQ(r.U16(), 0xFFFF); // signature
    EXPECT_EQ(r.U32(), 0u);     // helpID
    EXPECT_EQ(r.U32(), 0u);     // exStyle
    EXPECT_EQ(r.U32(), 0x90000048u);
    const WORD count = r.U16();
    ASSERT_EQ(count, 14);
    EXPECT_EQ((std::array{r.I16(), r.I16(), r.I16(), r.I16()}),
              (std::array<SHORT, 4>{0, 0, 325, 265}));
    EXPECT_EQ(r.U16(), 0);      // no menu
    EXPECT_EQ(r.U16(), 0);      // default class
    EXPECT_EQ(r.String(), u""); // title
    EXPECT_EQ(r.U16(), 9);      // points
    EXPECT_EQ(r.U16(), 0);      // weight
    EXPECT_EQ(r.U8(), 0);       // italic
    EXPECT_EQ(r.U8(), 1);       // charset
    EXPECT_EQ(r.String(), u"MS Shell Dlg");

    constexpr WORD Button = 0x80, Static = 0x82;
    const std::vector<Control> expected{
        {1, Button, u"确定", 0x50010001, 0, 249, 177, 50, 14},
        {IDC_CPU, Static, u"CPU", 0x5002000C, 0, 27, 22, 76, 51},
        {IDC_GPU, Static, u"GPU", 0x50020000, 0, 174, 7, 144, 57},
        {IDC_HDD, Static, u"HDD", 0x50020000, 0, 27, 115, 76, 34},
        {IDC_SMART, Static, u"S.M.A.R.T", 0x50020000, 0, 27, 140, 76, 20},
        {IDC_MAINBOARD, Static, u"Mainboard", 0x50020000, 0, 177, 67, 141, 34},
        {IDC_MEM, Static, u"MEM", 0x50020000, 0, 27, 71, 76, 29},
        {IDC_CPU_TEMP, Static, u"CPU Temp.", 0x50020000, 0, 73, 54, 23, 14},
        {IDC_FAN, Static, u"FAN", 0x50020000, 0, 27, 184, 76, 9},
        {IDC_MB_TEMP, Static, u"MB Temp.", 0x50020000, 0, 27, 193, 76, 10},
        {IDC_UNKNOWN, Static, u"Unknown", 0x50020000, 0, 177, 134, 84, 18},
        {IDC_PAGES_SEC, Static, u"Pages/sec", 0x50020000, 0, 27, 96, 76, 19},
        {IDC_DISK_QUEUE, Static, u"Avg.Disk Queue Length", 0x50020000, 0, 27, 156, 76, 28},
        {2, Button, u"X", 0x50018000, 0x20, 89, 187, 12, 11},
    };
    std::vector<Control> actual;
    for (WORD k = 0; k < count; ++k) {
        r.Align4();
        Control c{};
        EXPECT_EQ(r.U32(), 0u); // helpID
        c.exStyle = r.U32();
        c.style = r.U32();
        c.x = r.I16();
        c.y = r.I16();
        c.cx = r.I16();
        c.cy = r.I16();
        c.id = r.U32();
        EXPECT_EQ(r.U16(), 0xFFFF); // class as an ordinal
        c.classOrdinal = r.U16();
        c.caption = r.String();
        EXPECT_EQ(r.U16(), 0); // extraCount
        actual.push_back(c);
    }
    EXPECT_EQ(actual, expected);
    EXPECT_EQ(r.At(), dlg.size());
}

// ---- the icon ----

TEST(ResourceTable, IconGroupListsNineImagesThatExist) {
    Reader r(Data("#14", IDR_MAINFRAME));
    EXPECT_EQ(r.U16(), 0);
    EXPECT_EQ(r.U16(), 1);
    ASSERT_EQ(r.U16(), 9);

    struct Expected {
        int size, colours, bits;
    };
    const std::array<Expected, 9> order{{{48, 16, 4},
                                         {32, 16, 4},
                                         {16, 16, 4},
                                         {48, 0, 8},
                                         {32, 0, 8},
                                         {16, 0, 8},
                                         {48, 0, 32},
                                         {32, 0, 32},
                                         {16, 0, 32}}};
    for (const Expected& want : order) {
        SCOPED_TRACE(std::to_string(want.size) + " px, " + std::to_string(want.bits) + " bits");
        EXPECT_EQ(r.U8(), want.size);
        EXPECT_EQ(r.U8(), want.size);
        EXPECT_EQ(r.U8(), want.colours);
        EXPECT_EQ(r.U8(), 0);
        EXPECT_EQ(r.U16(), 1); // planes
        EXPECT_EQ(r.U16(), want.bits);
        const DWORD bytes = r.U32();
        const WORD id = r.U16();

        Span image = Data("#3", id);
        ASSERT_EQ(image.size(), bytes);
        Reader h(image);
        EXPECT_EQ(h.U32(), 40u);
        EXPECT_EQ(h.U32(), DWORD(want.size));
        EXPECT_EQ(h.U32(), DWORD(2 * want.size)); // colour bits and AND mask
        EXPECT_EQ(h.U16(), 1);
        EXPECT_EQ(h.U16(), want.bits);

        // The silhouette: its middle is covered, the corners are clear.
        const std::size_t s = want.size;
        const std::size_t colourRow = (s * want.bits + 31) / 32 * 4, maskRow = (s + 31) / 32 * 4;
        const std::size_t bits = 40 + (want.bits <= 8 ? (std::size_t(4) << want.bits) : 0);
        ASSERT_EQ(image.size(), bits + (colourRow + maskRow) * s);
        auto masked = [&](std::size_t x, std::size_t y) { // y counted from the top
            BYTE b = image[bits + colourRow * s + maskRow * (s - 1 - y) + x / 8];
            return (b & (0x80 >> (x % 8))) != 0;
        };
        EXPECT_FALSE(masked(s / 2, s / 2));
        for (auto [x, y] : {std::pair{0u, 0u}, {s - 1, 0u}, {0u, s - 1}, {s - 1, s - 1}})
            EXPECT_TRUE(masked(x, y)) << x << "," << y;
        if (want.bits == 32) {
            std::size_t middle = bits + colourRow * (s / 2) + 4 * (s / 2);
            EXPECT_EQ((std::array{image[middle], image[middle + 1], image[middle + 2],
                                  image[middle + 3]}),
                      (std::array<BYTE, 4>{0, 0, 0, 255}));
        }
    }
}

// ---- the version block ----

struct Node {
    std::u16string key;
    WORD valueLength = 0, type = 0;
    Span value;
    std::vector<Node> children;
};

// One node and its children; values are text (two bytes a unit) when type is 1.
Node ReadNode(Span block, std::size_t at) {
    Reader r(block);
    r.Seek(at);
    const std::size_t end = at + r.U16();
    Node n;
    n.valueLength = r.U16();
    n.type = r.U16();
    n.key = r.String();
    r.Align4();
    std::size_t valueBytes = n.type == 1 ? n.valueLength * 2u : n.valueLength;
    if (end > block.size() || r.At() + valueBytes > end)
        throw std::out_of_range("node runs past its block");
    n.value = block.subspan(r.At(), valueBytes);
    r.Seek(r.At() + valueBytes);
    for (r.Align4(); r.At() < end; r.Align4()) {
        n.children.push_back(ReadNode(block, r.At()));
        Reader len(block);
        len.Seek(r.At());
        r.Seek(r.At() + len.U16());
    }
    return n;
}

TEST(ResourceTable, VersionBlockCarriesTheVersionsAndStrings) {
    Span block = Data("#16", 1);
    Node root = ReadNode(block, 0);
    EXPECT_EQ(root.key, u"VS_VERSION_INFO");
    ASSERT_EQ(root.valueLength, 52);
    Reader fixed(root.value);
    const std::array<DWORD, 13> expected{0xFEEF04BD, 0x00010000, 0, 1, 0, 1, 0x3F,
                                         0,          4,          1, 0, 0, 0};
    for (DWORD v : expected)
        EXPECT_EQ(fixed.U32(), v);

    ASSERT_EQ(root.children.size(), 2u);
    const Node& info = root.children[0];
    EXPECT_EQ(info.key, u"StringFileInfo");
    ASSERT_EQ(info.children.size(), 1u);
    const Node& table = info.children[0];
    EXPECT_EQ(table.key, u"080403a8");
    std::vector<std::pair<std::u16string, std::u16string>> strings;
    for (const Node& s : table.children) {
        Reader v(s.value);
        strings.emplace_back(s.key, v.String());
        EXPECT_EQ(s.valueLength, strings.back().second.size() + 1);
    }
    const std::vector<std::pair<std::u16string, std::u16string>> six{
        {u"FileDescription", u"硬件监视程序"},
        {u"FileVersion", u"0.0.0.1"},
        {u"InternalName", u"Tarvik.exe"},
        {u"OriginalFilename", u"Tarvik.exe"},
        {u"ProductName", u"TVK"},
        {u"ProductVersion", u"0.0.0.1"}};
    EXPECT_EQ(strings, six);

    const Node& var = root.children[1];
    EXPECT_EQ(var.key, u"VarFileInfo");
    ASSERT_EQ(var.children.size(), 1u);
    EXPECT_EQ(var.children[0].key, u"Translation");
    Reader t(var.children[0].value);
    EXPECT_EQ(t.U16(), 0x0804);
    EXPECT_EQ(t.U16(), 0x03A8);
}

TEST(ResourceTable, ManifestAsksForTheCommonControlsAsInvoker) {
    Span m = Data("#24", 1);
    std::string xml(m.begin(), m.end());
    for (const char* part :
         {"level=\"asInvoker\"", "uiAccess=\"false\"", "name=\"Microsoft.Windows.Common-Controls\"",
          "version=\"6.0.0.0\"", "processorArchitecture=\"x86\"", "language=\"*\"",
          "publicKeyToken=\"6595b64144ccf1df\""})
        EXPECT_NE(xml.find(part), std::string::npos) << part;
}

} // namespace
