// The Tarvik executable on a real X server: Xvfb of the test's own, with and
// without a window manager (openbox) and a compositor (xcompmgr), looked at
// through Xlib and driven with xdotool, as a user would.

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>
#include <optional>
#include <raster/Png.h>
#include <string>
#include <vector>

// X11 last: its macros (None, Bool, ...) must not reach the headers above.
#include "XServer.h"
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/shape.h>

using namespace std::chrono_literals;
using desktop::Child;
using desktop::PollUntil;

namespace {

constexpr int kWidth = 195;
constexpr int kHeight = 413;

bool HaveProgram(const char* name) {
    const std::string command = std::string("command -v ") + name + " >/dev/null 2>&1";
    return std::system(command.c_str()) == 0;
}

struct Setup {
    bool windowManager;
    bool compositor;
};

std::string SetupName(const testing::TestParamInfo<Setup>& info) {
    return std::string(info.param.windowManager ? "Openbox" : "NoWm") +
           (info.param.compositor ? "Composited" : "Plain");
}

struct Geometry {
    int x = 0, y = 0, width = 0, height = 0;
};

class GadgetTest : public testing::TestWithParam<Setup> {
protected:
    void SetUp() override {
        if (!HaveProgram("Xvfb") || !HaveProgram("xdotool"))
            GTEST_SKIP() << "Xvfb or xdotool is missing";
        ASSERT_TRUE(m_server.Start()) << "Xvfb did not start";
        m_dpy = m_server.Dpy();
        m_root = DefaultRootWindow(m_dpy);
        if (GetParam().windowManager) {
            if (!HaveProgram("openbox"))
                GTEST_SKIP() << "openbox is missing";
            m_wm = Spawn({"openbox"});
            // The work area is among the last things it sets up before it
            // manages windows.
            const Atom check = XInternAtom(m_dpy, "_NET_SUPPORTING_WM_CHECK", False);
            const Atom workarea = XInternAtom(m_dpy, "_NET_WORKAREA", False);
            ASSERT_TRUE(PollUntil([&] {
                return !Cardinals(m_root, check).empty() && !Cardinals(m_root, workarea).empty();
            })) << "openbox did not come up";
        }
        if (GetParam().compositor) {
            if (!HaveProgram("xcompmgr"))
                GTEST_SKIP() << "xcompmgr is missing";
            m_compositor = Spawn({"xcompmgr"});
            const Atom cm = XInternAtom(m_dpy, "_NET_WM_CM_S0", False);
            ASSERT_TRUE(PollUntil([&] { return XGetSelectionOwner(m_dpy, cm) != 0; }))
                << "xcompmgr did not come up";
        }
        m_skin = raster::ReadPngFile(TARVIK_SKIN_PNG);
        ASSERT_TRUE(m_skin);
        ASSERT_EQ(m_skin->Width(), kWidth);
        ASSERT_EQ(m_skin->Height(), kHeight);
    }

    void TearDown() override {
        m_gadget.Stop();
        m_compositor.Stop();
        m_wm.Stop();
    }

    Child Spawn(const std::vector<std::string>& argv, const std::string& dir = {},
                const std::string& output = {}) {
        return Child::Spawn(argv, {m_server.DisplayEnv()}, dir, -1, output);
    }

    // xdotool with its arguments, to its end.
    void Xdo(std::vector<std::string> args) {
        args.insert(args.begin(), "xdotool");
        Child xdo = Spawn(args);
        ASSERT_EQ(xdo.WaitExit(10s), 0) << "xdotool " << args[1] << " failed";
    }

    std::vector<long> Cardinals(::Window w, Atom property) {
        Atom type = 0;
        int format = 0;
        unsigned long count = 0, after = 0;
        unsigned char* data = nullptr;
        std::vector<long> out;
        if (XGetWindowProperty(m_dpy, w, property, 0, 64, False, AnyPropertyType, &type, &format,
                               &count, &after, &data) == Success &&
            data) {
            if (format == 32)
                out.assign(reinterpret_cast<long*>(data), reinterpret_cast<long*>(data) + count);
            XFree(data);
        }
        return out;
    }

    std::string Name(::Window w) {
        char* name = nullptr;
        std::string out;
        if (XFetchName(m_dpy, w, &name) && name) {
            out = name;
            XFree(name);
        }
        return out;
    }

