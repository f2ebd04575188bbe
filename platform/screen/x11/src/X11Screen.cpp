#include <screen/X11Screen.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <mutex>
#include <set>
#include <unordered_map>
#include <vector>
#include <win32/Gdi.h>
#include <win32/Kernel.h>
#include <win32/User.h>
#include <win32/Utf8.h>

#include <sys/ipc.h>
#include <sys/shm.h>
#include <unistd.h>

// X11 last: its macros (None, Bool, Status, KeyPress, ...) must not reach the
// layer's headers.
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XShm.h>
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

constexpr wchar_t kDesktopClass[] = L"Progman";
constexpr wchar_t kDesktopTitle[] = L"Program Manager";
constexpr wchar_t kPumpClass[] = L"TarvikX11Pump";

// Errors of requests on windows that another client (a window manager) has
// just destroyed or reparented are expected; the default handler would end
// the process. The last code is kept for the MIT-SHM probe.
int g_lastError = 0;
int IgnoreError(Display*, XErrorEvent* e) {
    g_lastError = e->error_code;
    return 0;
}

// One shared-memory image a window's pictures are written into.
struct ShmImage {
    XShmSegmentInfo info{};
    XImage* image = nullptr;
    bool busy = false; // a put that the server may still be reading
};

struct XWin {
    ::Window xid = 0;
    Kind kind = Kind::Surface;
    bool onDesktop = false;
    bool mapped = false;
    bool viewable = false;
    bool wantFocus = false;
    ::Window frame = 0; // the child of the root that holds it (a manager's frame, or itself)
    RECT rect{};
    GC gc = nullptr;
    std::vector<std::uint32_t> buffer; // what was last pushed without MIT-SHM, kept for Expose
    int bufferWidth = 0;
    int bufferHeight = 0;
    ShmImage shm;
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

// Premultiplied, with the constant alpha multiplied in, as a compositor
// expects of an ARGB window; opaque for a window without per-pixel alpha.
void ConvertPicture(const win32::WindowPicture& picture, Kind kind, std::uint32_t* out,
                    std::size_t n) {
    const std::size_t have = std::min(n, picture.pixels.size());
    const std::uint32_t* in = picture.pixels.data();
    if (kind == Kind::Surface) {
        for (std::size_t i = 0; i < have; ++i)
            out[i] = in[i] | 0xFF000000u;
    } else {
        const unsigned a = picture.constantAlpha;
        const std::uint32_t opaque = picture.perPixelAlpha ? 0u : 0xFF000000u;
        if (a == 255) {
            for (std::size_t i = 0; i < have; ++i)
                out[i] = in[i] | opaque;
        } else {
            for (std::size_t i = 0; i < have; ++i) {
                const std::uint32_t p = in[i] | opaque;
                // Two channels at a time, each x * a / 255 rounded.
                std::uint32_t rb = (p & 0x00FF00FFu) * a + 0x00800080u;
                std::uint32_t ag = ((p >> 8) & 0x00FF00FFu) * a + 0x00800080u;
                rb = ((rb + ((rb >> 8) & 0x00FF00FFu)) >> 8) & 0x00FF00FFu;
                ag = ((ag + ((ag >> 8) & 0x00FF00FFu)) >> 8) & 0x00FF00FFu;
                out[i] = rb | (ag << 8);
            }
        }
    }
    std::fill(out + have, out + n, 0u);
}

} // namespace

struct X11Screen::Impl {
    Display* dpy = nullptr;
    int screenNumber = 0;
    ::Window root = 0;
    Visual* argbVisual = nullptr;
    Colormap argbColormap = 0;
    bool haveShm = false;
    DWORD thread = 0;
    Time lastTime = CurrentTime; // of the latest input event
    Atom wmDelete = 0;
    Atom wmProtocols = 0;
    Atom netWmName = 0;
    Atom netWmPid = 0;
    Atom netWmState = 0;
    Atom netWmStateBelow = 0;
    Atom netWmStateSkipTaskbar = 0;
    Atom netWmStateSkipPager = 0;
    Atom netWmDesktop = 0;
    Atom netWmWindowType = 0;
    Atom netWmWindowTypeDialog = 0;
    Atom utf8String = 0;
    Atom motifHints = 0;

