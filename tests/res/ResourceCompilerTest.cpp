// Bad input to the resource compiler: each case must fail with a message that
// says what is wrong, and produce nothing. The good path is covered by the
// real resources in ResourceTableTest.

#include <ResourceCompiler.h>

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace {

struct BadCase {
    const char* name;
    std::function<std::pair<bool, std::string>()> run; // ok, error
    std::string errorPart;
};

template <typename T>
std::pair<bool, std::string> Outcome(const T& result) {
    return {result.ok(), result.error};
}

const char* const kDialogHead = "style 0x90000048\nrect 0 0 10 10\nfont 9 0 0 1 \"MS Shell Dlg\"\n";

res::Bytes IcoHeader(std::uint16_t type, std::uint16_t count) {
    return {0, 0, std::uint8_t(type), 0, std::uint8_t(count), 0};
}

TEST(ResourceCompiler, BadInputFailsWithAMessage) {
    auto dialog = [](std::string text) {
        return [text] {
            auto c = res::CompileDialog(text);
            EXPECT_TRUE(c.data.empty());
            return Outcome(c);
        };
    };
    auto version = [](std::string text) {
        return [text] {
            auto c = res::CompileVersion(text);
            EXPECT_TRUE(c.data.empty());
            return Outcome(c);
        };
    };
    auto list = [](std::string text) {
        return [text] {
            auto l = res::ParseResourceList(text);
            EXPECT_TRUE(l.entries.empty());
            return Outcome(l);
        };
    };
    auto icon = [](res::Bytes ico) {
        return [ico] {
            auto g = res::SplitIcon(ico, 1);
            EXPECT_TRUE(g.directory.empty() && g.images.empty());
            return Outcome(g);
        };
    };
    std::string head = kDialogHead;
    res::Bytes pastEnd = IcoHeader(1, 1);
    pastEnd.resize(22);
    pastEnd[14] = 100; // 100 bytes at offset 0: past the 22-byte file
    const std::vector<BadCase> cases{
        {"empty dialog", dialog(""), "no style"},
        {"font without DS_SETFONT", dialog("style 0\nrect 0 0 1 1\nfont 9 0 0 1 \"A\""),
         "DS_SETFONT"},
        {"DS_SETFONT without font", dialog("style 0x40\nrect 0 0 1 1"), "no font line"},
        {"bad number", dialog("style 0x9000zz"), "line 1: bad style"},
        {"style twice", dialog(head + "style 0"), "line 4: 'style' given twice"},
        {"unknown keyword", dialog(head + "menu 3"), "line 4: unknown keyword 'menu'"},
        {"unknown class", dialog(head + "control 1 Slider 0 0 1 1 1 1 \"x\""),
         "unknown control class 'Slider'"},
        {"coordinate too large", dialog(head + "control 1 Static 0 0 40000 1 1 1 \"x\""),
         "line 4: bad control rectangle"},
        {"missing caption", dialog(head + "control 1 Static 0 0 1 1 1 1"), "line 4: expected"},
        {"unquoted caption", dialog(head + "control 1 Static 0 0 1 1 1 1 x"), "quoted string"},
        {"unterminated string", dialog(head + "control 1 Static 0 0 1 1 1 1 \"x"),
         "line 4: unterminated string"},
        {"caption not UTF-8", dialog(head + "control 1 Static 0 0 1 1 1 1 \"\xff\""),
         "not valid UTF-8"},
        {"no versions", version("flags 0"), "needs fileversion"},
        {"three-part version", version("fileversion 1.2.3"), "line 1: expected fileversion"},
        {"version part too large", version("fileversion 1.2.3.65536"), "each part 0 to 65535"},
        {"string before its table", version("string A \"b\""), "stringtable line before"},
        {"bad table key", version("stringtable 0804"), "8 hex digits"},
        {"odd translation", version("translation 0x0804"), "expected translation"},
        {"unknown kind", list("BITMAP 1 2052 a.bmp"), "unknown kind 'BITMAP'"},
        {"id 0", list("DIALOG 0 2052 a.dialog"), "bad id"},
        {"odd type name", list("\"P NG\" 1 2052 a.png"), "type name"},
        {"listed twice", list("DIALOG 1 2052 a\nDIALOG 1 2052 b"), "line 2: the same resource"},
        {"not an icon", icon({0, 0, 2, 0, 1, 0}), "not an icon file"},
        {"icon with no images", icon(IcoHeader(1, 0)), "no images"},
        {"directory cut short", icon(IcoHeader(1, 2)), "cut short"},
        {"image past the end", icon(pastEnd), "outside the file"},
    };
    for (const BadCase& c : cases) {
        SCOPED_TRACE(c.name);
        auto [ok, error] = c.run();
        EXPECT_FALSE(ok);
        EXPECT_NE(error.find(c.errorPart), std::string::npos) << error;
    }
}

TEST(ResourceCompiler, Utf8ToUtf16) {
    struct Case {
        std::string utf8;
        bool ok;
        std::u16string utf16;
    };
    const std::vector<Case> cases{
        {"CPU", true, u"CPU"},
        {"\xe7\xa1\xae\xe5\xae\x9a", true, u"\u786E\u5B9A"},
        {"\xe2\x84\x83", true, u"\u2103"},
        {"\xf0\x9f\x98\x80", true, u"\U0001F600"}, // outside the BMP: a surrogate pair
        {"\xc0\x80", false, u""},                  // overlong
        {"\xe7\xa1", false, u""},                  // cut short
        {"\xed\xa0\x80", false, u""},              // a lone surrogate
        {"\x80", false, u""},
    };
    for (const Case& c : cases) {
        std::u16string out;
        EXPECT_EQ(res::Utf8ToUtf16(c.utf8, out), c.ok) << c.utf8;
        if (c.ok) {
            EXPECT_EQ(out, c.utf16) << c.utf8;
        }
    }
}

} // namespace
