// Owning wrappers for GDI+ flat-API objects. Each remembers the last non-zero status of any
// call made through it, so that an operation can run a sequence of calls and ask afterwards.
#pragma once
#include "common/win.h"

#include <gdiplus.h>

#include <utility>

namespace mirelo {

namespace gp = Gdiplus::DllExports;
using Gdiplus::GpStatus;

// Starts GDI+ for the life of the object.
class GdiplusSession {
public:
    GdiplusSession();
    ~GdiplusSession();
    GdiplusSession(const GdiplusSession&) = delete;
    GdiplusSession& operator=(const GdiplusSession&) = delete;
    bool ok() const { return token_ != 0; }

private:
    ULONG_PTR token_ = 0;
};

template <class T, GpStatus (*Release)(T*)>
class GpOwner {
public:
    GpOwner() = default;
    explicit GpOwner(T* handle) : handle_(handle) {}
    ~GpOwner() { reset(); }
    GpOwner(GpOwner&& o) noexcept : handle_(std::exchange(o.handle_, nullptr)), status_(o.status_) {}
    GpOwner& operator=(GpOwner&& o) noexcept {
        if (this != &o) {
            reset(std::exchange(o.handle_, nullptr));
            status_ = o.status_;
        }
        return *this;
    }
    GpOwner(const GpOwner&) = delete;
    GpOwner& operator=(const GpOwner&) = delete;

    T* get() const { return handle_; }
    explicit operator bool() const { return handle_ != nullptr; }
    // Address for creation functions; releases the current object first.
    T** put() {
        reset();
        return &handle_;
    }
    T* release() { return std::exchange(handle_, nullptr); }
    void reset(T* h = nullptr) {
        if (handle_) Release(handle_);
        handle_ = h;
    }

    // Records a call's status: a non-zero status becomes the last status; zero leaves it.
    GpStatus Check(GpStatus s) {
        if (s != Gdiplus::Ok) status_ = s;
        return s;
    }
    GpStatus lastStatus() const { return status_; }
    // Returns the last status and clears it.
    GpStatus TakeStatus() { return std::exchange(status_, Gdiplus::Ok); }

private:
    T* handle_ = nullptr;
    GpStatus status_ = Gdiplus::Ok;
};

namespace detail {
// Disposes of an image and gives the memory under it back when it came from the pixel pool.
GpStatus DisposeImage(Gdiplus::GpImage* p);
inline GpStatus DeleteBitmap(Gdiplus::GpBitmap* p) { return DisposeImage(p); }
inline GpStatus DeleteGraphics(Gdiplus::GpGraphics* p) { return gp::GdipDeleteGraphics(p); }
inline GpStatus DeleteBrush(Gdiplus::GpBrush* p) { return gp::GdipDeleteBrush(p); }
inline GpStatus DeletePen(Gdiplus::GpPen* p) { return gp::GdipDeletePen(p); }
inline GpStatus DeletePath(Gdiplus::GpPath* p) { return gp::GdipDeletePath(p); }
inline GpStatus DeleteRegion(Gdiplus::GpRegion* p) { return gp::GdipDeleteRegion(p); }
inline GpStatus DeleteMatrix(Gdiplus::GpMatrix* p) { return gp::GdipDeleteMatrix(p); }
inline GpStatus DeleteStringFormat(Gdiplus::GpStringFormat* p) { return gp::GdipDeleteStringFormat(p); }
inline GpStatus DeleteFontFamily(Gdiplus::GpFontFamily* p) { return gp::GdipDeleteFontFamily(p); }
inline GpStatus DeleteCustomLineCap(Gdiplus::GpCustomLineCap* p) { return gp::GdipDeleteCustomLineCap(p); }
inline GpStatus DisposeImageAttributes(Gdiplus::GpImageAttributes* p) { return gp::GdipDisposeImageAttributes(p); }
}  // namespace detail

using GpImageOwner = GpOwner<Gdiplus::GpImage, detail::DisposeImage>;
using GpBitmapOwner = GpOwner<Gdiplus::GpBitmap, detail::DeleteBitmap>;
using GpGraphicsOwner = GpOwner<Gdiplus::GpGraphics, detail::DeleteGraphics>;
using GpBrushOwner = GpOwner<Gdiplus::GpBrush, detail::DeleteBrush>;
using GpPenOwner = GpOwner<Gdiplus::GpPen, detail::DeletePen>;
using GpPathOwner = GpOwner<Gdiplus::GpPath, detail::DeletePath>;
using GpRegionOwner = GpOwner<Gdiplus::GpRegion, detail::DeleteRegion>;
using GpMatrixOwner = GpOwner<Gdiplus::GpMatrix, detail::DeleteMatrix>;
using GpStringFormatOwner = GpOwner<Gdiplus::GpStringFormat, detail::DeleteStringFormat>;
using GpFontFamilyOwner = GpOwner<Gdiplus::GpFontFamily, detail::DeleteFontFamily>;
using GpCustomLineCapOwner = GpOwner<Gdiplus::GpCustomLineCap, detail::DeleteCustomLineCap>;
using GpImageAttributesOwner = GpOwner<Gdiplus::GpImageAttributes, detail::DisposeImageAttributes>;

}  // namespace mirelo
