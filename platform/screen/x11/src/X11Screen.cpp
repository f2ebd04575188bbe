#include <screen/X11Screen.h>

#include <algorithm>
#include <cstdint>
#include <mutex>
#include <set>
#include <unordered_map>
#include <vector>
#include <win32/Kernel.h>
#include <win32/User.h>
#include <win32/Utf8.h>

// X11 last: its macros (None, Bool, Status, KeyPress, ...) must not reach the
// layer's headers.
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/Xrender.h>
#include <X11/extensions/shape.h>
#include <X11/keysym.h>

namespace screen {

namespace {

// What an X window is made of a layer window:
// - Picture: a layered, click-through window fed with a picture: an
//   override-redirect ARGB window with an empty input shape, so that the
//   mouse falls through and no window manager touches it.
// - InputSink: a layered window at an alpha too small to see (the dialog
//   under its display window): it takes input and draws nothing.
// - Surface: everything else (message boxes): a managed window showing the
//   window's surface.
enum class Kind { Picture, InputSink, Surface };

// A layered window below this constant alpha shows nothing a user can see.
constexpr BYTE kInvisibleAlpha = 16;

struct XWin {
    ::Window xid = 0;
    Kind kind = Kind::Surface;
    bool mapped = false;
    RECT rect{};
    GC gc = nullptr;
    std::vector<std::uint32_t> buffer; // what was last pushed, kept for Expose
    int bufferWidth = 0;
    int bufferHeight = 0;
};

UINT VirtualKeyOf(KeySym sym) {
    switch (sym) {
    case XK_Return:
    case XK_KP_Enter:
        return VK_RETURN;
    case XK_Escape:
        return VK_ESCAPE;
    case XK_Tab:
        return VK_TAB;
    case XK_space:
        return VK_SPACE;
    default:
        if (sym >= XK_a && sym <= XK_z)
            return static_cast<UINT>('A' + (sym - XK_a));
        if (sym >= XK_0 && sym <= XK_9)
            return static_cast<UINT>('0' + (sym - XK_0));
        return 0;
    }
}

} // namespace

struct X11Screen::Impl {
    Display* dpy = nullptr;
    int screenNumber = 0;
    ::Window root = 0;
    Visual* argbVisual = nullptr;
    Colormap argbColormap = 0;
    DWORD thread = 0;
    Atom wmDelete = 0;
    Atom wmProtocols = 0;
    Atom netWmName = 0;
    Atom utf8String = 0;
    Atom motifHints = 0;

    std::unordered_map<HWND, XWin> windows;
    std::unordered_map<::Window, HWND> byXid;

    // Changes reported from any thread, applied on the event thread.
    std::mutex mutex;
    std::set<HWND> toSync;
    std::set<HWND> toPush;
    std::set<HWND> gone;
    bool captureChanged = false;
    HWND capture = nullptr;
    HWND focus = nullptr;
    bool focusChanged = false;
    HWND grabbed = nullptr;

    void Wake() {
        if (GetCurrentThreadId() != thread)
            PostThreadMessageW(thread, WM_NULL, 0, 0);
    }

    bool FindArgbVisual() {
        XVisualInfo templ{};
        templ.screen = screenNumber;
        templ.depth = 32;
        templ.c_class = TrueColor;
        int count = 0;
        XVisualInfo* infos = XGetVisualInfo(
            dpy, VisualScreenMask | VisualDepthMask | VisualClassMask, &templ, &count);
        for (int i = 0; i < count && !argbVisual; ++i) {
            // The visual whose render format has an alpha mask.
            XRenderPictFormat* format = XRenderFindVisualFormat(dpy, infos[i].visual);
            if (format && format->type == PictTypeDirect && format->direct.alphaMask)
                argbVisual = infos[i].visual;
        }
        if (infos)
            XFree(infos);
        if (argbVisual)
            argbColormap = XCreateColormap(dpy, root, argbVisual, AllocNone);
        return argbVisual != nullptr;
    }

    static Kind KindOf(HWND hwnd, const win32::WindowPicture& picture) {
        const auto ex = static_cast<DWORD>(GetWindowLongW(hwnd, GWL_EXSTYLE));
        if ((ex & WS_EX_LAYERED) && (ex & WS_EX_TRANSPARENT))
            return Kind::Picture;
        if ((ex & WS_EX_LAYERED) && !picture.perPixelAlpha &&
            picture.constantAlpha < kInvisibleAlpha)
            return Kind::InputSink;
        return Kind::Surface;
    }

