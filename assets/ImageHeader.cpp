#include "assets/ImageHeader.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <optional>
#include <string_view>

#include "assets/FreeImageBitmap.h"

namespace tandril::assets {
namespace {

constexpr long long kPixelsPerFileByte = 1024;
// The most a decoder's bitmap of a picture beyond the budget may take before
// it is scaled down: a 16384 x 16384 picture of 24-bit pixels fits.
constexpr long long kMaxDecodeBytes = 1LL << 30;

// Reads numbers at given offsets of a file; nothing past its end.
class FileBytes {
  public:
    explicit FileBytes(const std::string& path) : m_file(path, std::ios::binary) {}

    std::optional<std::uint64_t> big(std::uint64_t offset, int count) {
        unsigned char bytes[8];
        if (!read(offset, count, bytes)) {
            return std::nullopt;
        }
        std::uint64_t value = 0;
        for (int i = 0; i < count; ++i) {
            value = value << 8 | bytes[i];
        }
        return value;
    }
    std::optional<std::uint64_t> little(std::uint64_t offset, int count) {
        unsigned char bytes[8];
        if (!read(offset, count, bytes)) {
            return std::nullopt;
        }
        std::uint64_t value = 0;
        for (int i = count - 1; i >= 0; --i) {
            value = value << 8 | bytes[i];
        }
        return value;
    }
    std::string text(std::uint64_t offset, std::size_t count) {
        std::string out(count, '\0');
        m_file.clear();
        m_file.seekg(static_cast<std::streamoff>(offset));
        m_file.read(out.data(), static_cast<std::streamsize>(count));
        out.resize(static_cast<std::size_t>(m_file.gcount()));
        return out;
    }

  private:
    bool read(std::uint64_t offset, int count, unsigned char* out) {
        m_file.clear();
        m_file.seekg(static_cast<std::streamoff>(offset));
        m_file.read(reinterpret_cast<char*>(out), count);
        return static_cast<bool>(m_file);
    }

