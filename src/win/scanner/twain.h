// Scanning through the TWAIN data source manager: 40006 chooses the scanner, 40007 scans one
// image by native transfer into a new image named "scan". The manager is loaded at run time; the
// manager and the scanner drivers are outside the program.
#pragma once
#include <cstdint>

#include "common/win.h"

namespace mirelo {

class Editor;

namespace twain {
// The data structures as the manager and the sources exchange them (2-byte packing).
#pragma pack(push, 2)
struct Version {
    uint16_t majorNum, minorNum, language, country;
    char info[34];
};
struct Identity {
    uint32_t id;
    Version version;
    uint16_t protocolMajor, protocolMinor;
    uint32_t supportedGroups;
    char manufacturer[34], productFamily[34], productName[34];
};
struct UserInterface {
    uint16_t showUI, modalUI;
    HANDLE parent;
};
struct Event {
    void* event;
    uint16_t message;
};
struct PendingTransfers {
    uint16_t count;
    uint32_t endOfJob;
};
#pragma pack(pop)
static_assert(sizeof(Identity) == 156, "TW_IDENTITY is 156 bytes");

using EntryPoint = uint16_t(WINAPI*)(Identity* origin, Identity* destination, uint32_t group, uint16_t data, uint16_t message,
                                     void* pointer);

constexpr uint32_t kControl = 1, kImage = 2;
constexpr uint16_t kDatEvent = 0x0002, kDatIdentity = 0x0003, kDatParent = 0x0004, kDatPendingTransfers = 0x0005,
                   kDatUserInterface = 0x0009, kDatNativeTransfer = 0x0104;
constexpr uint16_t kMsgGet = 0x0001, kMsgGetDefault = 0x0003, kMsgOpenManager = 0x0301, kMsgCloseManager = 0x0302,
                   kMsgOpenSource = 0x0401, kMsgCloseSource = 0x0402, kMsgUserSelect = 0x0403, kMsgDisable = 0x0501,
                   kMsgEnable = 0x0502, kMsgProcessEvent = 0x0601, kMsgEndTransfer = 0x0701, kMsgReset = 0x0007, kMsgTransferReady = 0x0101, kMsgCloseRequest = 0x0102,
                   kMsgCloseOk = 0x0103;
constexpr uint16_t kSuccess = 0, kFailure = 1, kCancel = 3, kDsEvent = 4, kTransferDone = 6;
// Answers of the program itself when a call cannot be made.
constexpr uint16_t kNoManager = 0x8000, kManagerAlreadyOpen = 0x8001, kSourceAlreadyOpen = 0x8002,
                   kSourceAlreadyEnabled = 0x8003, kManagerNotOpen = 0x8004, kSourceNotEnabled = 0x8006, kNoImageHandler = 0x8007,
                   kNoTransfer = 0x8008;
}  // namespace twain

// The connection to the manager, owned by the editor, kept in the protocol's states: manager open
// (3), source open (4), source enabled (5), a transfer ready (6, after MSG_XFERREADY) and a transfer
// made (7, after the image came or was cancelled). A source answers only the calls of its state,
// so a transfer is ended (DAT_PENDINGXFERS) before the source is disabled. The manager library is
// released, and a held image freed, when the session ends.
class TwainSession {
public:
    TwainSession();
    ~TwainSession();
    TwainSession(const TwainSession&) = delete;
    TwainSession& operator=(const TwainSession&) = delete;

    // Loads "TWAIN_32.DLL" (or, where a 64-bit system has only the newer manager, "TWAINDSM.DLL")
    // and its "DSM_Entry"; without them every call answers kNoManager.
    void Load();
    void Unload();
    bool loaded() const { return entry_ != nullptr; }
    bool sourceEnabled() const { return sourceEnabled_; }
    // States 6 and 7: a transfer is ready or made and not yet ended.
    bool transferPending() const { return transfer_ != Transfer::None; }

    uint16_t OpenManager(HWND parent);
    uint16_t CloseManager(HWND parent);
    uint16_t SelectSource();
    uint16_t OpenSource();
    uint16_t CloseSource();
    uint16_t EnableSource(HWND parent);
    uint16_t DisableSource(HWND parent);
    // Offers a message to the enabled source; kDsEvent with its TWAIN message when it was the source's.
    uint16_t ProcessEvent(MSG* msg, uint16_t* twainMessage);
    // State 6: the native transfer; state 7 after the image came (or the user cancelled it).
    uint16_t TransferImage();
    // Ends the transfers: MSG_ENDXFER after a transfer (state 7), MSG_RESET when one is still
    // ready (a failed transfer, or more images offered than the one scan takes). Back to state 5.
    uint16_t EndTransfers();

    void SetImageHandler(bool on) { imageHandler_ = on; }
    // The DIB of the last transfer, handed over (the caller frees it); null when none is held.
    HGLOBAL TakeImage();

    const twain::Identity& application() const { return application_; }
    const twain::Identity& source() const { return source_; }

private:
    uint16_t Call(twain::Identity* destination, uint32_t group, uint16_t data, uint16_t message, void* pointer);
    void ReleaseImage();

    HMODULE module_ = nullptr;
    twain::EntryPoint entry_ = nullptr;
    twain::Identity application_{};
    twain::Identity source_{};
    enum class Transfer { None, Ready, Done };
    bool managerOpen_ = false, sourceOpen_ = false, sourceEnabled_ = false;
    Transfer transfer_ = Transfer::None;
    bool imageHandler_ = false;
    HGLOBAL image_ = nullptr;  // locked while held
    twain::UserInterface ui_{};
};

// "装置の選択": the manager's list of sources.
void ChooseScanner(Editor& editor);
// "読み取り": opens the chosen (or the default) source with its own dialog.
void StartScan(Editor& editor);
// The message filter of the main loop: true when the message was the source's and is consumed.
// A finished transfer becomes a new image named "scan".
bool TwainFilter(Editor& editor, MSG* msg);

// The editor's scanner connection.
TwainSession& Twain(Editor& editor);

}  // namespace mirelo
