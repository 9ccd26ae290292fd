#include "tools/common/OptionNumbers.h"

#include <charconv>
#include <cmath>
#include <limits>

namespace tandril::tools {
namespace {

bool wholeWithin(double value, double low, double high) {
    return value >= low && value <= high && value == std::floor(value);
}

}  // namespace

std::optional<std::vector<double>> parseNumbers(std::string_view text, int count, char separator) {
    std::vector<double> numbers;
    const char* at = text.data();
    const char* const end = text.data() + text.size();
    for (int i = 0; i < count; ++i) {
        if (i > 0) {
            if (at == end || *at != separator) {
                return std::nullopt;
            }
            ++at;
        }
        double value = 0.0;
        const auto [next, error] = std::from_chars(at, end, value);
        if (error != std::errc() || !std::isfinite(value) ||
            std::abs(value) > std::numeric_limits<float>::max()) {
            return std::nullopt;
        }
        numbers.push_back(value);
        at = next;
    }
    if (at != end) {
        return std::nullopt;
    }
    return numbers;
}

std::optional<double> parseNumber(std::string_view text, double low, double high) {
    const auto numbers = parseNumbers(text, 1, ',');
    if (!numbers || (*numbers)[0] < low || (*numbers)[0] > high) {
        return std::nullopt;
    }
    return (*numbers)[0];
}

std::optional<int> parseWholeNumber(std::string_view text, int low, int high) {
    const auto number = parseNumber(text, low, high);
    if (!number || !wholeWithin(*number, low, high)) {
        return std::nullopt;
    }
    return static_cast<int>(*number);
}

std::optional<Size> parseSize(std::string_view text) {
    const auto numbers = parseNumbers(text, 2, 'x');
    if (!numbers || !wholeWithin((*numbers)[0], 1, 16384) ||
        !wholeWithin((*numbers)[1], 1, 16384)) {
        return std::nullopt;
    }
    return Size{static_cast<int>((*numbers)[0]), static_cast<int>((*numbers)[1])};
}

}  // namespace tandril::tools
