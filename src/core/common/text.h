// Small UTF-16 text helpers shared by the core and the Windows layer.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace mirelo {

using Text = std::u16string;
using TextView = std::u16string_view;

// Decimal representation of a signed integer.
Text ToText(long long value);

// The number at the start of a text as a plain ASCII-to-integer reading does it: blanks, an
// optional sign, then digits up to the first other character (0 when there are none).
int ParsePlainInt(TextView text);

// Widens ASCII text (file extensions, numbers, MIME types) to UTF-16.
Text AsciiToText(std::string_view ascii);

// UTF-8 form of UTF-16 text (for consoles and logs); an unpaired surrogate becomes U+FFFD.
std::string ToUtf8(TextView text);

// Fills a message pattern: each "%d" or "%s", left to right, takes the next argument;
// "%%" gives "%". Missing arguments leave the placeholder empty.
class MessageText {
public:
    explicit MessageText(TextView pattern) : pattern_(pattern) {}
    MessageText& Arg(long long value) { args_.push_back(ToText(value)); return *this; }
    MessageText& Arg(TextView value) { args_.emplace_back(value); return *this; }
    Text Str() const;

private:
    Text pattern_;
    std::vector<Text> args_;
};

}  // namespace mirelo