    // Every window of the process, however deep a manager framed it.
    std::vector<::Window> WindowsOf(pid_t pid) {
        const Atom netPid = XInternAtom(m_dpy, "_NET_WM_PID", False);
        std::vector<::Window> out;
        std::vector<::Window> todo{m_root};
        while (!todo.empty()) {
            const ::Window w = todo.back();
            todo.pop_back();
            ::Window r = 0, parent = 0, *children = nullptr;
            unsigned n = 0;
            if (!XQueryTree(m_dpy, w, &r, &parent, &children, &n))
                continue;
            for (unsigned i = 0; i < n; ++i) {
                todo.push_back(children[i]);
                const auto p = Cardinals(children[i], netPid);
                if (!p.empty() && p[0] == pid)
                    out.push_back(children[i]);
            }
            if (children)
                XFree(children);
        }
        return out;
    }

    std::optional<Geometry> Viewable(::Window w) {
        XWindowAttributes a{};
        if (!XGetWindowAttributes(m_dpy, w, &a) || a.map_state != IsViewable)
            return std::nullopt;
        Geometry g{0, 0, a.width, a.height};
        ::Window child = 0;
        XTranslateCoordinates(m_dpy, w, m_root, 0, 0, &g.x, &g.y, &child);
        return g;
    }

    // The display window: override-redirect, 32 bits deep, on the screen.
    ::Window DisplayWindow() {
        for (::Window w : WindowsOf(m_gadget.Pid())) {
            XWindowAttributes a{};
            if (XGetWindowAttributes(m_dpy, w, &a) && a.override_redirect && a.depth == 32 &&
                a.map_state == IsViewable)
                return w;
        }
        return 0;
    }

    // The dialog: the input-only window that takes the mouse and keyboard.
    ::Window DialogWindow() {
        for (::Window w : WindowsOf(m_gadget.Pid())) {
            XWindowAttributes a{};
            if (XGetWindowAttributes(m_dpy, w, &a) && a.c_class == InputOnly &&
                a.map_state == IsViewable)
                return w;
        }
        return 0;
    }

    // A managed window with text on it: a message box.
    ::Window MessageBoxWindow() {
        for (::Window w : WindowsOf(m_gadget.Pid())) {
            XWindowAttributes a{};
            if (XGetWindowAttributes(m_dpy, w, &a) && a.c_class == InputOutput &&
                !a.override_redirect && a.map_state == IsViewable)
                return w;
        }
        return 0;
    }

    // What the screen shows, 0xRRGGBB per pixel.
    std::vector<std::uint32_t> Grab(Geometry g) {
        std::vector<std::uint32_t> out;
        // What lies off the screen is not shown.
        const int screenW = DisplayWidth(m_dpy, DefaultScreen(m_dpy));
        const int screenH = DisplayHeight(m_dpy, DefaultScreen(m_dpy));
        g.width = std::min(g.width, screenW - g.x);
        g.height = std::min(g.height, screenH - g.y);
        if (g.x < 0 || g.y < 0 || g.width <= 0 || g.height <= 0)
            return out;
        XImage* image = XGetImage(m_dpy, m_root, g.x, g.y, static_cast<unsigned>(g.width),
                                  static_cast<unsigned>(g.height), AllPlanes, ZPixmap);
        if (!image)
            return out;
        out.resize(static_cast<std::size_t>(g.width) * g.height);
        for (int y = 0; y < g.height; ++y)
            for (int x = 0; x < g.width; ++x)
                out[static_cast<std::size_t>(y) * g.width + x] =
                    static_cast<std::uint32_t>(XGetPixel(image, x, y) & 0xFFFFFF);
        XDestroyImage(image);
        return out;
    }

    static bool Near(std::uint32_t a, std::uint32_t b) {
        for (int shift = 0; shift < 24; shift += 8) {
            const int d =
                static_cast<int>((a >> shift) & 0xFF) - static_cast<int>((b >> shift) & 0xFF);
            if (d < -3 || d > 3)
                return false;
        }
        return true;
    }

    // Opaque skin pixels beside the panels: the picture, faded in, shows them
    // exactly.
    bool ShowsSkin(const Geometry& at) {
        const auto shot = Grab(Geometry{at.x, at.y, kWidth, kHeight});
        if (shot.empty())
            return false;
        int checked = 0;
        for (int y = 20; y < kHeight - 20; y += 10)
            for (int x : {4, 10, 20, 160, 170, 180, 188}) {
                const std::uint32_t skin = m_skin->At(x, y);
                if ((skin >> 24) != 0xFF)
                    continue;
                ++checked;
                if (!Near(shot[static_cast<std::size_t>(y) * kWidth + x], skin & 0xFFFFFF))
                    return false;
            }
        return checked > 20;
    }

    // Starts the gadget in `dir` and waits until its picture has faded in.
    void StartGadget(const std::string& dir = TARVIK_BIN_DIR) {
        m_log = (std::filesystem::temp_directory_path() /
                 ("tarvik-desktop-" + std::to_string(::getpid()) + ".log"))
                    .string();
        m_gadget = Spawn({std::string(TARVIK_BIN_DIR) + "/Tarvik"}, dir, m_log);
        ASSERT_TRUE(m_gadget.Started());
    }