    void SetTitle(::Window xid, HWND hwnd) {
        wchar_t text[512]{};
        GetWindowTextW(hwnd, text, 512);
        const std::string utf8 = win32::ToUtf8(text);
        XChangeProperty(dpy, xid, netWmName, utf8String, 8, PropModeReplace,
                        reinterpret_cast<const unsigned char*>(utf8.data()),
                        static_cast<int>(utf8.size()));
        XStoreName(dpy, xid, utf8.c_str());
    }

    void Create(HWND hwnd, XWin& w, Kind kind, const RECT& r) {
        const int width = std::max<int>(1, r.right - r.left);
        const int height = std::max<int>(1, r.bottom - r.top);
        const long events = ButtonPressMask | ButtonReleaseMask | PointerMotionMask | KeyPressMask |
                            KeyReleaseMask | StructureNotifyMask | ExposureMask | FocusChangeMask;
        XSetWindowAttributes attrs{};
        attrs.event_mask = events;
        if (kind == Kind::Picture) {
            attrs.override_redirect = True;
            attrs.colormap = argbColormap;
            attrs.border_pixel = 0;
            attrs.background_pixel = 0;
            attrs.event_mask = ExposureMask | StructureNotifyMask;
            w.xid = XCreateWindow(dpy, root, r.left, r.top, static_cast<unsigned>(width),
                                  static_cast<unsigned>(height), 0, 32, InputOutput, argbVisual,
                                  CWOverrideRedirect | CWColormap | CWBorderPixel | CWBackPixel |
                                      CWEventMask,
                                  &attrs);
            // No input region at all: the mouse falls through to what is below.
            XShapeCombineRectangles(dpy, w.xid, ShapeInput, 0, 0, nullptr, 0, ShapeSet, Unsorted);
            w.gc = XCreateGC(dpy, w.xid, 0, nullptr);
        } else if (kind == Kind::InputSink) {
            attrs.event_mask = events & ~ExposureMask;
            w.xid = XCreateWindow(dpy, root, r.left, r.top, static_cast<unsigned>(width),
                                  static_cast<unsigned>(height), 0, 0, InputOnly, CopyFromParent,
                                  CWEventMask, &attrs);
            // Undecorated: the picture above it is all there is to see.
            const unsigned long hints[5] = {2, 0, 0, 0, 0}; // flags: decorations; decorations: none
            XChangeProperty(dpy, w.xid, motifHints, motifHints, 32, PropModeReplace,
                            reinterpret_cast<const unsigned char*>(hints), 5);
        } else {
            attrs.background_pixel = WhitePixel(dpy, screenNumber);
            w.xid = XCreateWindow(dpy, root, r.left, r.top, static_cast<unsigned>(width),
                                  static_cast<unsigned>(height), 0, CopyFromParent, InputOutput,
                                  CopyFromParent, CWEventMask | CWBackPixel, &attrs);
            w.gc = XCreateGC(dpy, w.xid, 0, nullptr);
        }
        // Place it where the layer says, also under a window manager.
        XSizeHints size{};
        size.flags = PPosition | USPosition | PSize;
        size.x = r.left;
        size.y = r.top;
        size.width = width;
        size.height = height;
        XSetWMNormalHints(dpy, w.xid, &size);
        XSetWMProtocols(dpy, w.xid, &wmDelete, 1);
        SetTitle(w.xid, hwnd);
        w.kind = kind;
        w.rect = r;
        byXid[w.xid] = hwnd;
    }

    void Destroy(XWin& w) {
        if (!w.xid)
            return;
        if (grabbed && windows.count(grabbed) && windows[grabbed].xid == w.xid) {
            XUngrabPointer(dpy, CurrentTime);
            grabbed = nullptr;
        }
        if (w.gc)
            XFreeGC(dpy, w.gc);
        byXid.erase(w.xid);
        XDestroyWindow(dpy, w.xid);
        w = XWin{};
    }