    std::ifstream m_file;
};

std::optional<ImageSize> sizeOf(std::optional<std::uint64_t> width,
                                std::optional<std::uint64_t> height) {
    if (!width || !height) {
        return std::nullopt;
    }
    return ImageSize{static_cast<long long>(*width), static_cast<long long>(*height)};
}

// The sizes a GIF declares for its logical screen and its first frame, of which
// the decoder allocates one; the larger of each.
std::optional<ImageSize> gifSize(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    const auto byte = [&file] { return file.get(); };
    const auto word = [&byte] {
        const int low = byte();
        return low | (byte() << 8);
    };
    file.ignore(6);  // signature and version
    ImageSize size{word(), word()};
    const int packed = byte();
    file.ignore(2);
    if ((packed & 0x80) != 0) {
        file.ignore(3 << ((packed & 7) + 1));  // global colour table
    }
    for (int block = byte(); file; block = byte()) {
        if (block == 0x2C) {  // image descriptor: left, top, width, height
            file.ignore(4);
            const long long width = word();
            const long long height = word();
            if (!file) {
                return std::nullopt;
            }
            return ImageSize{std::max(size.width, width), std::max(size.height, height)};
        }
        if (block != 0x21) {
            return std::nullopt;  // the trailer, or not a GIF block at all
        }
        byte();  // extension label, then data sub-blocks up to an empty one
        for (int length = byte(); file && length > 0; length = byte()) {
            file.ignore(length);
        }
    }
    return std::nullopt;
}

// Width and height of a JPEG 2000 code stream at `offset` (its SIZ segment).
std::optional<ImageSize> codeStreamSize(FileBytes& file, std::uint64_t offset) {
    if (file.big(offset, 4) != 0xFF4FFF51u) {
        return std::nullopt;
    }
    const auto width = file.big(offset + 8, 4);
    const auto height = file.big(offset + 12, 4);
    const auto left = file.big(offset + 16, 4);
    const auto top = file.big(offset + 20, 4);
    if (!width || !height || !left || !top || *left > *width || *top > *height) {
        return std::nullopt;
    }
    return ImageSize{static_cast<long long>(*width - *left),
                     static_cast<long long>(*height - *top)};
}

// The code stream box of a JP2 file, whose SIZ segment the decoder follows.
std::optional<ImageSize> jp2Size(FileBytes& file) {
    std::uint64_t at = 0;
    for (int box = 0; box < 64; ++box) {
        const auto length = file.big(at, 4);
        const std::string type = file.text(at + 4, 4);
        if (!length || type.size() != 4) {
            return std::nullopt;
        }
        std::uint64_t header = 8;
        std::uint64_t size = *length;
        if (size == 1) {
            const auto large = file.big(at + 8, 8);
            if (!large) {
                return std::nullopt;
            }
            header = 16;
            size = *large;
        }
        if (type == "jp2c") {
            return codeStreamSize(file, at + header);
        }
        if (size < header) {
            return std::nullopt;  // to the end of the file, or broken
        }
        at += size;
    }
    return std::nullopt;
}

// The frame a MNG file declares and the first picture it embeds (PNG or JNG).
std::optional<ImageSize> mngSize(FileBytes& file) {
    std::optional<ImageSize> frame;
    std::uint64_t at = 8;  // the signature
    for (int chunk = 0; chunk < 1024; ++chunk) {
        const auto length = file.big(at, 4);
        const std::string type = file.text(at + 4, 4);
        if (!length || type.size() != 4) {
            return std::nullopt;
        }
        if (type == "MHDR" || type == "IHDR" || type == "JHDR") {
            const auto size = sizeOf(file.big(at + 8, 4), file.big(at + 12, 4));
            if (!size) {
                return std::nullopt;
            }
            if (type == "MHDR") {
                frame = size;
            } else {
                return ImageSize{std::max(size->width, frame ? frame->width : 0),
                                 std::max(size->height, frame ? frame->height : 0)};
            }
        }
        at += 12 + *length;  // length, type, data, check sum
    }
    return std::nullopt;
}

// The bitmap header chunk of an IFF picture.
std::optional<ImageSize> iffSize(FileBytes& file) {
    if (file.text(0, 4) != "FORM") {
        return std::nullopt;
    }
    std::uint64_t at = 12;  // FORM, its length, the form type
    for (int chunk = 0; chunk < 1024; ++chunk) {
        const std::string type = file.text(at, 4);
        const auto length = file.big(at + 4, 4);
        if (!length || type.size() != 4) {
            return std::nullopt;
        }
        if (type == "BMHD") {
            return sizeOf(file.big(at + 8, 2), file.big(at + 10, 2));
        }
        at += 8 + *length + (*length & 1);
    }
    return std::nullopt;
}

// A WBMP's multi-byte integers, as the decoder reads them.
std::optional<ImageSize> wbmpSize(FileBytes& file) {
    std::uint64_t at = 0;
    const auto number = [&]() -> std::optional<std::uint64_t> {
        std::uint64_t value = 0;
        for (int i = 0; i < 5; ++i) {
            const auto byte = file.big(at++, 1);
            if (!byte) {
                return std::nullopt;
            }
            value = value << 7 | (*byte & 0x7F);
            if ((*byte & 0x80) == 0) {
                return value;
            }
        }
        return std::nullopt;
    };
    if (number() != 0) {  // the type
        return std::nullopt;
    }
    const auto fixed = file.big(at++, 1);
    if (!fixed) {
        return std::nullopt;
    }
    for (auto extension = *fixed; (extension & 0x80) != 0;) {
        const auto next = file.big(at++, 1);
        if (!next) {
            return std::nullopt;
        }
        extension = *next;
    }
    const auto width = number();
    return sizeOf(width, number());
}

// The "#define NAME_width" and "_height" lines of an XBM file.
std::optional<ImageSize> xbmSize(FileBytes& file) {
    const std::string text = file.text(0, 64 * 1024);
    long long width = -1;
    long long height = -1;
    for (std::size_t at = text.find("#define"); at != std::string::npos;
         at = text.find("#define", at + 1)) {
        char name[256] = {};
        long long value = 0;
        if (std::sscanf(text.c_str() + at, "#define %255s %lld", name, &value) == 2) {
            const std::string_view defined(name);
            if (defined.ends_with("_width")) {
                width = value;
            } else if (defined.ends_with("_height")) {
                height = value;
            }
        }
    }
    if (width < 0 || height < 0) {
        return std::nullopt;
    }
    return ImageSize{width, height};
}

// The frame a PICT file declares after its 512-byte preamble and picture size.
std::optional<ImageSize> pictSize(FileBytes& file) {
    const auto top = file.big(514, 2);
    const auto left = file.big(516, 2);
    const auto bottom = file.big(518, 2);
    const auto right = file.big(520, 2);
    if (!top || !left || !bottom || !right) {
        return std::nullopt;
    }
    const auto coordinate = [](std::uint64_t v) { return static_cast<std::int16_t>(v); };
    return ImageSize{coordinate(*right) - coordinate(*left),
                     coordinate(*bottom) - coordinate(*top)};
}

// The size that the decoder of a format FreeImage cannot read headers of
// will allocate, from our own reading of its header.
std::optional<ImageSize> ownReading(FREE_IMAGE_FORMAT format, const std::string& path) {
    FileBytes file(path);
    switch (format) {
        case FIF_GIF:
            return gifSize(path);
        case FIF_KOALA:
            return ImageSize{320, 200};  // the format has one size
        case FIF_IFF:
            return iffSize(file);
        case FIF_MNG:
            return mngSize(file);
        case FIF_WBMP:
            return wbmpSize(file);
        case FIF_XBM:
            return xbmSize(file);
        case FIF_DDS:
            return sizeOf(file.little(16, 4), file.little(12, 4));
        case FIF_SGI:
            return sizeOf(file.big(6, 2), file.big(8, 2));
        case FIF_J2K:
            return codeStreamSize(file, 0);
        case FIF_JP2:
            return jp2Size(file);
        case FIF_PICT:
            return pictSize(file);
        default:
            return std::nullopt;
    }
}

}  // namespace

std::string ImageSize::text() const {
    return std::to_string(width) + "x" + std::to_string(height);
}

long long ImageHeader::heldPixels() const {
    // A terabyte holds more than any size the driver takes, and cannot overflow.
    const auto bytes = static_cast<long long>(std::min<std::uintmax_t>(fileBytes, 1ULL << 40));
    return std::min(size.pixels(), bytes * kPixelsPerFileByte);
}

ImageHeader readImageHeader(const std::string& path) {
    ImageHeader header;
    struct stat info {};
    if (stat(path.c_str(), &info) != 0) {
        header.problem = std::strerror(errno);
        return header;
    }
    if (!S_ISREG(info.st_mode)) {
        header.problem = "not a regular file";
        return header;
    }
    // A regular file: opening it cannot block.
    const int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        header.problem = std::strerror(errno);
        return header;
    }
    close(fd);
    header.fileBytes = static_cast<std::uintmax_t>(info.st_size);
    if (header.fileBytes == 0) {
        header.problem = "an empty file";
        return header;
    }
    header.format = FreeImage_GetFileType(path.c_str(), 0);
    if (header.format == FIF_UNKNOWN || !FreeImage_FIFSupportsReading(header.format)) {
        header.problem = "not an image format FreeImage reads";
        return header;
    }
    std::optional<ImageSize> size;
    if (header.format != FIF_GIF && FreeImage_FIFSupportsNoPixels(header.format)) {
        const Bitmap read(FreeImage_Load(header.format, path.c_str(), FIF_LOAD_NOPIXELS));
        if (read) {
            size = ImageSize{FreeImage_GetWidth(read.get()), FreeImage_GetHeight(read.get())};
            header.bitsPerPixel = FreeImage_GetBPP(read.get());
        }
    } else {
        size = ownReading(header.format, path);
    }
    if (!size) {
        header.problem = "its header cannot be read";
        return header;
    }
    header.size = *size;
    return header;
}