    Geometry WaitForGadget() {
        Geometry g;
        EXPECT_TRUE(PollUntil([&] {
            const ::Window w = DisplayWindow();
            auto at = w ? Viewable(w) : std::nullopt;
            if (!at)
                return false;
            g = *at;
            return ShowsSkin(g);
        })) << "no faded-in picture of the skin";
        return g;
    }

    void ClickAt(int x, int y) {
        Xdo({"mousemove", std::to_string(x), std::to_string(y), "click", "1"});
    }

    // The gadget takes the keyboard on a click (a point of the skin beside the
    // panels, where a press only starts a drag).
    void FocusGadget(const Geometry& g) {
        XSetInputFocus(m_dpy, PointerRoot, RevertToPointerRoot, CurrentTime);
        XSync(m_dpy, False);
        ClickAt(g.x + 182, g.y + 200);
        ASSERT_TRUE(PollUntil([&] {
            ::Window focus = 0;
            int revert = 0;
            XGetInputFocus(m_dpy, &focus, &revert);
            return focus != 0 && focus == DialogWindow();
        })) << "the click did not reach the dialog";
    }

    ::Window WaitForBox() {
        ::Window box = 0;
        EXPECT_TRUE(PollUntil([&] { return (box = MessageBoxWindow()) != 0; })) << "no message box";
        return box;
    }

    bool HasFocus(::Window w) {
        ::Window focus = 0;
        int revert = 0;
        XGetInputFocus(m_dpy, &focus, &revert);
        return focus == w;
    }

    // Dark pixels of text on a light ground, with the in-between greys that
    // real, smoothed glyphs have.
    static bool HasText(const std::vector<std::uint32_t>& pixels, int minimum) {
        int dark = 0, grey = 0;
        for (std::uint32_t p : pixels) {
            const int g = static_cast<int>((p >> 8) & 0xFF);
            if (g < 0x50)
                ++dark;
            else if (g < 0xB0)
                ++grey;
        }
        return dark >= minimum && grey >= minimum / 2;
    }

    // A box is drawn a moment after it is mapped (and composited).
    bool ShowsText(::Window w, int minimum) {
        return PollUntil([&] {
            const auto at = Viewable(w);
            return at && HasText(Grab(*at), minimum);
        });
    }

