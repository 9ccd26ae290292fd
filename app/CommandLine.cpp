#include "app/CommandLine.h"

#include <sstream>
#include <string>

namespace tandril::app {

std::optional<int> extractInt(const char* argument) {
    std::istringstream stream{std::string(argument)};
    int value = 0;
    stream >> value;
    if (stream.fail() || stream.bad()) {
        return std::nullopt;
    }
    return value;
}

}  // namespace tandril::app
