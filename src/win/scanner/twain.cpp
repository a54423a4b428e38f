#include "scanner/twain.h"

#include <algorithm>
#include <cstring>

#include "app/command_registry.h"
#include "app/editor.h"
#include "clipboard/clipboard.h"
#include "common/codepage.h"
#include "image/image_set.h"

namespace mirelo {

TwainSession& Twain(Editor& editor) { return editor.features.Get<TwainSession>(); }

namespace {
constexpr char16_t kScanName[] = u"scan";

// A text of the identity in code page 932, cut to its 34-byte field with its terminating zero.
void PutCp932(char (&field)[34], const Text& text) {
    const std::string bytes = TextToCp932(text);
    std::memset(field, 0, sizeof field);
    std::memcpy(field, bytes.data(), std::min(bytes.size(), sizeof field - 1));
}

// Ends any transfer, disables the source, closes it and the manager. The main window takes input
// again whatever the source answers: a source that refuses must not leave it disabled.
void CloseConnection(Editor& e) {
    HWND main = e.OwnerWindow();
    Twain(e).EndTransfers();
    const bool refused = Twain(e).DisableSource(main) != twain::kSuccess && Twain(e).sourceEnabled();
    if (main) EnableWindow(main, TRUE);
    // A source that stays enabled stays open: its close request ends the connection later.
    if (refused) return;
    Twain(e).CloseSource();
    Twain(e).CloseManager(main);
}

// The transferred DIB becomes a new image named "scan"; without a free slot, or when the DIB
// cannot be read, it is dropped. The DIB is freed in every case.
void TakeOverImage(Editor& e) {
    HGLOBAL dib = Twain(e).TakeImage();
    if (!dib) return;
    GpBitmapOwner bitmap;
    if (e.images.FirstFree() >= 0) {
        const size_t size = GlobalSize(dib);
        if (const auto* bytes = static_cast<const uint8_t*>(GlobalLock(dib))) {
            if (!DibToBitmap(e.messages, bytes, size, bitmap)) bitmap.reset();
            GlobalUnlock(dib);
        }
    }
    GlobalFree(dib);
    if (bitmap) AddImage(e, std::move(bitmap), kScanName);
}
}  // namespace

TwainSession::TwainSession() {
    application_.version.majorNum = 1;
    application_.version.minorNum = 0;
    application_.version.language = 0x44;  // Japanese
    application_.version.country = 0x51;   // Japan
    PutCp932(application_.version.info, u"ソフト名");
    application_.protocolMajor = 1;
    application_.protocolMinor = 8;
    application_.supportedGroups = twain::kControl | twain::kImage;
    PutCp932(application_.manufacturer, u"作者名");
    PutCp932(application_.productFamily, u"ソフト名");
    PutCp932(application_.productName, u"ソフト名");
}

TwainSession::~TwainSession() { Unload(); }

void TwainSession::Load() {
    if (module_) return;
    module_ = LoadLibraryW(L"TWAIN_32.DLL");
    if (!module_) module_ = LoadLibraryW(L"TWAINDSM.DLL");
    if (!module_) return;
    entry_ = reinterpret_cast<twain::EntryPoint>(reinterpret_cast<void*>(GetProcAddress(module_, "DSM_Entry")));
    if (!entry_) Unload();
}

void TwainSession::Unload() {
    ReleaseImage();
    EndTransfers();
    if (sourceEnabled_) DisableSource(static_cast<HWND>(ui_.parent));
    if (sourceOpen_) CloseSource();
    if (managerOpen_) CloseManager(nullptr);
    entry_ = nullptr;
    if (module_) FreeLibrary(module_);
    module_ = nullptr;
    managerOpen_ = sourceOpen_ = sourceEnabled_ = false;
    transfer_ = Transfer::None;
}

uint16_t TwainSession::Call(twain::Identity* destination, uint32_t group, uint16_t data, uint16_t message, void* pointer) {
    if (!entry_) return twain::kNoManager;
    return entry_(&application_, destination, group, data, message, pointer);
}

uint16_t TwainSession::OpenManager(HWND parent) {
    if (!entry_) return twain::kNoManager;
    if (managerOpen_) return twain::kManagerAlreadyOpen;
    HWND window = parent;
    const uint16_t rc = Call(nullptr, twain::kControl, twain::kDatParent, twain::kMsgOpenManager, &window);
    managerOpen_ = rc == twain::kSuccess;
    return rc;
}

uint16_t TwainSession::CloseManager(HWND parent) {
    if (!entry_) return twain::kNoManager;
    if (!managerOpen_) return twain::kManagerNotOpen;
    HWND window = parent;
    const uint16_t rc = Call(nullptr, twain::kControl, twain::kDatParent, twain::kMsgCloseManager, &window);
    if (rc == twain::kSuccess) managerOpen_ = false;
    return rc;
}

uint16_t TwainSession::SelectSource() {
    if (!entry_) return twain::kNoManager;
    if (!managerOpen_) return twain::kManagerNotOpen;
    twain::Identity chosen = source_;
    Call(nullptr, twain::kControl, twain::kDatIdentity, twain::kMsgGetDefault, &chosen);
    const uint16_t rc = Call(nullptr, twain::kControl, twain::kDatIdentity, twain::kMsgUserSelect, &chosen);
    if (rc == twain::kSuccess) source_ = chosen;
    return rc;
}

uint16_t TwainSession::OpenSource() {
    if (!entry_) return twain::kNoManager;
    if (!managerOpen_) return twain::kManagerNotOpen;
    if (sourceOpen_) return twain::kSourceAlreadyOpen;
    // No source chosen: an empty identity, for which the manager opens its default source.
    if (source_.productName[0] == '\0') source_ = twain::Identity{};
    const uint16_t rc = Call(nullptr, twain::kControl, twain::kDatIdentity, twain::kMsgOpenSource, &source_);
    sourceOpen_ = rc == twain::kSuccess;
    return rc;
}

uint16_t TwainSession::CloseSource() {
    if (!entry_) return twain::kNoManager;
    if (!managerOpen_) return twain::kManagerNotOpen;
    const uint16_t rc = Call(nullptr, twain::kControl, twain::kDatIdentity, twain::kMsgCloseSource, &source_);
    if (rc == twain::kSuccess) sourceOpen_ = false;
    return rc;
}

uint16_t TwainSession::EnableSource(HWND parent) {
    if (!entry_) return twain::kNoManager;
    if (!managerOpen_) return twain::kManagerNotOpen;
    if (sourceEnabled_) return twain::kSourceAlreadyEnabled;
    ui_ = twain::UserInterface{1, 1, parent};
    const uint16_t rc = Call(&source_, twain::kControl, twain::kDatUserInterface, twain::kMsgEnable, &ui_);
    sourceEnabled_ = rc == twain::kSuccess;
    return rc;
}

uint16_t TwainSession::DisableSource(HWND) {
    if (!entry_) return twain::kNoManager;
    if (!sourceEnabled_) return twain::kSourceNotEnabled;
    if (transfer_ != Transfer::None) return twain::kFailure;  // states 6 and 7 end their transfers first
    const uint16_t rc = Call(&source_, twain::kControl, twain::kDatUserInterface, twain::kMsgDisable, &ui_);
    if (rc == twain::kSuccess) sourceEnabled_ = false;
    return rc;
}

uint16_t TwainSession::ProcessEvent(MSG* msg, uint16_t* twainMessage) {
    if (!entry_) return twain::kNoManager;
    if (!sourceEnabled_) return twain::kSourceNotEnabled;
    twain::Event event{msg, 0};
    const uint16_t rc = Call(&source_, twain::kControl, twain::kDatEvent, twain::kMsgProcessEvent, &event);
    if (twainMessage) *twainMessage = event.message;
    if (rc == twain::kDsEvent && event.message == twain::kMsgTransferReady) transfer_ = Transfer::Ready;
    return rc;
}

uint16_t TwainSession::TransferImage() {
    if (!entry_) return twain::kNoManager;
    if (!imageHandler_) return twain::kNoImageHandler;
    if (transfer_ != Transfer::Ready) return twain::kNoTransfer;
    HANDLE dib = nullptr;
    const uint16_t rc = Call(&source_, twain::kImage, twain::kDatNativeTransfer, twain::kMsgGet, &dib);
    if (rc == twain::kTransferDone || rc == twain::kCancel) transfer_ = Transfer::Done;
    if (rc == twain::kTransferDone && dib) {
        ReleaseImage();
        image_ = static_cast<HGLOBAL>(dib);
        GlobalLock(image_);
    }
    return rc;
}

uint16_t TwainSession::EndTransfers() {
    if (!entry_) return twain::kNoManager;
    if (transfer_ == Transfer::None) return twain::kNoTransfer;
    twain::PendingTransfers pending{};
    uint16_t rc = twain::kSuccess;
    if (transfer_ == Transfer::Done) {
        rc = Call(&source_, twain::kControl, twain::kDatPendingTransfers, twain::kMsgEndTransfer, &pending);
        if (rc != twain::kSuccess) return rc;
        transfer_ = pending.count == 0 ? Transfer::None : Transfer::Ready;
    }
    if (transfer_ == Transfer::Ready) {
        // One image per scan: whatever else the source offers is dropped.
        pending = twain::PendingTransfers{};
        rc = Call(&source_, twain::kControl, twain::kDatPendingTransfers, twain::kMsgReset, &pending);
        if (rc == twain::kSuccess) transfer_ = Transfer::None;
    }
    return rc;
}

HGLOBAL TwainSession::TakeImage() {
    HGLOBAL image = image_;
    if (image) GlobalUnlock(image);
    image_ = nullptr;
    return image;
}

void TwainSession::ReleaseImage() {
    if (!image_) return;
    GlobalUnlock(image_);
    GlobalFree(image_);
    image_ = nullptr;
}

void ChooseScanner(Editor& e) {
    HWND main = e.OwnerWindow();
    if (Twain(e).OpenManager(main) != twain::kSuccess) return;
    Twain(e).SelectSource();
    Twain(e).CloseManager(main);
}

void StartScan(Editor& e) {
    HWND main = e.OwnerWindow();
    TwainSession& t = Twain(e);
    t.SetImageHandler(false);
    if (t.OpenManager(main) != twain::kSuccess) {
        t.CloseManager(main);
        return;
    }
    if (t.OpenSource() != twain::kSuccess) {
        t.CloseSource();
        t.CloseManager(main);
        return;
    }
    t.SetImageHandler(true);
    if (t.EnableSource(main) == twain::kSuccess) {
        if (main) EnableWindow(main, FALSE);
        return;
    }
    // A source that could not show its dialog leaves nothing open behind it.
    t.CloseSource();
    t.CloseManager(main);
}

bool TwainFilter(Editor& e, MSG* msg) {
    TwainSession& t = Twain(e);
    if (!t.sourceEnabled()) return false;
    uint16_t message = 0;
    if (t.ProcessEvent(msg, &message) != twain::kDsEvent) return false;
    if (message == twain::kMsgTransferReady) {
        if (t.TransferImage() == twain::kFailure)
            e.messages.Show(e.OwnerWindow(), u"Transfer failure", u"スキャナ読み取り", MB_OK | MB_ICONWARNING);
        CloseConnection(e);
    } else if (message == twain::kMsgCloseRequest || message == twain::kMsgCloseOk) {
        CloseConnection(e);
    }
    TakeOverImage(e);
    return true;
}

void RegisterScannerCommands(CommandRegistry& r) {
    r.OnReadState([](Editor& e, CommandState& s) { s.scanner = Twain(e).loaded(); });
    r.On(cmd::kScanSource, [](Editor& e, int) { ChooseScanner(e); });
    r.On(cmd::kScan, [](Editor& e, int) { StartScan(e); });
}

}  // namespace mirelo
