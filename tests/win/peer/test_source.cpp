// mirelo-test.ds: a TWAIN data source for the scanner tests, found by the data source manager in
// the Windows folder's twain_64. It shows a small window of its own while it is enabled and, as
// the environment variable MIRELO_TEST_SCANNER says, offers a picture by native transfer
// ("scan", the default), fails the transfer ("fail") or asks to be closed ("cancel"). Its
// structures are written here from the TWAIN protocol, independently of the editor's.
#ifndef UNICODE
#define UNICODE
#endif
#include <windows.h>

#include <cstdint>
#include <cstring>

namespace {

#pragma pack(push, 2)
struct TwVersion {
    uint16_t major, minor, language, country;
    char info[34];
};
struct TwIdentity {
    uint32_t id;
    TwVersion version;
    uint16_t protocolMajor, protocolMinor;
    uint32_t groups;
    char manufacturer[34], family[34], product[34];
};
struct TwEvent {
    void* msg;
    uint16_t message;
};
#pragma pack(pop)

enum : uint16_t {
    kSuccess = 0, kFailure = 1, kDsEvent = 4, kNotDsEvent = 5, kTransferDone = 6,
    kDatEvent = 0x0002, kDatIdentity = 0x0003, kDatPendingTransfers = 0x0005, kDatStatus = 0x0008,
    kDatUserInterface = 0x0009, kDatNativeTransfer = 0x0104,
    kMsgGet = 0x0001, kMsgEndTransfer = 0x0701, kMsgReset = 0x0007, kMsgOpen = 0x0401, kMsgClose = 0x0402,
    kMsgDisable = 0x0501, kMsgEnable = 0x0502, kMsgProcessEvent = 0x0601,
    kMsgTransferReady = 0x0101, kMsgCloseRequest = 0x0102,
};

HWND g_window = nullptr;
uint16_t g_pending = 0;

// The picture: 40 × 30, 24 bits, red rising to the right, green downwards, blue 100.
constexpr int kWidth = 40, kHeight = 30;

HGLOBAL Picture() {
    const int stride = (kWidth * 3 + 3) & ~3;
    const size_t size = sizeof(BITMAPINFOHEADER) + static_cast<size_t>(stride) * kHeight;
    HGLOBAL mem = GlobalAlloc(GHND, size);
    auto* p = static_cast<uint8_t*>(mem ? GlobalLock(mem) : nullptr);
    if (!p) return mem;
    auto* h = reinterpret_cast<BITMAPINFOHEADER*>(p);
    h->biSize = sizeof *h;
    h->biWidth = kWidth;
    h->biHeight = kHeight;  // bottom-up
    h->biPlanes = 1;
    h->biBitCount = 24;
    h->biCompression = BI_RGB;
    h->biSizeImage = static_cast<DWORD>(stride * kHeight);
    for (int y = 0; y < kHeight; ++y) {
        uint8_t* row = p + sizeof *h + static_cast<size_t>(stride) * (kHeight - 1 - y);
        for (int x = 0; x < kWidth; ++x) {
            row[x * 3] = 100;
            row[x * 3 + 1] = static_cast<uint8_t>(y * 8);
            row[x * 3 + 2] = static_cast<uint8_t>(x * 6);
        }
    }
    GlobalUnlock(mem);
    return mem;
}

bool Mode(const char* name) {
    char value[16] = {};
    GetEnvironmentVariableA("MIRELO_TEST_SCANNER", value, sizeof value);
    return std::strcmp(value[0] ? value : "scan", name) == 0;
}

void ShowWindowOfSource(HWND parent) {
    g_window = CreateWindowExW(WS_EX_TOOLWINDOW, L"STATIC", L"Mirelo test scanner", WS_POPUP | WS_CAPTION | WS_VISIBLE, 40, 40,
                               240, 80, parent, nullptr, GetModuleHandleW(nullptr), nullptr);
}

void CloseWindowOfSource() {
    if (g_window) DestroyWindow(g_window);
    g_window = nullptr;
}

uint16_t Control(uint16_t dat, uint16_t msg, void* data) {
    switch (dat) {
    case kDatIdentity:
        if (msg == kMsgGet) {
            auto* id = static_cast<TwIdentity*>(data);
            const uint32_t keep = id->id;
            std::memset(id, 0, sizeof *id);
            id->id = keep;
            id->version.major = 1;
            std::strcpy(id->version.info, "1.0");
            id->protocolMajor = 1;
            id->protocolMinor = 9;
            id->groups = 3;
            std::strcpy(id->manufacturer, "Mirelo");
            std::strcpy(id->family, "Mirelo tests");
            std::strcpy(id->product, "Mirelo Test Scanner");
            return kSuccess;
        }
        if (msg == kMsgOpen) return kSuccess;
        if (msg == kMsgClose) {
            CloseWindowOfSource();
            return kSuccess;
        }
        return kFailure;
    case kDatUserInterface: {
        if (msg == kMsgEnable) {
            struct Ui {
                uint16_t showUI, modalUI;
                HWND parent;
            };
            Ui ui{};
            std::memcpy(&ui, data, 4 + sizeof(HWND));
            ShowWindowOfSource(ui.parent);
            g_pending = Mode("cancel") ? kMsgCloseRequest : kMsgTransferReady;
            if (g_window) PostMessageW(g_window, WM_NULL, 0, 0);  // an event to answer through
            return kSuccess;
        }
        if (msg == kMsgDisable) {
            CloseWindowOfSource();
            g_pending = 0;
            return kSuccess;
        }
        return kFailure;
    }
    case kDatEvent:
        if (msg != kMsgProcessEvent || !data) return kFailure;
        static_cast<TwEvent*>(data)->message = g_pending;
        if (!g_pending) return kNotDsEvent;
        g_pending = 0;
        return kDsEvent;
    case kDatPendingTransfers:
    case kDatStatus: return kSuccess;
    default: return kFailure;
    }
}

}  // namespace

extern "C" __declspec(dllexport) uint16_t WINAPI DS_Entry(void*, uint32_t group, uint16_t dat, uint16_t msg, void* data) {
    if (group == 1) return Control(dat, msg, data);
    if (group == 2 && dat == kDatNativeTransfer && msg == kMsgGet && data) {
        if (Mode("fail")) return kFailure;
        *static_cast<HGLOBAL*>(data) = Picture();
        return kTransferDone;
    }
    return kFailure;
}
