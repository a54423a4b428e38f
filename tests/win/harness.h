// Shared helpers of the Windows-side tests: an editor with its main window, recorded messages.
#pragma once
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "app/editor.h"
#include "app/frame.h"
#include "common/gdiplus.h"

namespace mirelo::testing {

// Removes every pending message of this thread, including a quit message.
inline void DrainMessages() {
    MSG m;
    while (PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE)) {
        if (m.message == WM_QUIT) continue;
        TranslateMessage(&m);
        DispatchMessageW(&m);
    }
}

// An editor whose message boxes are answered by the test and recorded.
class EditorTest : public ::testing::Test {
protected:
    void SetUp() override {
        editor = std::make_unique<Editor>(GetModuleHandleW(nullptr));
        editor->messages.SetResponder([this](const MessageRequest& r) {
            shown.push_back(r);
            return answer;
        });
    }
    void TearDown() override {
        if (editor->mainWindow) DestroyWindow(editor->mainWindow);
        DrainMessages();
        editor.reset();
    }
    // Creates the main window (hidden) with its menu, status bar and image bar.
    HWND OpenWindow() {
        HWND w = CreateMainWindow(*editor, SW_HIDE);
        EXPECT_NE(w, nullptr);
        return w;
    }
    bool Shown(TextView text) const {
        for (const auto& m : shown)
            if (m.text == text) return true;
        return false;
    }

    std::unique_ptr<Editor> editor;
    std::vector<MessageRequest> shown;
    int answer = IDYES;
};

// ARGB of one pixel.
inline uint32_t PixelAt(Gdiplus::GpBitmap* bmp, int x, int y) {
    Gdiplus::ARGB c = 0;
    gp::GdipBitmapGetPixel(bmp, x, y, &c);
    return c;
}

inline std::string Narrow(const Text& t) {
    std::string s;
    for (char16_t c : t) {
        if (c < 0x80) {
            s.push_back(static_cast<char>(c));
        } else if (c < 0x800) {
            s.push_back(static_cast<char>(0xC0 | (c >> 6)));
            s.push_back(static_cast<char>(0x80 | (c & 0x3F)));
        } else {
            s.push_back(static_cast<char>(0xE0 | (c >> 12)));
            s.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
            s.push_back(static_cast<char>(0x80 | (c & 0x3F)));
        }
    }
    return s;
}

}  // namespace mirelo::testing
