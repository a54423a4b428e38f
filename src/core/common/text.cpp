#include "common/text.h"

namespace mirelo {

Text ToText(long long value) {
    std::string digits = std::to_string(value);
    return Text(digits.begin(), digits.end());
}

Text AsciiToText(std::string_view ascii) {
    Text out;
    out.reserve(ascii.size());
    for (unsigned char c : ascii) out.push_back(static_cast<char16_t>(c));
    return out;
}

Text MessageText::Str() const {
    Text out;
    size_t next = 0;
    for (size_t i = 0; i < pattern_.size(); ++i) {
        char16_t c = pattern_[i];
        if (c == u'%' && i + 1 < pattern_.size()) {
            char16_t k = pattern_[i + 1];
            if (k == u'%') { out.push_back(u'%'); ++i; continue; }
            if (k == u'd' || k == u's') {
                if (next < args_.size()) out += args_[next];
                ++next;
                ++i;
                continue;
            }
        }
        out.push_back(c);
    }
    return out;
}

}  // namespace mirelo