    void Push(XWin& w, const win32::WindowPicture& picture) {
        if (w.kind == Kind::InputSink || !w.gc || picture.width <= 0 || picture.height <= 0)
            return;
        const std::size_t n = static_cast<std::size_t>(picture.width) * picture.height;
        w.buffer.resize(n);
        w.bufferWidth = picture.width;
        w.bufferHeight = picture.height;
        const unsigned a = picture.constantAlpha;
        for (std::size_t i = 0; i < n && i < picture.pixels.size(); ++i) {
            std::uint32_t p = picture.pixels[i];
            if (w.kind == Kind::Surface) {
                w.buffer[i] = p | 0xFF000000u;
                continue;
            }
            if (!picture.perPixelAlpha)
                p |= 0xFF000000u;
            // Premultiplied, with the constant alpha multiplied in, as a
            // compositor expects of an ARGB window.
            std::uint32_t out = 0;
            for (int shift = 0; shift < 32; shift += 8)
                out |= ((((p >> shift) & 0xFF) * a + 127) / 255) << shift;
            w.buffer[i] = out;
        }
        Repaint(w);
    }

    void Repaint(XWin& w) {
        if (w.buffer.empty() || !w.gc)
            return;
        Visual* visual = w.kind == Kind::Picture ? argbVisual : DefaultVisual(dpy, screenNumber);
        const int depth = w.kind == Kind::Picture ? 32 : DefaultDepth(dpy, screenNumber);
        XImage* image = XCreateImage(dpy, visual, static_cast<unsigned>(depth), ZPixmap, 0,
                                     reinterpret_cast<char*>(w.buffer.data()),
                                     static_cast<unsigned>(w.bufferWidth),
                                     static_cast<unsigned>(w.bufferHeight), 32, 0);
        if (!image)
            return;
        XPutImage(dpy, w.xid, w.gc, image, 0, 0, 0, 0, static_cast<unsigned>(w.bufferWidth),
                  static_cast<unsigned>(w.bufferHeight));
        image->data = nullptr; // the buffer is ours
        XDestroyImage(image);
    }

    void Sync(HWND hwnd) {
        win32::WindowPicture picture;
        if (!IsWindow(hwnd) || !win32::GetWindowPicture(hwnd, picture)) {
            gone.insert(hwnd);
            return;
        }
        // Child windows are drawn into their top-level window's pixels; only
        // top-level windows are X windows.
        if (GetWindowLongW(hwnd, GWL_STYLE) & WS_CHILD) {
            if (auto it = windows.find(hwnd); it != windows.end()) {
                Destroy(it->second);
                windows.erase(it);
            }
            return;
        }
        XWin& w = windows[hwnd];
        const Kind kind = KindOf(hwnd, picture);
        if (!picture.visible) {
            if (w.xid && w.mapped) {
                XUnmapWindow(dpy, w.xid);
                w.mapped = false;
            }
            return;
        }
        if (w.xid && w.kind != kind)
            Destroy(w);
        if (!w.xid)
            Create(hwnd, w, kind, picture.rect);
        const RECT& r = picture.rect;
        if (r.left != w.rect.left || r.top != w.rect.top || r.right != w.rect.right ||
            r.bottom != w.rect.bottom) {
            XMoveResizeWindow(dpy, w.xid, r.left, r.top,
                              static_cast<unsigned>(std::max<int>(1, r.right - r.left)),
                              static_cast<unsigned>(std::max<int>(1, r.bottom - r.top)));
            w.rect = r;
        }
        if (!w.mapped) {
            XMapRaised(dpy, w.xid);
            w.mapped = true;
        }
        if (kind == Kind::Picture) {
            // The picture stays directly above the window it shows.
            XRaiseWindow(dpy, w.xid);
        }
        Push(w, picture);
    }

    HWND HwndOf(::Window xid) {
        auto it = byXid.find(xid);
        return it == byXid.end() ? nullptr : it->second;
    }

