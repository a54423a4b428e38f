#include "image/properties.h"

#include <vector>

#include "common/codepage.h"
#include "files/property_value.h"
#include "image/image_set.h"

namespace mirelo {

bool ReadProperty(Gdiplus::GpImage* image, uint32_t tag, Text* out) {
    UINT size = 0;
    if (!image || gp::GdipGetPropertyItemSize(image, tag, &size) != Gdiplus::Ok || size < sizeof(Gdiplus::PropertyItem))
        return false;
    std::vector<uint8_t> buf(size);
    auto* item = reinterpret_cast<Gdiplus::PropertyItem*>(buf.data());
    if (gp::GdipGetPropertyItem(image, tag, size, item) != Gdiplus::Ok) return false;
    // The value must lie inside the block GDI+ filled.
    const auto* value = static_cast<const uint8_t*>(item->value);
    size_t length = item->length;
    if (value < buf.data() || value > buf.data() + buf.size() || length > static_cast<size_t>(buf.data() + buf.size() - value))
        length = 0;
    PropertyValue v = DecodePropertyValue(item->type, length ? value : nullptr, length);
    if (v.isText) {
        Text t = Cp932ToText(v.bytes);
        if (t.size() > kPropertyTextLimit) t.resize(kPropertyTextLimit);
        *out = std::move(t);
    } else {
        *out = ToText(v.number);
    }
    return true;
}

void ReadProperties(ImageSlot& slot) {
    for (size_t i = 0; i < 4; ++i) {
        Text t;
        if (ReadProperty(slot.bitmap.get(), kPropertyTags[i], &t)) slot.properties[i] = std::move(t);
    }
}

GpStatus WriteProperty(Gdiplus::GpImage* image, uint32_t tag, const Text& text) {
    std::string bytes = TextToCp932(text);
    bytes.push_back('\0');
    Gdiplus::PropertyItem item{};
    item.id = tag;
    item.length = static_cast<ULONG>(bytes.size());
    item.type = kPropertyTypeAscii;
    item.value = bytes.data();
    return gp::GdipSetPropertyItem(image, &item);
}

}  // namespace mirelo
