// Recovery copies: every image with unsaved work is copied, on a worker thread, into the recovery
// folder (%LOCALAPPDATA%\Mirelo\Recovery) within seconds of a change; a normal end removes the
// copies, and copies found at the next start are offered back.
#pragma once
#include <cstdint>
#include <memory>

#include "app/change_record.h"
#include "common/text.h"

namespace mirelo {

class Editor;
struct ImageSlot;
struct RecoveryImage;

class RecoveryCopies {
public:
    RecoveryCopies();
    // Waits for the copy being written; the copies stay (the program may be going down).
    ~RecoveryCopies();
    RecoveryCopies(const RecoveryCopies&) = delete;
    RecoveryCopies& operator=(const RecoveryCopies&) = delete;

    // The folder the copies go to; empty (the default): no copies are kept.
    void SetFolder(const Text& folder);
    const Text& folder() const;
    // What the refresh is about to show: images whose pixels, objects or paths changed.
    void Noted(Editor& editor, const ChangeRecord& changes, int64_t now);
    // Takes a snapshot of each image whose copy is due and hands it to the worker; removes the
    // copies of images saved or closed since.
    void Tick(Editor& editor, int64_t now);
    // Waits until the worker has written everything handed to it.
    void Flush();
    // A normal end: this run's copies are removed.
    void EndRun();
    // Whether a copy could not be written since the last call.
    bool TakeFailure();

private:
    struct State;
    std::unique_ptr<State> state_;
};

// The interface thread's share of a copy: the slot's pixels, palette, names, paths and objects.
bool SnapshotSlot(Editor& editor, const ImageSlot& slot, RecoveryImage* out);
// Rebuilds an image from a copy, as unsaved work under its old name and path; the slot, or −1.
int RestoreImage(Editor& editor, const RecoveryImage& image);
// At the start: copies left by a run that did not end normally are offered back with one
// question (はい restores them, いいえ deletes them, キャンセル keeps them for the next start).
void OfferRecovery(Editor& editor);
// %LOCALAPPDATA%\Mirelo\Recovery.
Text DefaultRecoveryFolder();

// The editor's recovery copies (none kept until a folder is set).
RecoveryCopies& Recovery(Editor& editor);

}  // namespace mirelo