    void Handle(XEvent& e) {
        switch (e.type) {
        case ButtonPress:
        case ButtonRelease: {
            if (e.xbutton.button != Button1 && e.xbutton.button != Button3)
                return;
            const auto button =
                e.xbutton.button == Button1 ? win32::MouseButton::Left : win32::MouseButton::Right;
            if (e.type == ButtonPress)
                if (HWND hwnd = HwndOf(e.xbutton.window))
                    if (windows[hwnd].kind != Kind::Picture)
                        XSetInputFocus(dpy, e.xbutton.window, RevertToParent, e.xbutton.time);
            win32::InjectMouse(e.xbutton.x_root, e.xbutton.y_root,
                               e.type == ButtonPress ? win32::MouseAction::Press
                                                     : win32::MouseAction::Release,
                               button);
            return;
        }
        case MotionNotify: {
            // Only the latest position matters.
            while (XCheckTypedEvent(dpy, MotionNotify, &e)) {
            }
            win32::InjectMouse(e.xmotion.x_root, e.xmotion.y_root, win32::MouseAction::Move,
                               win32::MouseButton::NoButton);
            return;
        }
        case KeyPress:
        case KeyRelease: {
            const KeySym sym = XLookupKeysym(&e.xkey, 0);
            if (const UINT vk = VirtualKeyOf(sym))
                win32::InjectKey(vk, e.type == KeyPress);
            if (e.type == KeyPress) {
                char text[8]{};
                KeySym ignored;
                const int n = XLookupString(&e.xkey, text, sizeof text, &ignored, nullptr);
                if (n == 1 && static_cast<unsigned char>(text[0]) >= 0x20 &&
                    static_cast<unsigned char>(text[0]) < 0x7F)
                    win32::InjectChar(static_cast<wchar_t>(text[0]));
            }
            return;
        }
        case Expose:
            if (e.xexpose.count == 0)
                if (HWND hwnd = HwndOf(e.xexpose.window))
                    Repaint(windows[hwnd]);
            return;
        case ConfigureNotify: {
            HWND hwnd = HwndOf(e.xconfigure.window);
            if (!hwnd)
                return;
            XWin& w = windows[hwnd];
            if (w.kind == Kind::Picture)
                return;
            // A window manager moved the window: the layer follows.
            int x = 0, y = 0;
            ::Window child = 0;
            XTranslateCoordinates(dpy, w.xid, root, 0, 0, &x, &y, &child);
            if (x != w.rect.left || y != w.rect.top) {
                const int width = w.rect.right - w.rect.left;
                const int height = w.rect.bottom - w.rect.top;
                w.rect = RECT{x, y, x + width, y + height};
                SetWindowPos(hwnd, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
            }
            return;
        }
        case ClientMessage:
            if (e.xclient.message_type == wmProtocols &&
                static_cast<Atom>(e.xclient.data.l[0]) == wmDelete)
                if (HWND hwnd = HwndOf(e.xclient.window))
                    PostMessageW(hwnd, WM_CLOSE, 0, 0);
            return;
        default:
            return;
        }
    }

    void ApplyPending() {
        std::set<HWND> sync, push, destroyed;
        bool capChanged, focChanged;
        HWND cap, foc;
        {
            std::lock_guard lock(mutex);
            sync.swap(toSync);
            push.swap(toPush);
            destroyed.swap(gone);
            capChanged = captureChanged;
            captureChanged = false;
            cap = capture;
            focChanged = focusChanged;
            focusChanged = false;
            foc = focus;
        }
        for (HWND hwnd : destroyed) {
            auto it = windows.find(hwnd);
            if (it != windows.end()) {
                Destroy(it->second);
                windows.erase(it);
            }
        }
        for (HWND hwnd : sync)
            Sync(hwnd);
        for (HWND hwnd : push) {
            if (sync.count(hwnd))
                continue;
            auto it = windows.find(hwnd);
            if (it == windows.end() || !it->second.xid) {
                // A layered window shows nothing until its first picture:
                // that picture is what makes its X window.
                Sync(hwnd);
                continue;
            }
            win32::WindowPicture picture;
            if (win32::GetWindowPicture(hwnd, picture))
                Push(it->second, picture);
        }
        if (capChanged) {
            HWND top = cap;
            while (top && GetParent(top) && (GetWindowLongW(top, GWL_STYLE) & WS_CHILD))
                top = GetParent(top);
            auto it = top ? windows.find(top) : windows.end();
            if (it != windows.end() && it->second.xid && it->second.mapped) {
                XGrabPointer(dpy, it->second.xid, False,
                             ButtonPressMask | ButtonReleaseMask | PointerMotionMask, GrabModeAsync,
                             GrabModeAsync, 0, 0, CurrentTime);
                grabbed = top;
            } else if (grabbed) {
                XUngrabPointer(dpy, CurrentTime);
                grabbed = nullptr;
            }
        }
        if (focChanged && foc) {
            auto it = windows.find(foc);
            if (it != windows.end() && it->second.xid && it->second.mapped &&
                it->second.kind != Kind::Picture) {
                XWindowAttributes attrs{};
                if (XGetWindowAttributes(dpy, it->second.xid, &attrs) &&
                    attrs.map_state == IsViewable)
                    XSetInputFocus(dpy, it->second.xid, RevertToParent, CurrentTime);
            }
        }
        XFlush(dpy);
    }
};

std::unique_ptr<X11Screen> X11Screen::Open(const char* display, std::string* error) {
    auto impl = std::make_unique<Impl>();
    impl->dpy = XOpenDisplay(display);
    if (!impl->dpy) {
        if (error)
            *error = "cannot open the X display" +
                     std::string(display ? std::string(" ") + display : std::string());
        return nullptr;
    }
    impl->screenNumber = DefaultScreen(impl->dpy);
    impl->root = RootWindow(impl->dpy, impl->screenNumber);
    int shapeEvent = 0, shapeError = 0;
    if (!XShapeQueryExtension(impl->dpy, &shapeEvent, &shapeError) || !impl->FindArgbVisual()) {
        if (error)
            *error = "the X display has no 32-bit ARGB visual or no shape extension";
        XCloseDisplay(impl->dpy);
        return nullptr;
    }
    impl->wmDelete = XInternAtom(impl->dpy, "WM_DELETE_WINDOW", False);
    impl->wmProtocols = XInternAtom(impl->dpy, "WM_PROTOCOLS", False);
    impl->netWmName = XInternAtom(impl->dpy, "_NET_WM_NAME", False);
    impl->utf8String = XInternAtom(impl->dpy, "UTF8_STRING", False);
    impl->motifHints = XInternAtom(impl->dpy, "_MOTIF_WM_HINTS", False);
    impl->thread = GetCurrentThreadId();
    std::unique_ptr<X11Screen> screen(new X11Screen(std::move(impl)));
    win32::InstallScreen(screen.get());
    return screen;
}

X11Screen::X11Screen(std::unique_ptr<Impl> impl) : m_impl(std::move(impl)) {}

X11Screen::~X11Screen() {
    if (win32::InstalledScreen() == this)
        win32::InstallScreen(nullptr);
    for (auto& [hwnd, w] : m_impl->windows)
        m_impl->Destroy(w);
    if (m_impl->argbColormap)
        XFreeColormap(m_impl->dpy, m_impl->argbColormap);
    XCloseDisplay(m_impl->dpy);
}

void X11Screen::WindowChanged(HWND hwnd) {
    {
        std::lock_guard lock(m_impl->mutex);
        m_impl->toSync.insert(hwnd);
    }
    m_impl->Wake();
}

void X11Screen::WindowDestroyed(HWND hwnd) {
    {
        std::lock_guard lock(m_impl->mutex);
        m_impl->toSync.erase(hwnd);
        m_impl->toPush.erase(hwnd);
        m_impl->gone.insert(hwnd);
    }
    m_impl->Wake();
}

void X11Screen::WindowContentChanged(HWND hwnd) {
    {
        std::lock_guard lock(m_impl->mutex);
        m_impl->toPush.insert(hwnd);
    }
    m_impl->Wake();
}

void X11Screen::CaptureChanged(HWND hwnd) {
    {
        std::lock_guard lock(m_impl->mutex);
        m_impl->capture = hwnd;
        m_impl->captureChanged = true;
    }
    m_impl->Wake();
}

void X11Screen::FocusWindowChanged(HWND hwnd) {
    {
        std::lock_guard lock(m_impl->mutex);
        m_impl->focus = hwnd;
        m_impl->focusChanged = true;
    }
    m_impl->Wake();
}

int X11Screen::EventFd() const {
    return ConnectionNumber(m_impl->dpy);
}

DWORD X11Screen::EventThread() const {
    return m_impl->thread;
}

void X11Screen::ProcessEvents() {
    if (GetCurrentThreadId() != m_impl->thread)
        return;
    m_impl->ApplyPending();
    while (XPending(m_impl->dpy)) {
        XEvent e;
        XNextEvent(m_impl->dpy, &e);
        m_impl->Handle(e);
    }
    m_impl->ApplyPending();
}

SIZE X11Screen::ScreenSize() const {
    return SIZE{DisplayWidth(m_impl->dpy, m_impl->screenNumber),
                DisplayHeight(m_impl->dpy, m_impl->screenNumber)};
}

} // namespace screen