    // The desktop offered to the layer as the shell's window: children of it
    // live on the desktop. The pump is a child of it whose WM_PAINT comes
    // when the UI thread has nothing else to do: that is when pictures go out.
    HWND desktop = nullptr;
    HWND pump = nullptr;

    std::unordered_map<HWND, XWin> windows;
    std::unordered_map<::Window, HWND> byXid;

    // Changes reported from any thread, applied on the event thread.
    std::mutex mutex;
    std::set<HWND> toSync;
    std::set<HWND> toPush;
    std::set<HWND> gone;
    std::set<HWND> boxes;
    bool captureChanged = false;
    HWND capture = nullptr;
    HWND focus = nullptr;
    bool focusChanged = false;
    HWND grabbed = nullptr;
    // The pump left its pictures for a window that was still to paint: the
    // next pass lets that paint come first.
    bool deferred = false;

    void Wake() {
        if (GetCurrentThreadId() != thread)
            PostThreadMessageW(thread, WM_NULL, 0, 0);
    }

    bool Ours(HWND hwnd) const { return hwnd && (hwnd == desktop || hwnd == pump); }

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

    // MIT-SHM only works when the server shares this machine's memory: try
    // one attach and see whether the server took it.
    void ProbeShm() {
        if (!XShmQueryExtension(dpy))
            return;
        XShmSegmentInfo info{};
        info.shmid = shmget(IPC_PRIVATE, 4096, IPC_CREAT | 0600);
        if (info.shmid < 0)
            return;
        info.shmaddr = static_cast<char*>(shmat(info.shmid, nullptr, 0));
        shmctl(info.shmid, IPC_RMID, nullptr);
        if (info.shmaddr == reinterpret_cast<char*>(-1))
            return;
        info.readOnly = True;
        g_lastError = 0;
        if (XShmAttach(dpy, &info)) {
            XSync(dpy, False);
            haveShm = g_lastError == 0;
            XShmDetach(dpy, &info);
            XSync(dpy, False);
        }
        shmdt(info.shmaddr);
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

    void SetIdentity(::Window xid) {
        XClassHint cls{};
        char name[] = "tarvik";
        char klass[] = "Tarvik";
        cls.res_name = name;
        cls.res_class = klass;
        XSetClassHint(dpy, xid, &cls);
        const long pid = static_cast<long>(::getpid());
        XChangeProperty(dpy, xid, netWmPid, XA_CARDINAL, 32, PropModeReplace,
                        reinterpret_cast<const unsigned char*>(&pid), 1);
    }

    // What a window on the desktop tells a window manager: below normal
    // windows, on every workspace, in no taskbar or pager, no decorations.
    void SetDesktopHints(::Window xid) {
        const Atom state[3] = {netWmStateBelow, netWmStateSkipTaskbar, netWmStateSkipPager};
        XChangeProperty(dpy, xid, netWmState, XA_ATOM, 32, PropModeReplace,
                        reinterpret_cast<const unsigned char*>(state), 3);
        const long allDesktops = 0xFFFFFFFF;
        XChangeProperty(dpy, xid, netWmDesktop, XA_CARDINAL, 32, PropModeReplace,
                        reinterpret_cast<const unsigned char*>(&allDesktops), 1);
    }

    void Create(HWND hwnd, XWin& w, Kind kind, bool onDesktop, const RECT& r) {
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
        } else {
            attrs.background_pixel = WhitePixel(dpy, screenNumber);
            w.xid = XCreateWindow(dpy, root, r.left, r.top, static_cast<unsigned>(width),
                                  static_cast<unsigned>(height), 0, CopyFromParent, InputOutput,
                                  CopyFromParent, CWEventMask | CWBackPixel, &attrs);
            w.gc = XCreateGC(dpy, w.xid, 0, nullptr);
        }
        if (kind == Kind::InputSink || onDesktop) {
            // Undecorated: the picture above it is all there is to see.
            const unsigned long hints[5] = {2, 0, 0, 0, 0}; // flags: decorations; decorations: none
            XChangeProperty(dpy, w.xid, motifHints, motifHints, 32, PropModeReplace,
                            reinterpret_cast<const unsigned char*>(hints), 5);
        }
        if (onDesktop)
            SetDesktopHints(w.xid);
        bool box = false;
        {
            std::lock_guard lock(mutex);
            box = boxes.count(hwnd) != 0;
        }
        if (box)
            XChangeProperty(dpy, w.xid, netWmWindowType, XA_ATOM, 32, PropModeReplace,
                            reinterpret_cast<const unsigned char*>(&netWmWindowTypeDialog), 1);
        if (kind != Kind::Picture) {
            // It takes the keyboard: the manager may give it the focus, and
            // so may we.
            XWMHints wm{};
            wm.flags = InputHint;
            wm.input = True;
            XSetWMHints(dpy, w.xid, &wm);
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
        SetIdentity(w.xid);
        w.kind = kind;
        w.onDesktop = onDesktop;
        w.rect = r;
        w.frame = w.xid;
        byXid[w.xid] = hwnd;
    }

    void FreeShm(XWin& w) {
        if (!w.shm.image)
            return;
        XShmDetach(dpy, &w.shm.info);
        w.shm.image->data = nullptr;
        XDestroyImage(w.shm.image);
        shmdt(w.shm.info.shmaddr);
        w.shm = ShmImage{};
    }

    void Destroy(XWin& w) {
        if (!w.xid)
            return;
        if (grabbed && windows.count(grabbed) && windows[grabbed].xid == w.xid) {
            XUngrabPointer(dpy, CurrentTime);
            grabbed = nullptr;
        }
        FreeShm(w);
        if (w.gc)
            XFreeGC(dpy, w.gc);
        byXid.erase(w.xid);
        XDestroyWindow(dpy, w.xid);
        w = XWin{};
    }

    Visual* VisualOf(const XWin& w) const {
        return w.kind == Kind::Picture ? argbVisual : DefaultVisual(dpy, screenNumber);
    }
    unsigned DepthOf(const XWin& w) const {
        return static_cast<unsigned>(w.kind == Kind::Picture ? 32
                                                             : DefaultDepth(dpy, screenNumber));
    }

    // A shared image of the picture's size, made anew when the size changes;
    // false when none can be had (then XPutImage does the work).
    bool EnsureShm(XWin& w, int width, int height) {
        if (!haveShm)
            return false;
        if (w.shm.image && w.shm.image->width == width && w.shm.image->height == height)
            return true;
        FreeShm(w);
        XImage* image =
            XShmCreateImage(dpy, VisualOf(w), DepthOf(w), ZPixmap, nullptr, &w.shm.info,
                            static_cast<unsigned>(width), static_cast<unsigned>(height));
        if (!image)
            return false;
        if (image->bits_per_pixel != 32 || image->bytes_per_line != width * 4) {
            XDestroyImage(image);
            return false;
        }
        w.shm.info.shmid =
            shmget(IPC_PRIVATE, static_cast<std::size_t>(image->bytes_per_line) * height,
                   IPC_CREAT | 0600);
        if (w.shm.info.shmid < 0) {
            XDestroyImage(image);
            return false;
        }
        w.shm.info.shmaddr = static_cast<char*>(shmat(w.shm.info.shmid, nullptr, 0));
        // Freed by the system once both sides have detached.
        shmctl(w.shm.info.shmid, IPC_RMID, nullptr);
        if (w.shm.info.shmaddr == reinterpret_cast<char*>(-1)) {
            XDestroyImage(image);
            w.shm = ShmImage{};
            return false;
        }
        w.shm.info.readOnly = True;
        image->data = w.shm.info.shmaddr;
        if (!XShmAttach(dpy, &w.shm.info)) {
            image->data = nullptr;
            XDestroyImage(image);
            shmdt(w.shm.info.shmaddr);
            w.shm = ShmImage{};
            return false;
        }
        w.shm.image = image;
        return true;
    }

    void Push(XWin& w, const win32::WindowPicture& picture) {
        if (w.kind == Kind::InputSink || !w.gc || picture.width <= 0 || picture.height <= 0)
            return;
        const std::size_t n = static_cast<std::size_t>(picture.width) * picture.height;
        if (EnsureShm(w, picture.width, picture.height)) {
            // The server reads the segment while it handles the put: the
            // next picture waits until it has.
            if (w.shm.busy)
                XSync(dpy, False);
            ConvertPicture(picture, w.kind, reinterpret_cast<std::uint32_t*>(w.shm.image->data), n);
            w.buffer.clear();
        } else {
            w.buffer.resize(n);
            w.bufferWidth = picture.width;
            w.bufferHeight = picture.height;
            ConvertPicture(picture, w.kind, w.buffer.data(), n);
        }
        Repaint(w);
    }

    void Repaint(XWin& w) {
        if (!w.gc)
            return;
        if (w.shm.image) {
            XShmPutImage(dpy, w.xid, w.gc, w.shm.image, 0, 0, 0, 0,
                         static_cast<unsigned>(w.shm.image->width),
                         static_cast<unsigned>(w.shm.image->height), False);
            w.shm.busy = true;
            return;
        }
        if (w.buffer.empty())
            return;
        XImage* image = XCreateImage(
            dpy, VisualOf(w), DepthOf(w), ZPixmap, 0, reinterpret_cast<char*>(w.buffer.data()),
            static_cast<unsigned>(w.bufferWidth), static_cast<unsigned>(w.bufferHeight), 32, 0);
        if (!image)
            return;
        XPutImage(dpy, w.xid, w.gc, image, 0, 0, 0, 0, static_cast<unsigned>(w.bufferWidth),
                  static_cast<unsigned>(w.bufferHeight));
        image->data = nullptr; // the buffer is ours
        XDestroyImage(image);
    }

    // The X window of a layer window, or of the nearest ancestor that has one.
    XWin* XWinOf(HWND hwnd) {
        for (HWND h = hwnd; h; h = GetParent(h)) {
            auto it = windows.find(h);
            if (it != windows.end() && it->second.xid)
                return &it->second;
            if (!(GetWindowLongW(h, GWL_STYLE) & WS_CHILD))
                break;
        }
        return nullptr;
    }

    // A display window stays directly above its owner's frame.
    void Restack(XWin& picture, HWND hwnd) {
        HWND owner = GetWindow(hwnd, GW_OWNER);
        XWin* o = owner ? XWinOf(owner) : nullptr;
        if (!o || !o->mapped || !o->frame) {
            XRaiseWindow(dpy, picture.xid);
            return;
        }
        XWindowChanges changes{};
        changes.sibling = o->frame;
        changes.stack_mode = Above;
        XConfigureWindow(dpy, picture.xid, CWSibling | CWStackMode, &changes);
    }

    void RestackPicturesAbove(::Window frame) {
        for (auto& [hwnd, w] : windows) {
            if (w.kind != Kind::Picture || !w.xid || !w.mapped)
                continue;
            HWND owner = GetWindow(hwnd, GW_OWNER);
            XWin* o = owner ? XWinOf(owner) : nullptr;
            if (o && o->frame == frame)
                Restack(w, hwnd);
        }
    }

    // The child of the root that holds `xid`: itself, or a manager's frame.
    ::Window FrameOf(::Window xid) {
        ::Window current = xid;
        for (int depth = 0; depth < 16; ++depth) {
            ::Window rootReturn = 0, parent = 0;
            ::Window* children = nullptr;
            unsigned count = 0;
            if (!XQueryTree(dpy, current, &rootReturn, &parent, &children, &count))
                return xid;
            if (children)
                XFree(children);
            if (parent == root || !parent)
                return current;
            current = parent;
        }
        return xid;
    }

    void Sync(HWND hwnd) {
        if (Ours(hwnd))
            return;
        win32::WindowPicture picture;
        if (!IsWindow(hwnd) || !win32::GetWindowPicture(hwnd, picture)) {
            gone.insert(hwnd);
            return;
        }
        // Child windows are drawn into their top-level window's pixels; only
        // top-level windows are X windows, and the children of the desktop,
        // which are windows on the desktop.
        const bool onDesktop = desktop && GetParent(hwnd) == desktop;
        if ((GetWindowLongW(hwnd, GWL_STYLE) & WS_CHILD) && !onDesktop) {
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
                w.viewable = false;
            }
            return;
        }
        // The hints of a managed window count when it is mapped: a window
        // that changes what it is gets a new X window.
        if (w.xid && (w.kind != kind || w.onDesktop != onDesktop))
            Destroy(w);
        const bool fresh = !w.xid;
        if (fresh)
            Create(hwnd, w, kind, onDesktop, picture.rect);
        const RECT& r = picture.rect;
        const bool moved = r.left != w.rect.left || r.top != w.rect.top;
        const bool sized = (r.right - r.left) != (w.rect.right - w.rect.left) ||
                           (r.bottom - r.top) != (w.rect.bottom - w.rect.top);
        if (moved || sized) {
            XMoveResizeWindow(dpy, w.xid, r.left, r.top,
                              static_cast<unsigned>(std::max<int>(1, r.right - r.left)),
                              static_cast<unsigned>(std::max<int>(1, r.bottom - r.top)));
            w.rect = r;
        }
        if (!w.mapped) {
            if (kind == Kind::Picture)
                XMapWindow(dpy, w.xid);
            else
                XMapRaised(dpy, w.xid);
            w.mapped = true;
        }
        if (kind == Kind::Picture && (fresh || moved))
            Restack(w, hwnd);
        if (kind != Kind::Picture && fresh)
            RestackPicturesAbove(w.frame);
        if (fresh || sized) {
            std::lock_guard lock(mutex);
            toPush.insert(hwnd);
        }
    }

