#include "files/recovery.h"

#include <shlobj.h>

#include <algorithm>
#include <condition_variable>
#include <deque>
#include <map>
#include <mutex>
#include <thread>

#include "app/editor.h"
#include "app/recovery_schedule.h"
#include "files/open_image.h"
#include "files/recovery_copy.h"
#include "image/bitmap_access.h"
#include "image/image_set.h"

namespace mirelo {

RecoveryCopies& Recovery(Editor& editor) { return editor.features.Get<RecoveryCopies>(); }

namespace {
constexpr char16_t kExtension[] = u".mrc";

// Writes the whole file under a temporary name, flushes it and renames it, so that a copy is
// either complete or absent.
bool WriteWhole(const Text& path, const std::vector<uint8_t>& bytes) {
    const Text temporary = path + u".tmp";
    HANDLE f = CreateFileW(W(temporary), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (f == INVALID_HANDLE_VALUE) return false;
    bool ok = true;
    for (size_t at = 0; ok && at < bytes.size();) {
        const DWORD chunk = static_cast<DWORD>(std::min<size_t>(bytes.size() - at, 1u << 24));
        DWORD written = 0;
        ok = WriteFile(f, bytes.data() + at, chunk, &written, nullptr) && written == chunk;
        at += written;
    }
    ok = ok && FlushFileBuffers(f);
    CloseHandle(f);
    if (ok) ok = MoveFileExW(W(temporary), W(path), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
    if (!ok) DeleteFileW(W(temporary));
    return ok;
}

std::vector<Text> CopiesIn(const Text& folder) {
    std::vector<Text> names;
    WIN32_FIND_DATAW found;
    HANDLE h = FindFirstFileW(W(folder + u"\\*" + kExtension), &found);
    if (h == INVALID_HANDLE_VALUE) return names;
    do {
        if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) names.push_back(folder + u"\\" + FromW(found.cFileName));
    } while (FindNextFileW(h, &found));
    FindClose(h);
    std::sort(names.begin(), names.end());
    return names;
}

void MakeFolders(const Text& folder) {
    for (size_t i = 3; i <= folder.size(); ++i)
        if (i == folder.size() || folder[i] == u'\\') CreateDirectoryW(W(folder.substr(0, i)), nullptr);
}

bool LockOwn(Gdiplus::GpBitmap* bitmap, UINT mode, PixelFormat format, int width, int height, Gdiplus::BitmapData* data) {
    Gdiplus::GpRect all(0, 0, width, height);
    return gp::GdipBitmapLockBits(bitmap, &all, mode, format, data) == Gdiplus::Ok;
}
}  // namespace

struct RecoveryCopies::State {
    struct Job {
        uint64_t serial;
        Text path;
        RecoveryImage image;
    };
    Text folder;
    Text run;  // names this run's copies, so that kept copies of an earlier run are not overwritten
    RecoverySchedule schedule;
    std::map<uint64_t, Text> files;  // the copies of this run's images, by serial
    // Each image's pixel buffer, given back by the worker after a copy: the next snapshot fills
    // it again instead of allocating (fresh memory for a large photograph costs far more than
    // the copy itself).
    std::map<uint64_t, std::vector<uint8_t>> spare;
    std::mutex mutex;
    std::condition_variable wake, idle;
    std::deque<Job> jobs;
    bool busy = false, stop = false, failed = false;
    std::thread worker;

