// Numbers in the tools' command-line options, read by one parser so that
// every option takes the same spelling: decimal, optionally signed with '-'
// and with an exponent, no spaces, nothing after the last number.
#pragma once

#include <limits>
#include <optional>
#include <string_view>
#include <vector>

namespace tandril::tools {

// Exactly `count` numbers separated by `separator` ("1,-2.5,3e1" with ',';
// "800x600" with 'x'). Every option value ends up in a float or an int, so a
// number beyond float's range is refused like one that is not finite.
std::optional<std::vector<double>> parseNumbers(std::string_view text, int count, char separator);

// One number from `low` to `high`.
std::optional<double> parseNumber(std::string_view text,
                                  double low = -std::numeric_limits<float>::max(),
                                  double high = std::numeric_limits<float>::max());

// One whole number from `low` to `high`.
std::optional<int> parseWholeNumber(std::string_view text, int low, int high);

struct Size {
    int width = 0;
    int height = 0;
};
// "WIDTHxHEIGHT", each a whole number from 1 to 16384.
std::optional<Size> parseSize(std::string_view text);

// Puts what was parsed into `into`; false, leaving `into` as it was, when the
// text was refused.
template <typename Into, typename Parsed>
bool storeParsed(const std::optional<Parsed>& parsed, Into& into) {
    if (parsed) {
        into = static_cast<Into>(*parsed);
    }
    return parsed.has_value();
}

}  // namespace tandril::tools
