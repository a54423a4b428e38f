// mirelo-test.ds: a TWAIN data source for the scanner tests, found by the data source manager in
// the Windows folder's twain_64. It shows a small window of its own while it is enabled and, as
// the environment variable MIRELO_TEST_SCANNER says, offers a picture by native transfer
// ("scan", the default), fails the transfer ("fail"), asks to be closed ("cancel"), offers two
// pictures ("two") or refuses the first request to disable it ("stubborn"). It keeps the states of
// the TWAIN protocol as real sources do: 3 closed, 4 open, 5 enabled, 6 a transfer ready, 7 a
// transfer made; a call that its state does not allow fails with the condition TWCC_SEQERROR.
// Its structures are written here from the TWAIN protocol, independently of the editor's.
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
struct TwPendingXfers {
    uint16_t count;
    uint32_t eoj;
};
struct TwStatus {
    uint16_t conditionCode;
    uint16_t data;
};
#pragma pack(pop)

enum : uint16_t {
    kSuccess = 0, kFailure = 1, kDsEvent = 4, kNotDsEvent = 5, kTransferDone = 6,
    kDatEvent = 0x0002, kDatIdentity = 0x0003, kDatPendingTransfers = 0x0005, kDatStatus = 0x0008,
    kDatUserInterface = 0x0009, kDatNativeTransfer = 0x0104,
    kMsgGet = 0x0001, kMsgEndTransfer = 0x0701, kMsgReset = 0x0007, kMsgOpen = 0x0401, kMsgClose = 0x0402,
    kMsgDisable = 0x0501, kMsgEnable = 0x0502, kMsgProcessEvent = 0x0601,
    kMsgTransferReady = 0x0101, kMsgCloseRequest = 0x0102,
    kConditionSuccess = 0, kConditionDenied = 8, kConditionSeqError = 11,
};

HWND g_window = nullptr;
uint16_t g_pending = 0;
int g_state = 3;
int g_offered = 0;        // pictures still to transfer in this session
bool g_refused = false;   // "stubborn": the first disable has been refused
uint16_t g_condition = kConditionSuccess;

// A call its state does not allow.
uint16_t Sequence() {
    g_condition = kConditionSeqError;
    return kFailure;
}
bool In(int low, int high) { return g_state >= low && g_state <= high; }

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
        if (msg == kMsgOpen) {
            if (g_state != 3) return Sequence();
            g_state = 4;
            g_refused = false;
            return kSuccess;
        }
        if (msg == kMsgClose) {
            if (g_state != 4) return Sequence();
            CloseWindowOfSource();
            g_state = 3;
            return kSuccess;
        }
        return kFailure;
    case kDatUserInterface: {
        if (msg == kMsgEnable) {
            if (g_state != 4) return Sequence();
            struct Ui {
                uint16_t showUI, modalUI;
                HWND parent;
            };
            Ui ui{};
            std::memcpy(&ui, data, 4 + sizeof(HWND));
            ShowWindowOfSource(ui.parent);
            g_pending = Mode("cancel") ? kMsgCloseRequest : kMsgTransferReady;
            g_offered = Mode("two") ? 2 : 1;
            g_state = 5;
            if (g_window) PostMessageW(g_window, WM_NULL, 0, 0);  // an event to answer through
            return kSuccess;
        }
        if (msg == kMsgDisable) {
            if (g_state != 5) return Sequence();
            if (Mode("stubborn") && !g_refused) {
                g_refused = true;
                g_condition = kConditionDenied;
                return kFailure;
            }
            CloseWindowOfSource();
            g_pending = 0;
            g_state = 4;
            return kSuccess;
        }
        return kFailure;
    }
    case kDatEvent:
        if (msg != kMsgProcessEvent || !data) return kFailure;
        if (!In(5, 7)) return Sequence();
        static_cast<TwEvent*>(data)->message = g_pending;
        if (!g_pending) return kNotDsEvent;
        if (g_pending == kMsgTransferReady) g_state = 6;
        g_pending = 0;
        return kDsEvent;
    case kDatPendingTransfers: {
        auto* pending = static_cast<TwPendingXfers*>(data);
        if (!pending) return kFailure;
        if (msg == kMsgEndTransfer) {
            if (!In(6, 7)) return Sequence();
            g_offered = g_offered > 0 ? g_offered - 1 : 0;
            pending->count = static_cast<uint16_t>(g_offered);
            g_state = g_offered > 0 ? 6 : 5;
            return kSuccess;
        }
        if (msg == kMsgReset) {
            if (g_state != 6) return Sequence();
            g_offered = 0;
            pending->count = 0;
            g_state = 5;
            return kSuccess;
        }
        if (msg == kMsgGet) {
            if (!In(4, 7)) return Sequence();
            pending->count = static_cast<uint16_t>(g_offered);
            return kSuccess;
        }
        return kFailure;
    }
    case kDatStatus:
        if (msg != kMsgGet || !data) return kFailure;
        static_cast<TwStatus*>(data)->conditionCode = g_condition;
        g_condition = kConditionSuccess;
        return kSuccess;
    default: return kFailure;
    }
}

}  // namespace

extern "C" __declspec(dllexport) uint16_t WINAPI DS_Entry(void*, uint32_t group, uint16_t dat, uint16_t msg, void* data) {
    if (group == 1) return Control(dat, msg, data);
    if (group == 2 && dat == kDatNativeTransfer && msg == kMsgGet && data) {
        if (g_state != 6) return Sequence();
        if (Mode("fail")) return kFailure;
        *static_cast<HGLOBAL*>(data) = Picture();
        g_state = 7;
        return kTransferDone;
    }
    return kFailure;
}
