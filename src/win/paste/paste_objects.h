// The floating objects that lie above one image: the image's own list, in drawing order.
#pragma once
#include <vector>

namespace mirelo {

// All images together hold at most this many paste objects.
constexpr int kMaxPasteObjects = 256;

struct PasteObject {
    bool isText = false;
    bool transformed = false;  // its transform differs from the initial one (reset possible)
};

struct PasteObjects {
    std::vector<PasteObject> items;  // bottom first
    int selected = -1;               // index into items, −1 for none

    int Count() const { return static_cast<int>(items.size()); }
    bool Empty() const { return items.empty(); }
    // The selected object, or nullptr.
    const PasteObject* Selected() const {
        return selected >= 0 && selected < Count() ? &items[static_cast<size_t>(selected)] : nullptr;
    }
    void Clear() {
        items.clear();
        selected = -1;
    }
};

}  // namespace mirelo
