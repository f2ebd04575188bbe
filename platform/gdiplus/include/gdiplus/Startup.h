#pragma once

// Starting and shutting down GDI+. Every other call needs a started GDI+ and
// fails with GdiplusNotInitialized otherwise. Start-ups may nest: GDI+ runs
// while any token handed out by GdiplusStartup has not been given back.

#include <gdiplus/Types.h>

namespace Gdiplus {

enum DebugEventLevel {
    DebugEventLevelFatal,
    DebugEventLevelWarning,
};
using DebugEventProc = void (*)(DebugEventLevel level, CHAR* message);
using NotificationHookProc = Status (*)(ULONG_PTR* token);
using NotificationUnhookProc = void (*)(ULONG_PTR token);

struct GdiplusStartupInput {
    UINT GdiplusVersion = 1;
    DebugEventProc DebugEventCallback = nullptr;
    BOOL SuppressBackgroundThread = FALSE;
    BOOL SuppressExternalCodecs = FALSE;

    GdiplusStartupInput(DebugEventProc debugEventCallback = nullptr,
                        BOOL suppressBackgroundThread = FALSE, BOOL suppressExternalCodecs = FALSE)
        : DebugEventCallback(debugEventCallback),
          SuppressBackgroundThread(suppressBackgroundThread),
          SuppressExternalCodecs(suppressExternalCodecs) {}
};

// Filled in only when the background thread is suppressed: the caller's
// hooks then stand in for it (here there is nothing for them to do).
struct GdiplusStartupOutput {
    NotificationHookProc NotificationHook = nullptr;
    NotificationUnhookProc NotificationUnhook = nullptr;
};

// InvalidParameter without a token or input, or with the background thread
// suppressed and no output; UnsupportedGdiplusVersion for a version other
// than 1. The debug callback is never called.
Status GdiplusStartup(ULONG_PTR* token, const GdiplusStartupInput* input,
                      GdiplusStartupOutput* output);
// An unknown or already returned token is ignored.
void GdiplusShutdown(ULONG_PTR token);

} // namespace Gdiplus
