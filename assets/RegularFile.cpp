#include "assets/RegularFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tandril::assets {

bool isRegularFile(const std::string& path) {
    struct stat info {};
    return stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

bool existsButIsNotRegular(const std::string& path) {
    struct stat info {};
    return stat(path.c_str(), &info) == 0 && !S_ISREG(info.st_mode);
}

std::optional<std::string> readRegularFile(const std::string& path, std::uintmax_t maxBytes) {
    // Checked before opening, as opening some devices already has an effect.
    if (!isRegularFile(path)) {
        return std::nullopt;
    }
    const int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        return std::nullopt;
    }
    std::optional<std::string> content;
    struct stat info {};
    if (fstat(fd, &info) == 0 && S_ISREG(info.st_mode) &&
        static_cast<std::uintmax_t>(info.st_size) <= maxBytes) {
        content.emplace();
        content->reserve(static_cast<std::size_t>(info.st_size));
        // The size may change while it is read; the bound holds all the same.
        char buffer[65536];
        for (;;) {
            const ssize_t got = read(fd, buffer, sizeof buffer);
            if (got == 0) {
                break;
            }
            if (got < 0 || content->size() + static_cast<std::size_t>(got) > maxBytes) {
                content.reset();
                break;
            }
            content->append(buffer, static_cast<std::size_t>(got));
        }
    }
    close(fd);
    return content;
}

}  // namespace tandril::assets
