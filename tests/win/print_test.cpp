// Printing through a real printer driver: a PostScript printer of Wine's own driver whose port is
// a file. Run by print_test.sh, which names the folder for the jobs (MIRELO_PRINT_DIR, and the
// same folder as a Unix path in MIRELO_PRINT_UNIX_DIR) and afterwards renders every job with
// Ghostscript and compares the pages with the printed image.
#include <string>

#include "harness.h"

#include <winspool.h>

#include "app/commands.h"
#include "image/bitmap_access.h"
#include "image/new_image.h"
#include "print/print_image.h"

namespace mirelo {
namespace {
using testing::EditorTest;

constexpr wchar_t kPrinter[] = L"Mirelo Test Printer";
constexpr wchar_t kDriver[] = L"Mirelo Test PostScript";

// An A4 PostScript printer whose printable area starts a quarter inch in from each edge.
constexpr char kPpd[] = R"ppd(*PPD-Adobe: "4.3"
*FormatVersion: "4.3"
*FileVersion: "1.0"
*LanguageVersion: English
*LanguageEncoding: ISOLatin1
*PCFileName: "MIRELOTP.PPD"
*Manufacturer: "Mirelo"
*Product: "(Mirelo test printer)"
*ModelName: "Mirelo test printer"
*NickName: "Mirelo test printer"
*PSVersion: "(3010.000) 0"
*LanguageLevel: "3"
*ColorDevice: True
*DefaultColorSpace: RGB
*FileSystem: False
*Throughput: "1"
*TTRasterizer: Type42
*DefaultResolution: 300dpi
*OpenUI *PageSize: PickOne
*OrderDependency: 10 AnySetup *PageSize
*DefaultPageSize: A4
*PageSize A4/A4: "<</PageSize[595 842]/ImagingBBox null>>setpagedevice"
*CloseUI: *PageSize
*OpenUI *PageRegion: PickOne
*OrderDependency: 10 AnySetup *PageRegion
*DefaultPageRegion: A4
*PageRegion A4/A4: "<</PageSize[595 842]/ImagingBBox null>>setpagedevice"
*CloseUI: *PageRegion
*DefaultImageableArea: A4
*ImageableArea A4/A4: "18 18 577 824"
*DefaultPaperDimension: A4
*PaperDimension A4/A4: "595 842"
*DefaultFont: Courier
*Font Courier: Standard "(002.004S)" Standard ROM
)ppd";

class PrintPeer : public EditorTest {
protected:
    void SetUp() override {
        EditorTest::SetUp();
        wchar_t dir[MAX_PATH] = {}, unixDir[MAX_PATH] = {};
        if (!GetEnvironmentVariableW(L"MIRELO_PRINT_DIR", dir, MAX_PATH) ||
            !GetEnvironmentVariableW(L"MIRELO_PRINT_UNIX_DIR", unixDir, MAX_PATH))
            GTEST_SKIP() << "MIRELO_PRINT_DIR is not set (print_test.sh sets it)";
        jobDir = dir;
        ASSERT_TRUE(InstallPrinter(std::wstring(unixDir) + L"/job.ps"));
        OpenWindow();
    }
    // The driver with its PPD in the system's driver folder, and the printer as the default.
    static bool InstallPrinter(const std::wstring& port) {
        wchar_t driverDir[MAX_PATH] = {};
        DWORD needed = 0;
        if (!GetPrinterDriverDirectoryW(nullptr, nullptr, 1, reinterpret_cast<BYTE*>(driverDir), sizeof driverDir, &needed))
            return false;
        const std::wstring ppd = std::wstring(driverDir) + L"\\mirelo-test.ppd";
        HANDLE f = CreateFileW(ppd.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        if (f == INVALID_HANDLE_VALUE) return false;
        DWORD written = 0;
        WriteFile(f, kPpd, sizeof kPpd - 1, &written, nullptr);
        CloseHandle(f);
        DRIVER_INFO_3W driver{};
        driver.cVersion = 3;
        driver.pName = const_cast<wchar_t*>(kDriver);
        driver.pDriverPath = const_cast<wchar_t*>(L"wineps.drv");
        driver.pDataFile = const_cast<wchar_t*>(L"mirelo-test.ppd");
        driver.pConfigFile = const_cast<wchar_t*>(L"wineps.drv");
        AddPrinterDriverExW(nullptr, 3, reinterpret_cast<BYTE*>(&driver), APD_COPY_NEW_FILES);  // already there on a later run
        // A printer left by an earlier run writes to that run's folder: made afresh.
        HANDLE printer = nullptr;
        PRINTER_DEFAULTSW all{nullptr, nullptr, PRINTER_ALL_ACCESS};
        if (OpenPrinterW(const_cast<wchar_t*>(kPrinter), &printer, &all)) {
            DeletePrinter(printer);
            ClosePrinter(printer);
        }
        PRINTER_INFO_2W info{};
        info.pPrinterName = const_cast<wchar_t*>(kPrinter);
        info.pPortName = const_cast<wchar_t*>(port.c_str());
        info.pDriverName = const_cast<wchar_t*>(kDriver);
        info.pPrintProcessor = const_cast<wchar_t*>(L"WinPrint");
        info.pDatatype = const_cast<wchar_t*>(L"RAW");
        info.Attributes = PRINTER_ATTRIBUTE_LOCAL;
        printer = AddPrinterW(nullptr, 2, reinterpret_cast<BYTE*>(&info));
        if (!printer) return false;
        ClosePrinter(printer);
        return SetDefaultPrinterW(kPrinter) != FALSE;
    }
    // A 72 dpi image of smooth ramps (so that smoothing at the printer's resolution changes
    // little) in which every column still has its own colour, saved beside the jobs.
    void MakeImage(int width, int height, const wchar_t* leaf) {
        ASSERT_TRUE(testing::NewImage(*editor, width, height, 72, 72, false));
        ImageSlot& s = *editor->Current();
        {
            BitmapLock lock(editor->messages, s.bitmap, kLockWrite, fmt::k32ARGB, BitmapRole::Destination);
            ASSERT_TRUE(lock.ok());
            for (int y = 0; y < height; ++y)
                for (int x = 0; x < width; ++x)
                    WriteStored(lock.view(), x, y,
                                0xFF000000u | (static_cast<uint32_t>(x % 256) << 16) | (static_cast<uint32_t>(y % 256) << 8) |
                                    static_cast<uint32_t>(x / 4 % 256));
        }
        CLSID bmp{};
        ASSERT_GE(FindEncoder(editor->messages, u"bmp", &bmp), 0);
        ASSERT_EQ(gp::GdipSaveImageToFile(s.bitmap.get(), (jobDir + L"\\" + leaf).c_str(), &bmp, nullptr), Gdiplus::Ok);
    }
    // Prints with the print dialog answered through its controls; the job is kept as `leaf`.
    void Print(int copies, bool selectionRange, const wchar_t* leaf) {
        int opened = 0;
        editor->dialogObserver = [&](HWND dialog, int id) {
            if (id != kPrintDialogId) return;
            ++opened;
            SetDlgItemTextW(dialog, 1154, std::to_wstring(copies).c_str());  // copies
            if (selectionRange) CheckRadioButton(dialog, 1056, 1058, 1057);   // all, selection, pages
            PostMessageW(dialog, WM_COMMAND, IDOK, 0);
        };
        const std::wstring job = jobDir + L"\\job.ps", kept = jobDir + L"\\" + leaf;
        DeleteFileW(job.c_str());
        SendMessageW(editor->frame.mainWindow, WM_COMMAND, cmd::kPrint, 0);
        EXPECT_EQ(opened, 1);
        ASSERT_TRUE(MoveFileExW(job.c_str(), kept.c_str(), MOVEFILE_REPLACE_EXISTING)) << "no job was written";
    }
    std::wstring jobDir;
};

TEST_F(PrintPeer, WideImageOnceAndThreeTimes) {
    MakeImage(1000, 300, L"wide.bmp");
    Print(1, false, L"one.ps");
    Print(3, false, L"three.ps");
    // Cancelled, nothing is printed.
    editor->dialogObserver = [](HWND dialog, int id) {
        if (id == kPrintDialogId) PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
    };
    SendMessageW(editor->frame.mainWindow, WM_COMMAND, cmd::kPrint, 0);
    EXPECT_EQ(GetFileAttributesW((jobDir + L"\\job.ps").c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_TRUE(shown.empty());
}

TEST_F(PrintPeer, SelectionOptionPrintsTheSelectionBoundsOrTheWholeImage) {
    MakeImage(400, 200, L"small.bmp");
    Print(1, true, L"no-selection.ps");  // no selection: the whole image
    editor->Current()->selectionPath.emplace();
    editor->Current()->selectionPath->AddRectangle(100, 50, 201, 101);
    Print(1, true, L"selection.ps");
}

TEST_F(PrintPeer, PageSetupMarginsOfZeroPrintAtThePaperCorner) {
    int opened = 0;
    editor->dialogObserver = [&](HWND dialog, int id) {
        if (id != kPageSetupDialogId) return;
        ++opened;
        for (int edit = 1155; edit <= 1158; ++edit) SetDlgItemTextW(dialog, edit, L"0");  // left, top, right, bottom
        PostMessageW(dialog, WM_COMMAND, IDOK, 0);
    };
    SendMessageW(editor->frame.mainWindow, WM_COMMAND, cmd::kPageSetup, 0);
    ASSERT_EQ(opened, 1);
    EXPECT_EQ(editor->page.left, 0);
    EXPECT_EQ(editor->page.top, 0);
    EXPECT_EQ(editor->page.right, 0);
    EXPECT_NEAR(editor->page.paperWidth, 21000, 20);  // the printer's A4: 595 × 842 points
    EXPECT_NEAR(editor->page.paperHeight, 29700, 20);
    MakeImage(1000, 300, L"corner.bmp");
    Print(1, false, L"corner.ps");
    // Cancelled, the page setup keeps what it had.
    editor->dialogObserver = [](HWND dialog, int id) {
        if (id == kPageSetupDialogId) PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
    };
    SendMessageW(editor->frame.mainWindow, WM_COMMAND, cmd::kPageSetup, 0);
    EXPECT_EQ(editor->page.left, 0);
}

}  // namespace
}  // namespace mirelo