    void Work() {
        std::unique_lock<std::mutex> lock(mutex);
        for (;;) {
            wake.wait(lock, [this] { return stop || !jobs.empty(); });
            if (jobs.empty()) return;
            Job job = std::move(jobs.front());
            jobs.pop_front();
            busy = true;
            lock.unlock();
            const std::vector<uint8_t> bytes = WriteRecoveryCopy(job.image);
            bool ok = !bytes.empty() && WriteWhole(job.path, bytes);
            lock.lock();
            // An image saved or closed meanwhile keeps no copy.
            const auto it = files.find(job.serial);
            const bool kept = it != files.end() && it->second == job.path;
            if (ok && !kept) DeleteFileW(W(job.path));
            if (kept) spare[job.serial] = std::move(job.image.pixels);
            if (!ok) failed = true;
            busy = false;
            idle.notify_all();
        }
    }
};

RecoveryCopies::RecoveryCopies() : state_(std::make_unique<State>()) {
    state_->run = ToText(static_cast<long long>(GetCurrentProcessId())) + u"-" + ToText(static_cast<long long>(GetTickCount64()));
}

RecoveryCopies::~RecoveryCopies() {
    {
        std::lock_guard<std::mutex> lock(state_->mutex);
        state_->stop = true;
    }
    state_->wake.notify_all();
    if (state_->worker.joinable()) state_->worker.join();
}

void RecoveryCopies::SetFolder(const Text& folder) { state_->folder = folder; }
const Text& RecoveryCopies::folder() const { return state_->folder; }

void RecoveryCopies::Noted(Editor& e, const ChangeRecord& changes, int64_t now) {
    if (state_->folder.empty()) return;
    constexpr unsigned kKept = change::kPixels | change::kBitmap | change::kSelection | change::kObjects | change::kFile;
    for (int i = 0; i < kMaxImages; ++i) {
        const ImageSlot& s = e.images.slots[static_cast<size_t>(i)];
        if (s.occupied() && (changes.ImageChanges(i) & kKept)) state_->schedule.Changed(s.serial, now);
    }
}

void RecoveryCopies::Tick(Editor& e, int64_t now) {
    State& st = *state_;
    if (st.folder.empty()) return;
    // Images saved or closed since their copy lose it.
    std::vector<uint64_t> keep;
    for (const ImageSlot& s : e.images.slots)
        if (s.occupied() && s.HasUnsavedWork()) keep.push_back(s.serial);
    {
        std::lock_guard<std::mutex> lock(st.mutex);
        for (auto it = st.files.begin(); it != st.files.end();) {
            if (std::find(keep.begin(), keep.end(), it->first) == keep.end()) {
                DeleteFileW(W(it->second));
                st.schedule.Forget(it->first);
                st.spare.erase(it->first);
                it = st.files.erase(it);
            } else {
                ++it;
            }
        }
    }
    for (const ImageSlot& s : e.images.slots) {
        if (!s.occupied() || !s.HasUnsavedWork()) continue;
        const int64_t due = st.schedule.DueAt(s.serial);
        if (due < 0 || due > now) continue;
        State::Job job{s.serial, st.folder + u"\\" + st.run + u"-" + ToText(static_cast<long long>(s.serial)) + kExtension, {}};
        {
            std::lock_guard<std::mutex> lock(st.mutex);
            if (auto it = st.spare.find(s.serial); it != st.spare.end()) {
                job.image.pixels = std::move(it->second);
                st.spare.erase(it);
            }
        }
        if (!SnapshotSlot(e, s, &job.image)) {
            st.schedule.CopyFailed(s.serial, now);
            std::lock_guard<std::mutex> lock(st.mutex);
            st.failed = true;
            continue;
        }
        st.schedule.CopyTaken(s.serial, now);
        MakeFolders(st.folder);
        {
            std::lock_guard<std::mutex> lock(st.mutex);
            st.files[s.serial] = job.path;
            st.jobs.push_back(std::move(job));
        }
        if (!st.worker.joinable()) st.worker = std::thread([&st] { st.Work(); });
        st.wake.notify_all();
    }
}

void RecoveryCopies::Flush() {
    std::unique_lock<std::mutex> lock(state_->mutex);
    state_->idle.wait(lock, [this] { return state_->jobs.empty() && !state_->busy; });
}

void RecoveryCopies::EndRun() {
    std::unique_lock<std::mutex> lock(state_->mutex);
    state_->jobs.clear();
    state_->idle.wait(lock, [this] { return !state_->busy; });
    for (const auto& [serial, path] : state_->files) DeleteFileW(W(path));
    state_->files.clear();
    state_->spare.clear();
}

bool RecoveryCopies::TakeFailure() {
    std::lock_guard<std::mutex> lock(state_->mutex);
    const bool failed = state_->failed;
    state_->failed = false;
    return failed;
}

bool SnapshotSlot(Editor&, const ImageSlot& slot, RecoveryImage* out) {
    RecoveryImage& r = *out;
    Gdiplus::GpBitmap* bitmap = slot.bitmap.get();
    if (!bitmap) return false;
    r.width = slot.width;
    r.height = slot.height;
    r.format = FormatOf(bitmap);
    const uint64_t row = RecoveryRowBytes(r.width, r.format);
    Gdiplus::BitmapData data{};
    if (!LockOwn(bitmap, kLockRead, r.format, r.width, r.height, &data)) return false;
    r.pixels.resize(static_cast<size_t>(row * static_cast<uint64_t>(r.height)));  // a kept buffer keeps its memory
    for (int y = 0; y < r.height; ++y)
        std::copy_n(static_cast<const uint8_t*>(data.Scan0) + static_cast<ptrdiff_t>(y) * data.Stride, row,
                    r.pixels.data() + static_cast<size_t>(y) * row);
    gp::GdipBitmapUnlockBits(bitmap, &data);
    if (IsIndexed(r.format) && !ReadPaletteEntries(bitmap, &r.palette, &r.paletteFlags)) return false;
    gp::GdipGetImageHorizontalResolution(bitmap, &r.dpiX);
    gp::GdipGetImageVerticalResolution(bitmap, &r.dpiY);
    UINT total = 0, count = 0;
    if (gp::GdipGetPropertySize(bitmap, &total, &count) == Gdiplus::Ok && count > 0) {
        std::vector<uint8_t> buffer(total);
        auto* items = reinterpret_cast<Gdiplus::PropertyItem*>(buffer.data());
        if (gp::GdipGetAllPropertyItems(bitmap, total, count, items) == Gdiplus::Ok)
            for (UINT i = 0; i < count; ++i) {
                const auto* bytes = static_cast<const uint8_t*>(items[i].value);
                r.properties.push_back({static_cast<uint32_t>(items[i].id), static_cast<uint16_t>(items[i].type),
                                        std::vector<uint8_t>(bytes, bytes + items[i].length)});
            }
    }
    r.flags = slot.flags;
    r.name = slot.path;
    if (slot.path.find(u'\\') != Text::npos) r.path = slot.path;
    r.rawFormatName = slot.rawFormatName;
    r.fileType = slot.fileType;
    r.tool = slot.tool;
    r.zoom = slot.zoom;
    r.colours = slot.colours;
    r.colourTransparency = slot.colourTransparency;
    r.activeColour = slot.activeColour;
    r.toolSettings = slot.toolSettings;
    r.hotspotX = slot.hotspotX;
    r.hotspotY = slot.hotspotY;
    r.paths = {slot.selectionPath, slot.drawPath, slot.otherPath, slot.workPath};
    r.anchors = {slot.selectionAnchor, slot.figureAnchor, slot.gradientStart};
    for (const PasteObject& o : slot.pasteObjects.items) {
        RecoveryObject c;
        c.isText = o.isText;
        c.outline = o.outline;
        c.mask = o.mask;
        c.x = o.x;
        c.y = o.y;
        c.width = o.width;
        c.height = o.height;
        c.transparency = o.transparency;
        c.smoothingIndex = o.smoothingIndex;
        c.interpolation = o.interpolation;
        c.rotationIndex = o.rotationIndex;
        c.widthIndex = o.widthIndex;
        c.heightIndex = o.heightIndex;
        c.skewX = o.skewX;
        c.skewY = o.skewY;
        c.text = o.text;
        c.fontName = o.fontName;
        c.fontSize = o.fontSize;
        std::copy(o.textOptions.begin(), o.textOptions.end(), c.textOptions.begin());
        std::copy(o.textExtra.begin(), o.textExtra.end(), c.textExtra.begin());
        c.colours = o.colours;
        c.colourTransparency = o.colourTransparency;
        c.activeColour = o.activeColour;
        c.textBoxX = o.textBoxX;
        c.textBoxY = o.textBoxY;
        c.textWidth = o.textWidth;
        c.textHeight = o.textHeight;
        c.textX = o.textX;
        c.textY = o.textY;
        c.frameWidth = o.frameWidth;
        c.frameHeight = o.frameHeight;
        c.inFrame = o.inFrame;
        if (!o.isText) {
            int w = 0, h = 0;
            if (!o.bitmap || !ImageSize(o.bitmap.get(), &w, &h) || w != o.width || h != o.height) return false;
            Gdiplus::BitmapData od{};
            if (!LockOwn(o.bitmap.get(), kLockRead, fmt::k32ARGB, w, h, &od)) return false;
            c.pixels.resize(static_cast<size_t>(w) * static_cast<size_t>(h));
            for (int y = 0; y < h; ++y)
                std::copy_n(reinterpret_cast<const uint32_t*>(static_cast<const uint8_t*>(od.Scan0) + static_cast<ptrdiff_t>(y) * od.Stride), w,
                            c.pixels.data() + static_cast<size_t>(y) * static_cast<size_t>(w));
            gp::GdipBitmapUnlockBits(o.bitmap.get(), &od);
        }
        r.objects.push_back(std::move(c));
    }
    r.selectedObject = slot.pasteObjects.selected;
    return true;
}

int RestoreImage(Editor& e, const RecoveryImage& r) {
    GpBitmapOwner bitmap;
    if (!CreateGpBitmap(bitmap, r.width, r.height, r.format)) return -1;
    const uint64_t row = RecoveryRowBytes(r.width, r.format);
    Gdiplus::BitmapData data{};
    if (!LockOwn(bitmap.get(), kLockWrite, r.format, r.width, r.height, &data)) return -1;
    for (int y = 0; y < r.height; ++y)
        std::copy_n(r.pixels.data() + static_cast<size_t>(y) * row, row,
                    static_cast<uint8_t*>(data.Scan0) + static_cast<ptrdiff_t>(y) * data.Stride);
    if (gp::GdipBitmapUnlockBits(bitmap.get(), &data) != Gdiplus::Ok) return -1;
    if (IsIndexed(r.format) && !WritePaletteEntries(bitmap.get(), r.palette, r.paletteFlags)) return -1;
    gp::GdipBitmapSetResolution(bitmap.get(), r.dpiX, r.dpiY);
    for (const RecoveryProperty& p : r.properties) {
        Gdiplus::PropertyItem item{};
        item.id = p.id;
        item.type = p.type;
        item.length = static_cast<ULONG>(p.bytes.size());
        item.value = const_cast<uint8_t*>(p.bytes.data());
        gp::GdipSetPropertyItem(bitmap.get(), &item);
    }
    // Objects first, so that a failure leaves no half-restored image.
    std::vector<PasteObject> objects;
    for (const RecoveryObject& c : r.objects) {
        PasteObject o;
        o.isText = c.isText;
        o.outline = c.outline;
        o.mask = c.mask;
        o.x = c.x;
        o.y = c.y;
        o.width = c.width;
        o.height = c.height;
        o.transparency = c.transparency;
        o.smoothingIndex = c.smoothingIndex;
        o.interpolation = c.interpolation;
        o.rotationIndex = c.rotationIndex;
        o.widthIndex = c.widthIndex;
        o.heightIndex = c.heightIndex;
        o.skewX = c.skewX;
        o.skewY = c.skewY;
        o.text = c.text;
        o.fontName = c.fontName;
        o.fontSize = c.fontSize;
        std::copy(c.textOptions.begin(), c.textOptions.end(), o.textOptions.begin());
        std::copy(c.textExtra.begin(), c.textExtra.end(), o.textExtra.begin());
        o.colours = c.colours;
        o.colourTransparency = c.colourTransparency;
        o.activeColour = c.activeColour;
        o.textBoxX = c.textBoxX;
        o.textBoxY = c.textBoxY;
        o.textWidth = c.textWidth;
        o.textHeight = c.textHeight;
        o.textX = c.textX;
        o.textY = c.textY;
        o.frameWidth = c.frameWidth;
        o.frameHeight = c.frameHeight;
        o.inFrame = c.inFrame;
        if (!c.isText) {
            if (!CreateGpBitmap(o.bitmap, c.width, c.height, fmt::k32ARGB)) return -1;
            Gdiplus::BitmapData od{};
            if (!LockOwn(o.bitmap.get(), kLockWrite, fmt::k32ARGB, c.width, c.height, &od)) return -1;
            for (int y = 0; y < c.height; ++y)
                std::copy_n(c.pixels.data() + static_cast<size_t>(y) * static_cast<size_t>(c.width), c.width,
                            reinterpret_cast<uint32_t*>(static_cast<uint8_t*>(od.Scan0) + static_cast<ptrdiff_t>(y) * od.Stride));
            gp::GdipBitmapUnlockBits(o.bitmap.get(), &od);
        }
        objects.push_back(std::move(o));
    }
    const int index = AddImage(e, std::move(bitmap), r.path.empty() ? r.name : r.path);
    if (index < 0) return -1;
    ImageSlot& s = e.images.slots[static_cast<size_t>(index)];
    s.fileType = r.fileType;
    if (!r.rawFormatName.empty()) s.rawFormatName = r.rawFormatName;
    s.flags = r.flags;
    s.tool = r.tool;
    s.zoom = r.zoom;
    s.colours = r.colours;
    s.colourTransparency = r.colourTransparency;
    s.activeColour = r.activeColour;
    s.toolSettings = r.toolSettings;
    s.hotspotX = r.hotspotX;
    s.hotspotY = r.hotspotY;
    s.selectionPath = r.paths[0];
    s.drawPath = r.paths[1];
    s.otherPath = r.paths[2];
    s.workPath = r.paths[3];
    s.selectionAnchor = r.anchors[0];
    s.figureAnchor = r.anchors[1];
    s.gradientStart = r.anchors[2];
    s.pasteObjects.items = std::move(objects);
    s.pasteObjects.selected = r.selectedObject;
    s.recovered = true;  // unsaved work until it is saved
    e.Changed(index, change::kPixels | change::kSelection | change::kObjects | change::kToolOptions | change::kColours);
    e.ProgramChanged(change::kTool);
    return index;
}

void OfferRecovery(Editor& e) {
    const Text& folder = Recovery(e).folder();
    if (folder.empty()) return;
    struct Found {
        Text file;
        RecoveryImage image;
    };
    std::vector<Found> found;
    for (const Text& file : CopiesIn(folder)) {
        std::vector<uint8_t> bytes;
        RecoveryReadResult read;
        if (ReadFileBytes(file, &bytes)) read = ReadRecoveryCopy(bytes.data(), bytes.size());
        else read.error = RecoveryError::kTruncated;
        if (!read.ok()) {
            // A damaged or foreign file can never be restored: it is named and removed.
            e.messages.App(MessageText(u"復元用のファイルが壊れているため、復元できません\n%s").Arg(file).Str(), MB_OK | MB_ICONWARNING);
            DeleteFileW(W(file));
            continue;
        }
        found.push_back({file, std::move(read.image)});
    }
    if (found.empty()) return;
    Text question = u"前回、保存されずに終了した画像があります。復元しますか？\n";
    for (const Found& f : found) question += u"\n" + (f.image.path.empty() ? f.image.name : f.image.path);
    const int answer = e.messages.App(question, MB_YESNOCANCEL | MB_ICONQUESTION);
    if (answer == IDCANCEL) return;
    for (const Found& f : found) {
        if (answer == IDYES && RestoreImage(e, f.image) < 0) continue;  // kept for the next start
        DeleteFileW(W(f.file));
    }
}

Text DefaultRecoveryFolder() {
    wchar_t* local = nullptr;
    Text folder;
    if (SHGetKnownFolderPath(FOLDERID_LocalAppData, 0, nullptr, &local) == S_OK) folder = FromW(local) + u"\\Mirelo\\Recovery";
    CoTaskMemFree(local);
    return folder;
}

}  // namespace mirelo