    desktop::XServer m_server;
    Display* m_dpy = nullptr;
    ::Window m_root = 0;
    Child m_wm;
    Child m_compositor;
    Child m_gadget;
    std::string m_log;
    std::optional<raster::Bitmap> m_skin;
};

TEST_P(GadgetTest, ComesUpAsTheSkinWithRealGlyphs) {
    StartGadget();
    const Geometry g = WaitForGadget();
    ASSERT_FALSE(HasFailure());
    EXPECT_EQ(g.width, kWidth);
    EXPECT_EQ(g.height, kHeight);

    // The panels (the processor's, top left) fill with text within a pass or two.
    EXPECT_TRUE(PollUntil([&] {
        return HasText(Grab(Geometry{g.x + 42, g.y + 45, 100, 70}), 150);
    }));

    // Where the skin is transparent the desktop shows through a compositor
    // (and an uncomposited screen shows the window's own black).
    int corner = -1;
    for (int x = 0; x < kWidth && corner < 0; ++x)
        if ((m_skin->At(x, 0) >> 24) == 0)
            corner = x;
    ASSERT_GE(corner, 0);
    const std::uint32_t seen = Grab(Geometry{g.x + corner, g.y, 1, 1}).at(0);
    const std::uint32_t desktop = Grab(Geometry{700, 700, 1, 1}).at(0);
    if (GetParam().compositor)
        EXPECT_TRUE(Near(seen, desktop)) << std::hex << seen << " vs " << desktop;
    else
        EXPECT_EQ(seen, 0u);
}

TEST_P(GadgetTest, ClicksFallThroughTheDisplayWindowToTheDialog) {
    StartGadget();
    const Geometry g = WaitForGadget();
    ASSERT_FALSE(HasFailure());
    const ::Window display = DisplayWindow();
    int count = 0, ordering = 0;
    XRectangle* input = XShapeGetRectangles(m_dpy, display, ShapeInput, &count, &ordering);
    if (input)
        XFree(input);
    EXPECT_EQ(count, 0) << "the display window takes input";
    // The dialog lies under the display window, and the click reaches it.
    const auto dialog = Viewable(DialogWindow());
    ASSERT_TRUE(dialog);
    EXPECT_EQ(dialog->x, g.x);
    EXPECT_EQ(dialog->y, g.y);
    FocusGadget(g);
}

TEST_P(GadgetTest, PressAndDragMovesBothWindowsTogether) {
    StartGadget();
    const Geometry g = WaitForGadget();
    ASSERT_FALSE(HasFailure());
    const int x = g.x + 182, y = g.y + 200;
    Xdo({"mousemove", std::to_string(x), std::to_string(y), "mousedown", "1"});
    for (int step = 1; step <= 10; ++step)
        Xdo({"mousemove", std::to_string(x + 20 * step), std::to_string(y + 10 * step)});
    Xdo({"mouseup", "1"});
    EXPECT_TRUE(PollUntil([&] {
        const auto display = Viewable(DisplayWindow());
        const auto dialog = Viewable(DialogWindow());
        return display && dialog && display->x == g.x + 200 && display->y == g.y + 100 &&
               dialog->x == display->x && dialog->y == display->y;
    })) << "the windows did not end up together 200, 100 further";
    EXPECT_TRUE(ShowsSkin(Geometry{g.x + 200, g.y + 100, kWidth, kHeight}));
    EXPECT_TRUE(m_gadget.Running());
}

TEST_P(GadgetTest, EnterShowsTheReportInARealMessageBox) {
    StartGadget();
    const Geometry g = WaitForGadget();
    ASSERT_FALSE(HasFailure());
    // Twice: the gadget keeps running after the first report. Enter answers
    // the box too (the report is taller than the screen, and its OK with it).
    for (int press = 0; press < 2; ++press) {
        FocusGadget(g);
        ASSERT_FALSE(HasFailure());
        Xdo({"key", "Return"});
        const ::Window box = WaitForBox();
        ASSERT_NE(box, 0u);
        EXPECT_EQ(Name(box), "Tarvik");
        EXPECT_TRUE(PollUntil([&] { return HasFocus(box); })) << "the box did not take the focus";
        EXPECT_TRUE(ShowsText(box, 300)); // the report is long
        Xdo({"key", "Return"});
        EXPECT_TRUE(PollUntil([&] { return MessageBoxWindow() == 0; }));
        EXPECT_TRUE(m_gadget.Running());
    }
    EXPECT_TRUE(ShowsSkin(g));
}

TEST_P(GadgetTest, EscapeEndsTheProcessWithNoWindowLeft) {
    StartGadget();
    const Geometry g = WaitForGadget();
    ASSERT_FALSE(HasFailure());
    FocusGadget(g);
    ASSERT_FALSE(HasFailure());
    const pid_t pid = m_gadget.Pid();
    Xdo({"key", "Escape"});
    EXPECT_EQ(m_gadget.WaitExit(15s), 0);
    EXPECT_TRUE(PollUntil([&] { return WindowsOf(pid).empty(); }));
}

TEST_P(GadgetTest, WithoutTheLibraryItSaysSoFirst) {
    const auto dir = std::filesystem::temp_directory_path() /
                     ("tarvik-nolib-" + std::to_string(::getpid()) + "-" +
                      testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::create_directories(dir);
    StartGadget(dir.string());
    const ::Window box = WaitForBox();
    ASSERT_NE(box, 0u);
    EXPECT_EQ(Name(box), "Tarvik");
    EXPECT_TRUE(ShowsText(box, 40));
    EXPECT_TRUE(PollUntil([&] { return HasFocus(box); })) << "the box did not take the focus";
    EXPECT_EQ(DisplayWindow(), 0u) << "the gadget showed before the box was answered";

    // A click on OK answers it. OK sits at the bottom, in the middle: the
    // lowest dark row of the middle column is its frame.
    const auto at = Viewable(box);
    ASSERT_TRUE(at);
    const auto pixels = Grab(*at);
    ASSERT_EQ(pixels.size(), static_cast<std::size_t>(at->width) * at->height);
    int frame = -1;
    for (int y = at->height - 1; y >= 0 && frame < 0; --y)
        if (((pixels[static_cast<std::size_t>(y) * at->width + at->width / 2] >> 8) & 0xFF) < 0x50)
            frame = y;
    ASSERT_GT(frame, 10);
    ClickAt(at->x + at->width / 2, at->y + frame - 5);
    WaitForGadget();
    EXPECT_EQ(MessageBoxWindow(), 0u);
    EXPECT_TRUE(m_gadget.Running());
    std::filesystem::remove_all(dir);
}

INSTANTIATE_TEST_SUITE_P(Desktops, GadgetTest,
                         testing::Values(Setup{false, false}, Setup{true, false},
                                         Setup{false, true}, Setup{true, true}),
                         SetupName);

} // namespace