ImageSize halved(ImageSize size) {
    return {std::max(size.width / 2, 1LL), std::max(size.height / 2, 1LL)};
}

ImageSize fittedTo(ImageSize size, long long pixels) {
    if (size.pixels() <= pixels) {
        return size;
    }
    const double scale =
        std::sqrt(static_cast<double>(pixels) / static_cast<double>(size.pixels()));
    ImageSize fitted{std::max(1LL, static_cast<long long>(std::floor(size.width * scale + 1e-6))),
                     std::max(1LL, static_cast<long long>(std::floor(size.height * scale + 1e-6)))};
    while (fitted.pixels() > pixels) {
        (fitted.width >= fitted.height ? fitted.width : fitted.height) -= 1;
    }
    return fitted;
}

DecodePlan planDecode(const ImageHeader& header, long long largestSide, const char* limitName) {
    DecodePlan plan;
    const ImageSize size = header.size;
    if (!header.problem.empty()) {
        plan.problem = header.problem;
    } else if (size.width <= 0 || size.height <= 0) {
        plan.problem = "it declares " + size.text() + " pixels";
    } else if (size.width > largestSide || size.height > largestSide) {
        plan.problem = size.text() + " is beyond the driver's " + limitName + ", " +
                       ImageSize{largestSide, largestSide}.text();
    } else if (size.pixels() <= kPixelBudget) {
        plan.target = size;
    } else if (header.heldPixels() < size.pixels()) {
        plan.problem = "it declares " + size.text() + " pixels, more than its " +
                       std::to_string(header.fileBytes) + " bytes can hold";
    } else if (size.pixels() * header.bitsPerPixel / 8 > kMaxDecodeBytes) {
        plan.problem = size.text() + " pixels of " + std::to_string(header.bitsPerPixel) +
                       " bits are too many to decode";
    } else {
        plan.target = fittedTo(size, kPixelBudget);
        plan.scaledToBudget = true;
    }
    return plan;
}

}  // namespace tandril::assets
