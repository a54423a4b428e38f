#include "edit/viewport.h"

#include <algorithm>

#include "app/editor.h"

namespace mirelo {

Viewport Editor::View() { return Viewport(*this); }

namespace {
const ImageSlot* Shown(const Editor& e) {
    const ImageSlot* s = e.images.Current();
    return s && s->occupied() ? s : nullptr;
}
}  // namespace

ViewLayout Viewport::Layout() const {
    const ImageSlot* s = Shown(editor_);
    if (!s) return ViewLayout{};
    ViewLayout l;
    l.zoom = s->zoom > 0 ? s->zoom : 100;
    l.zoomedWidth = s->zoomedWidth;
    l.zoomedHeight = s->zoomedHeight;
    l.originX = s->originX;
    l.originY = s->originY;
    return l;
}

int Viewport::ScrollX() const { return editor_.viewState.scrollX; }
int Viewport::ScrollY() const { return editor_.viewState.scrollY; }

IntPoint Viewport::ToImage(int clientX, int clientY) const { return ClientToImage(Layout(), ScrollX(), ScrollY(), clientX, clientY); }

IntPoint Viewport::ToClient(int imageX, int imageY) const { return ImageToClient(Layout(), ScrollX(), ScrollY(), imageX, imageY); }

bool Viewport::InImage(int clientX, int clientY) const {
    if (!Shown(editor_)) return false;
    return IsInImage(Layout(), editor_.viewState.clientWidth, editor_.viewState.clientHeight, clientX, clientY);
}

RECT Viewport::ScreenRect() const {
    RECT r{};
    if (HWND view = editor_.frame.view) {
        GetClientRect(view, &r);
        MapWindowPoints(view, nullptr, reinterpret_cast<POINT*>(&r), 2);
    }
    return r;
}

void Viewport::InvalidateImageArea(int left, int top, int right, int bottom, int margin) const {
    HWND view = editor_.frame.view;
    if (!view || !Shown(editor_)) return;
    const IntPoint a = ToClient(std::min(left, right) - margin, std::min(top, bottom) - margin);
    const IntPoint b = ToClient(std::max(left, right) + margin + 1, std::max(top, bottom) + margin + 1);
    // One more pixel round it for antialiased edges.
    const RECT r{a.x - 1, a.y - 1, b.x + 1, b.y + 1};
    editor_.viewState.pictureStale = true;
    InvalidateRect(view, &r, FALSE);
}

void Viewport::Capture() const {
    if (HWND view = editor_.frame.view) SetCapture(view);
}

void Viewport::ConfineCursor(bool on) const {
    if (!on) {
        ClipCursor(nullptr);
        return;
    }
    const RECT r = ScreenRect();
    ClipCursor(&r);
}

}  // namespace mirelo
