#pragma once

// What the layer's own source files share beyond the window table and the
// queues.

#include <win32/Screen.h>
#include <win32/User.h>

namespace win32::detail {

// Built-in window classes, registered on first use.
void EnsureSystemClasses();
LRESULT CALLBACK StaticProc(HWND, UINT, WPARAM, LPARAM);
LRESULT CALLBACK ButtonProc(HWND, UINT, WPARAM, LPARAM);
LRESULT CALLBACK EditProc(HWND, UINT, WPARAM, LPARAM);

// Tells the installed screen, if any, outside every lock.
void NotifyWindowChanged(HWND hwnd);
void NotifyContentChanged(HWND hwnd);

// Activation of a top-level window; `state` is WA_ACTIVE or WA_CLICKACTIVE.
void ActivateWindow(HWND hwnd, WORD state);
// A window is going away: drop it from focus, capture, activation and caret.
void ForgetWindow(HWND hwnd);

// The move loop of WM_SYSCOMMAND SC_MOVE: follows the pointer until the left
// button is released, then releases the capture.
void RunMoveLoop(HWND hwnd);

// Dialog units: the base units of a dialog font.
struct DialogFont {
    std::wstring face;
    int pointSize = 8;
    int weight = 0;
    bool italic = false;
    int charset = 1;
};
SIZE DialogBaseUnits(const DialogFont& font);
// The font that a dialog created from a template uses (null: the system
// font); the dialog owns it and deletes it when it is destroyed.
HFONT CreateDialogFont(const DialogFont& font);

// DCs that belong to a window; the window's destruction releases them.
void ReleaseWindowDCs(HWND hwnd);

} // namespace win32::detail