    HWND HwndOf(::Window xid) {
        auto it = byXid.find(xid);
        return it == byXid.end() ? nullptr : it->second;
    }

    void HandleRootConfigure(const XConfigureEvent& e) {
        // The frame that a display window rides on moved in the stack, or a
        // window was put between them: the display window goes back on top
        // of the frame.
        for (auto& [hwnd, w] : windows) {
            if (w.kind != Kind::Picture || !w.mapped || w.xid == e.window)
                continue;
            HWND owner = GetWindow(hwnd, GW_OWNER);
            XWin* o = owner ? XWinOf(owner) : nullptr;
            if (o && o->frame && (e.window == o->frame || e.above == o->frame))
                Restack(w, hwnd);
        }
    }

    void Handle(XEvent& e) {
        switch (e.type) {
        case ButtonPress:
        case ButtonRelease: {
            lastTime = e.xbutton.time;
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
            lastTime = e.xmotion.time;
            win32::InjectMouse(e.xmotion.x_root, e.xmotion.y_root, win32::MouseAction::Move,
                               win32::MouseButton::NoButton);
            return;
        }
        case KeyPress:
        case KeyRelease: {
            lastTime = e.xkey.time;
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
        case MapNotify: {
            if (e.xmap.event != e.xmap.window)
                return;
            HWND hwnd = HwndOf(e.xmap.window);
            if (!hwnd)
                return;
            XWin& w = windows[hwnd];
            w.viewable = true;
            if (w.wantFocus) {
                w.wantFocus = false;
                XSetInputFocus(dpy, w.xid, RevertToParent, CurrentTime);
            }
            return;
        }
        case UnmapNotify:
            if (e.xunmap.event == e.xunmap.window)
                if (HWND hwnd = HwndOf(e.xunmap.window))
                    windows[hwnd].viewable = false;
            return;
        case ReparentNotify: {
            if (e.xreparent.event != e.xreparent.window)
                return;
            HWND hwnd = HwndOf(e.xreparent.window);
            if (!hwnd)
                return;
            // A window manager framed it (or let it go): the display window
            // now rides on that frame.
            XWin& w = windows[hwnd];
            w.frame = e.xreparent.parent == root ? w.xid : FrameOf(w.xid);
            RestackPicturesAbove(w.frame);
            return;
        }
        case ConfigureNotify: {
            if (e.xconfigure.event == root) {
                HandleRootConfigure(e.xconfigure);
                return;
            }
            if (e.xconfigure.event != e.xconfigure.window)
                return;
            HWND hwnd = HwndOf(e.xconfigure.window);
            if (!hwnd)
                return;
            XWin& w = windows[hwnd];
            if (w.kind == Kind::Picture)
                return;
            // While the layer drags it, the layer says where it is.
            if (grabbed == hwnd)
                return;
            // Root coordinates: the manager's synthetic notice, or a window
            // straight on the root; a framed window's real notice is relative
            // to its frame and says nothing about where it is.
            if (!e.xconfigure.send_event && w.frame != w.xid)
                return;
            const int x = e.xconfigure.x;
            const int y = e.xconfigure.y;
            if (x != w.rect.left || y != w.rect.top) {
                const int width = w.rect.right - w.rect.left;
                const int height = w.rect.bottom - w.rect.top;
                w.rect = RECT{x, y, x + width, y + height};
                // The layer follows; its coordinates of a desktop child are
                // the desktop's, which start at the screen's corner.
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

    // Window changes, capture and focus: applied at once, on every pass of
    // the UI thread's message loop.
    void ApplyPending() {
        std::set<HWND> sync, destroyed;
        bool capChanged, focChanged;
        HWND cap, foc;
        {
            std::lock_guard lock(mutex);
            sync.swap(toSync);
            destroyed.swap(gone);
            capChanged = captureChanged;
            captureChanged = false;
            cap = capture;
            focChanged = focusChanged;
            focusChanged = false;
            foc = focus;
        }
        for (HWND hwnd : destroyed) {
            {
                std::lock_guard lock(mutex);
                boxes.erase(hwnd);
            }
            auto it = windows.find(hwnd);
            if (it != windows.end()) {
                Destroy(it->second);
                windows.erase(it);
            }
        }
        for (HWND hwnd : sync)
            Sync(hwnd);
        if (capChanged) {
            XWin* w = cap ? XWinOf(cap) : nullptr;
            if (w && w->mapped) {
                // The drag's own grab, from the press that started it.
                XGrabPointer(dpy, w->xid, False,
                             ButtonPressMask | ButtonReleaseMask | PointerMotionMask, GrabModeAsync,
                             GrabModeAsync, 0, 0, lastTime);
                grabbed = HwndOf(w->xid);
            } else if (grabbed) {
                XUngrabPointer(dpy, CurrentTime);
                grabbed = nullptr;
            }
        }
        // The desktop taking the activation hands the keyboard to the window
        // on it that has the focus (after a message box, the gadget).
        if (focChanged && foc == desktop)
            foc = GetFocus();
        if (focChanged && foc && foc != desktop) {
            if (XWin* w = XWinOf(foc); w && w->kind != Kind::Picture) {
                if (w->viewable)
                    XSetInputFocus(dpy, w->xid, RevertToParent, CurrentTime);
                else
                    w->wantFocus = true; // once it is on the screen
            }
        }
        XFlush(dpy);
    }

    // Pictures go out when the UI thread has caught up with its queue: the
    // pump's WM_PAINT comes only then.
    void SchedulePushes() {
        bool pushes;
        {
            std::lock_guard lock(mutex);
            pushes = !toPush.empty();
        }
        if (pushes && !deferred && pump && IsWindow(pump))
            InvalidateRect(pump, nullptr, FALSE);
        deferred = false;
    }

    static bool PaintPending(HWND hwnd) {
        if (GetUpdateRect(hwnd, nullptr, FALSE) && IsWindowVisible(hwnd))
            return true;
        for (HWND c = GetWindow(hwnd, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT))
            if (PaintPending(c))
                return true;
        return false;
    }

    // Only the latest picture of each window that changed since the last time.
    void PushPending() {
        // A window still to paint makes a newer picture: wait for it.
        for (const auto& [hwnd, w] : windows)
            if (w.xid && PaintPending(hwnd)) {
                deferred = true;
                return;
            }
        std::set<HWND> push;
        {
            std::lock_guard lock(mutex);
            push.swap(toPush);
        }
        for (HWND hwnd : push) {
            if (Ours(hwnd))
                continue;
            auto it = windows.find(hwnd);
            if (it == windows.end() || !it->second.xid) {
                // A layered window shows nothing until its first picture:
                // that picture is what makes its X window.
                Sync(hwnd);
                it = windows.find(hwnd);
                if (it == windows.end() || !it->second.xid)
                    continue;
                std::lock_guard lock(mutex);
                toPush.erase(hwnd);
            }
            win32::WindowPicture picture;
            if (win32::GetWindowPicture(hwnd, picture))
                Push(it->second, picture);
        }
        XFlush(dpy);
    }

    static Impl* Of(HWND hwnd) {
        return reinterpret_cast<Impl*>(GetWindowLongW(hwnd, GWL_USERDATA));
    }

    static LRESULT CALLBACK PumpProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
        if (msg == WM_PAINT) {
            PAINTSTRUCT ps{};
            BeginPaint(hwnd, &ps);
            EndPaint(hwnd, &ps);
            if (Impl* impl = Of(hwnd))
                impl->PushPending();
            return 0;
        }
        if (msg == WM_ERASEBKGND)
            return 1;
        return DefWindowProcW(hwnd, msg, wParam, lParam);
    }

    // The desktop draws nothing (the root window is the desktop) and hands
    // the keyboard to the window on it when it is activated.
    static LRESULT CALLBACK DesktopProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
        switch (msg) {
        case WM_PAINT: {
            PAINTSTRUCT ps{};
            BeginPaint(hwnd, &ps);
            EndPaint(hwnd, &ps);
            return 0;
        }
        case WM_ERASEBKGND:
            return 1;
        case WM_ACTIVATE:
            if (LOWORD(wParam) != WA_INACTIVE) {
                HWND focus = GetFocus();
                if (!focus || focus == hwnd) {
                    Impl* impl = Of(hwnd);
                    for (HWND c = GetWindow(hwnd, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT))
                        if ((!impl || c != impl->pump) && IsWindowVisible(c) &&
                            IsWindowEnabled(c)) {
                            SetFocus(c);
                            break;
                        }
                }
            }
            return 0;
        default:
            return DefWindowProcW(hwnd, msg, wParam, lParam);
        }
    }

    void CreateDesktop() {
        HINSTANCE instance = GetModuleHandleW(nullptr);
        WNDCLASSEXW wc{};
        wc.cbSize = sizeof wc;
        wc.lpfnWndProc = DesktopProc;
        wc.hInstance = instance;
        wc.lpszClassName = kDesktopClass;
        RegisterClassExW(&wc);
        wc.lpfnWndProc = PumpProc;
        wc.lpszClassName = kPumpClass;
        RegisterClassExW(&wc);
        const int width = DisplayWidth(dpy, screenNumber);
        const int height = DisplayHeight(dpy, screenNumber);
        // At the screen's corner, so that its client coordinates are the
        // screen's. A click on a window on it activates it, and it hands the
        // keyboard on (DesktopProc).
        desktop = CreateWindowExW(0, kDesktopClass, kDesktopTitle, WS_POPUP | WS_VISIBLE, 0, 0,
                                  width, height, nullptr, nullptr, instance, nullptr);
        if (!desktop)
            return;
        win32::DropWindowSurface(desktop); // never an X window: nothing shows its pixels
        SetWindowLongW(desktop, GWL_USERDATA, reinterpret_cast<LONG_PTR>(this));
        // Outside the screen: no input ever reaches it.
        pump = CreateWindowExW(0, kPumpClass, nullptr, WS_CHILD | WS_VISIBLE, -1, -1, 1, 1, desktop,
                               nullptr, instance, nullptr);
        if (pump)
            SetWindowLongW(pump, GWL_USERDATA, reinterpret_cast<LONG_PTR>(this));
    }

    void DestroyDesktop() {
        if (desktop && IsWindow(desktop))
            DestroyWindow(desktop);
        desktop = nullptr;
        pump = nullptr;
        HINSTANCE instance = GetModuleHandleW(nullptr);
        UnregisterClassW(kDesktopClass, instance);
        UnregisterClassW(kPumpClass, instance);
    }
};

std::unique_ptr<X11Screen> X11Screen::Open(const char* display, std::string* error) {
    auto impl = std::make_unique<Impl>();
    impl->dpy = XOpenDisplay(display);
    if (!impl->dpy) {
        if (error) {
            const char* name = display ? display : std::getenv("DISPLAY");
            *error = name && *name ? std::string("cannot open the X display ") + name
                                   : std::string("no X display (DISPLAY is not set)");
        }
        return nullptr;
    }
    XSetErrorHandler(IgnoreError);
    impl->screenNumber = DefaultScreen(impl->dpy);
    impl->root = RootWindow(impl->dpy, impl->screenNumber);
    int shapeEvent = 0, shapeError = 0;
    if (!XShapeQueryExtension(impl->dpy, &shapeEvent, &shapeError) || !impl->FindArgbVisual()) {
        if (error)
            *error = "the X display has no 32-bit ARGB visual or no shape extension";
        XCloseDisplay(impl->dpy);
        return nullptr;
    }
    impl->ProbeShm();
    Display* dpy = impl->dpy;
    impl->wmDelete = XInternAtom(dpy, "WM_DELETE_WINDOW", False);
    impl->wmProtocols = XInternAtom(dpy, "WM_PROTOCOLS", False);
    impl->netWmName = XInternAtom(dpy, "_NET_WM_NAME", False);
    impl->netWmPid = XInternAtom(dpy, "_NET_WM_PID", False);
    impl->netWmState = XInternAtom(dpy, "_NET_WM_STATE", False);
    impl->netWmStateBelow = XInternAtom(dpy, "_NET_WM_STATE_BELOW", False);
    impl->netWmStateSkipTaskbar = XInternAtom(dpy, "_NET_WM_STATE_SKIP_TASKBAR", False);
    impl->netWmStateSkipPager = XInternAtom(dpy, "_NET_WM_STATE_SKIP_PAGER", False);
    impl->netWmDesktop = XInternAtom(dpy, "_NET_WM_DESKTOP", False);
    impl->netWmWindowType = XInternAtom(dpy, "_NET_WM_WINDOW_TYPE", False);
    impl->netWmWindowTypeDialog = XInternAtom(dpy, "_NET_WM_WINDOW_TYPE_DIALOG", False);
    impl->utf8String = XInternAtom(dpy, "UTF8_STRING", False);
    impl->motifHints = XInternAtom(dpy, "_MOTIF_WM_HINTS", False);
    // Frames of managed windows come and go and restack on the root.
    XSelectInput(dpy, impl->root, SubstructureNotifyMask);
    impl->thread = GetCurrentThreadId();
    std::unique_ptr<X11Screen> screen(new X11Screen(std::move(impl)));
    win32::InstallScreen(screen.get());
    screen->m_impl->CreateDesktop();
    return screen;
}

X11Screen::X11Screen(std::unique_ptr<Impl> impl) : m_impl(std::move(impl)) {}

X11Screen::~X11Screen() {
    if (GetCurrentThreadId() == m_impl->thread)
        m_impl->DestroyDesktop();
    if (win32::InstalledScreen() == this)
        win32::InstallScreen(nullptr);
    for (auto& [hwnd, w] : m_impl->windows)
        m_impl->Destroy(w);
    if (m_impl->argbColormap)
        XFreeColormap(m_impl->dpy, m_impl->argbColormap);
    XCloseDisplay(m_impl->dpy);
}

void X11Screen::WindowChanged(HWND hwnd) {
    if (m_impl->Ours(hwnd))
        return;
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
    if (m_impl->Ours(hwnd))
        return;
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

void X11Screen::MessageBoxShown(HWND box, const std::wstring&, const std::wstring&, UINT) {
    {
        std::lock_guard lock(m_impl->mutex);
        m_impl->boxes.insert(box);
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
    m_impl->SchedulePushes();
}

void X11Screen::WaitForServer() {
    XSync(m_impl->dpy, False);
}

SIZE X11Screen::ScreenSize() const {
    return SIZE{DisplayWidth(m_impl->dpy, m_impl->screenNumber),
                DisplayHeight(m_impl->dpy, m_impl->screenNumber)};
}

} // namespace screen
