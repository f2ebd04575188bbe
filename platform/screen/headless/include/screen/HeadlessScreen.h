#pragma once

// An in-memory desktop of a fixed size and colour. It composes every visible
// top-level window in z-order exactly as its alphas say, writes the desktop or
// one window to PNG, takes injected mouse and keyboard input, and records the
// message boxes that come up so that a test can read and answer them.

#include <condition_variable>
#include <cstdint>
#include <filesystem>
#include <mutex>
#include <string>
#include <vector>
#include <win32/Screen.h>

namespace screen {

struct MessageBoxRecord {
    HWND box = nullptr;
    std::wstring text;
    std::wstring caption;
    UINT type = 0;
};

class HeadlessScreen final : public win32::ScreenBackend {
public:
    // Installs itself for the process; the destructor removes it.
    HeadlessScreen(int width = 1024, int height = 768, std::uint32_t background = 0xFF3A6EA5);
    ~HeadlessScreen() override;
    HeadlessScreen(const HeadlessScreen&) = delete;
    HeadlessScreen& operator=(const HeadlessScreen&) = delete;

    SIZE ScreenSize() const override { return {m_width, m_height}; }
    void MessageBoxShown(HWND box, const std::wstring& text, const std::wstring& caption,
                         UINT type) override;

    // The desktop as a screen would show it: width × height, top row first,
    // B G R A in memory, opaque.
    std::vector<std::uint32_t> Compose() const;
    std::uint32_t PixelAt(int x, int y) const;
    bool SaveDesktop(const std::filesystem::path& file) const;
    // A window's own picture (straight alpha, its constant alpha applied).
    bool SaveWindow(HWND hwnd, const std::filesystem::path& file) const;

    // Input, in screen coordinates.
    void MoveMouse(int x, int y);
    void PressLeft(int x, int y);
    void ReleaseLeft(int x, int y);
    void Click(int x, int y);
    void Key(UINT virtualKey);

    // Message boxes shown so far, in order (answered ones included).
    std::vector<MessageBoxRecord> MessageBoxes() const;
    // Waits up to `timeoutMs` for the `n`-th message box (counting from 1).
    bool WaitForMessageBoxes(std::size_t n, int timeoutMs) const;
    // Presses OK on an open box.
    bool AnswerMessageBox(HWND box);

private:
    int m_width;
    int m_height;
    std::uint32_t m_background;
    mutable std::mutex m_mutex;
    mutable std::condition_variable m_changed;
    std::vector<MessageBoxRecord> m_boxes;
};

} // namespace screen
