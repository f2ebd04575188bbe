// xshot: saves what an X display shows as a PNG, for screenshots of the
// gadget under its own X server: `xshot FILE` (the display is $DISPLAY).

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <cstdio>
#include <raster/Png.h>
#include <vector>

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: xshot FILE\n");
        return 2;
    }
    Display* dpy = XOpenDisplay(nullptr);
    if (!dpy) {
        std::fprintf(stderr, "xshot: cannot open the X display\n");
        return 1;
    }
    const int screen = DefaultScreen(dpy);
    const int width = DisplayWidth(dpy, screen);
    const int height = DisplayHeight(dpy, screen);
    XImage* image = XGetImage(dpy, RootWindow(dpy, screen), 0, 0, static_cast<unsigned>(width),
                              static_cast<unsigned>(height), AllPlanes, ZPixmap);
    if (!image) {
        std::fprintf(stderr, "xshot: cannot read the screen\n");
        XCloseDisplay(dpy);
        return 1;
    }
    std::vector<std::uint32_t> pixels(static_cast<std::size_t>(width) * height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            pixels[static_cast<std::size_t>(y) * width + x] =
                0xFF000000u | static_cast<std::uint32_t>(XGetPixel(image, x, y) & 0xFFFFFF);
    XDestroyImage(image);
    XCloseDisplay(dpy);
    const bool ok =
        raster::WritePngFile(argv[1], raster::ConstPixelView::TopDown(pixels.data(), width, height),
                             raster::Alpha::Straight);
    if (!ok)
        std::fprintf(stderr, "xshot: cannot write %s\n", argv[1]);
    return ok ? 0 : 1;
}
