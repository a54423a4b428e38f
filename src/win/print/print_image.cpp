#include "print/print_image.h"

#include "app/command_registry.h"
#include "app/editor.h"
#include "print/print_layout.h"

namespace mirelo {

namespace {
// Both system dialogs tell the observer when they open, so that tests answer them through
// their controls.
template <int Id>
UINT_PTR CALLBACK ObserveHook(HWND dialog, UINT msg, WPARAM, LPARAM lp) {
    if (msg == WM_INITDIALOG) {
        LPARAM custom = Id == kPageSetupDialogId ? reinterpret_cast<const PAGESETUPDLGW*>(lp)->lCustData
                                                 : reinterpret_cast<const PRINTDLGW*>(lp)->lCustData;
        auto* e = reinterpret_cast<Editor*>(custom);
        if (e && e->dialogObserver) e->dialogObserver(dialog, Id);
    }
    return 0;
}

void FreeDeviceHandles(HGLOBAL mode, HGLOBAL names) {
    if (mode) GlobalFree(mode);
    if (names) GlobalFree(names);
}

// One page: the source rectangle at the image's resolution, measured from the paper's corner.
void PrintPage(HDC dc, Gdiplus::GpImage* image, double dpiX, double dpiY, const IntRect& source, const PagePlacement& p) {
    Gdiplus::GpGraphics* g = nullptr;
    if (gp::GdipCreateFromHDC(dc, &g) != Gdiplus::Ok || !g) return;  // the page stays blank
    const double deviceX = GetDeviceCaps(dc, LOGPIXELSX), deviceY = GetDeviceCaps(dc, LOGPIXELSY);
    gp::GdipSetPageUnit(g, Gdiplus::UnitInch);
    gp::GdipSetPageScale(g, 1.0f);
    // The device's origin is the corner of its printable area; the margins count from the paper's.
    if (deviceX > 0 && deviceY > 0)
        gp::GdipTranslateWorldTransform(g, static_cast<float>(-GetDeviceCaps(dc, PHYSICALOFFSETX) / deviceX),
                                        static_cast<float>(-GetDeviceCaps(dc, PHYSICALOFFSETY) / deviceY), Gdiplus::MatrixOrderPrepend);
    gp::GdipScaleWorldTransform(g, static_cast<float>(1.0 / dpiX), static_cast<float>(1.0 / dpiY), Gdiplus::MatrixOrderPrepend);
    gp::GdipSetPixelOffsetMode(g, Gdiplus::PixelOffsetModeHalf);
    gp::GdipDrawImageRectRectI(g, image, p.left, p.top, p.width, p.height, source.x, source.y, p.width, p.height,
                               Gdiplus::UnitPixel, nullptr, nullptr, nullptr);
    gp::GdipDeleteGraphics(g);
}
}  // namespace

void PageSetup(Editor& e) {
    PAGESETUPDLGW ps{};
    ps.lStructSize = sizeof ps;
    ps.hwndOwner = e.OwnerWindow();
    ps.Flags = PSD_MARGINS | PSD_INHUNDREDTHSOFMILLIMETERS | PSD_ENABLEPAGESETUPHOOK;
    ps.rtMargin = RECT{e.page.left, e.page.top, e.page.right, e.page.bottom};
    ps.lCustData = reinterpret_cast<LPARAM>(&e);
    ps.lpfnPageSetupHook = ObserveHook<kPageSetupDialogId>;
    if (PageSetupDlgW(&ps)) {
        e.page.left = ps.rtMargin.left;
        e.page.top = ps.rtMargin.top;
        e.page.right = ps.rtMargin.right;
        e.page.bottom = ps.rtMargin.bottom;
        e.page.paperWidth = ps.ptPaperSize.x;
        e.page.paperHeight = ps.ptPaperSize.y;
    }
    FreeDeviceHandles(ps.hDevMode, ps.hDevNames);
}

void PrintImage(Editor& e) {
    ImageSlot* s = e.Current();
    if (!s || !s->bitmap) return;
    PRINTDLGW pd{};
    pd.lStructSize = sizeof pd;
    pd.hwndOwner = e.OwnerWindow();
    pd.Flags = PD_RETURNDC | PD_HIDEPRINTTOFILE | PD_ENABLEPRINTHOOK;
    pd.nCopies = 1;
    pd.lCustData = reinterpret_cast<LPARAM>(&e);
    pd.lpfnPrintHook = ObserveHook<kPrintDialogId>;
    if (!PrintDlgW(&pd)) {
        FreeDeviceHandles(pd.hDevMode, pd.hDevNames);
        return;
    }
    Gdiplus::REAL dpiX = 0, dpiY = 0;
    gp::GdipGetImageHorizontalResolution(s->bitmap.get(), &dpiX);
    gp::GdipGetImageVerticalResolution(s->bitmap.get(), &dpiY);
    if (!(dpiX > 0)) dpiX = 96;
    if (!(dpiY > 0)) dpiY = 96;
    const bool selection = (pd.Flags & PD_SELECTION) && s->selectionPath;
    const IntRect source = PrintSource(s->width, s->height, selection ? &*s->selectionPath : nullptr);
    const PagePlacement placement = PlaceOnPage(e.page, dpiX, dpiY, source);
    DOCINFOW doc{};
    doc.cbSize = sizeof doc;
    doc.lpszDocName = W(s->path);
    if (pd.hDC && StartDocW(pd.hDC, &doc) > 0) {
        for (int copy = 0; copy < std::max<int>(1, pd.nCopies); ++copy) {
            if (StartPage(pd.hDC) <= 0) break;
            PrintPage(pd.hDC, s->bitmap.get(), dpiX, dpiY, source, placement);
            EndPage(pd.hDC);
        }
        EndDoc(pd.hDC);
    }
    if (pd.hDC) DeleteDC(pd.hDC);
    FreeDeviceHandles(pd.hDevMode, pd.hDevNames);
}

void RegisterPrintCommands(CommandRegistry& r) {
    r.On(cmd::kPageSetup, [](Editor& e, int) { PageSetup(e); });
    r.On(cmd::kPrint, [](Editor& e, int) { PrintImage(e); });
}

}  // namespace mirelo
