// Conversions between UTF-16 and code page 932, for bytes that file formats define in it.
#pragma once
#include <string>

#include "common/win.h"

namespace mirelo {

Text Cp932ToText(const std::string& bytes);
std::string TextToCp932(const Text& text);

}  // namespace mirelo
