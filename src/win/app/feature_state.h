// State a feature keeps in the editor without the editor knowing its type (the scanner
// connection, the recovery copies): made on first use, destroyed with the editor in the reverse
// order of making. A feature reaches its own through an accessor of its header.
#pragma once
#include <memory>
#include <vector>

namespace mirelo {

class FeatureStates {
public:
    FeatureStates() = default;
    FeatureStates(const FeatureStates&) = delete;
    FeatureStates& operator=(const FeatureStates&) = delete;
    ~FeatureStates() {
        while (!entries_.empty()) entries_.pop_back();
    }

    template <class T>
    T& Get() {
        for (const Entry& entry : entries_)
            if (entry.key == &kKey<T>) return *static_cast<T*>(entry.object.get());
        entries_.push_back(Entry{&kKey<T>, std::make_shared<T>()});
        return *static_cast<T*>(entries_.back().object.get());
    }

private:
    template <class T>
    static inline const char kKey = 0;  // its address tells the types apart
    struct Entry {
        const void* key;
        std::shared_ptr<void> object;
    };
    std::vector<Entry> entries_;
};

}  // namespace mirelo
