#include "common/codepage.h"

namespace mirelo {

Text Cp932ToText(const std::string& bytes) {
    if (bytes.empty()) return Text();
    int n = MultiByteToWideChar(932, 0, bytes.data(), static_cast<int>(bytes.size()), nullptr, 0);
    if (n <= 0) return Text();
    std::wstring w(static_cast<size_t>(n), L'\0');
    MultiByteToWideChar(932, 0, bytes.data(), static_cast<int>(bytes.size()), w.data(), n);
    return FromW(w);
}

std::string TextToCp932(const Text& text) {
    if (text.empty()) return std::string();
    int n = WideCharToMultiByte(932, 0, W(text), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    if (n <= 0) return std::string();
    std::string s(static_cast<size_t>(n), '\0');
    WideCharToMultiByte(932, 0, W(text), static_cast<int>(text.size()), s.data(), n, nullptr, nullptr);
    return s;
}

}  // namespace mirelo
