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

std::string ToUtf8(TextView text) {
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        uint32_t c = text[i];
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
            c = 0x10000 + ((c - 0xD800) << 10) + (text[i + 1] - 0xDC00);
            ++i;
        } else if (c >= 0xD800 && c <= 0xDFFF) {
            c = 0xFFFD;
        }
        if (c < 0x80) {
            out.push_back(static_cast<char>(c));
        } else if (c < 0x800) {
            out.push_back(static_cast<char>(0xC0 | (c >> 6)));
            out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
        } else if (c < 0x10000) {
            out.push_back(static_cast<char>(0xE0 | (c >> 12)));
            out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
        } else {
            out.push_back(static_cast<char>(0xF0 | (c >> 18)));
            out.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
        }
    }
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

int ParsePlainInt(TextView t) {
    size_t i = 0;
    while (i < t.size() && (t[i] == u' ' || t[i] == u'\t')) ++i;
    bool negative = false;
    if (i < t.size() && (t[i] == u'-' || t[i] == u'+')) negative = t[i++] == u'-';
    long long v = 0;
    for (; i < t.size() && t[i] >= u'0' && t[i] <= u'9' && v < 100000000; ++i) v = v * 10 + (t[i] - u'0');
    return static_cast<int>(negative ? -v : v);
}

}  // namespace mirelo
