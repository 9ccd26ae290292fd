#include "assets/ImageDecode.h"

#include <dlfcn.h>

#include <algorithm>
#include <cmath>
#include <cstdarg>
#include <optional>

#include "assets/RegularFile.h"

namespace tandril::assets {
namespace {

std::string lastMessage;

void keepMessage(FREE_IMAGE_FORMAT, const char* message) {
    lastMessage = message != nullptr ? message : "";
}

// FreeImage, as Debian 12 builds it against libtiff 4.5, lets libtiff write
// "Internal error, unknown tag" to standard error for some sixty tags of every
// TIFF file it reads. FreeImage means libtiff's messages to stay silent (it
// reports through its own), so its handlers are cleared where FreeImage loaded
// libtiff; nothing happens when it is not there.
void silenceLibtiff() {
    using Handler = void (*)(const char*, const char*, va_list);
    using SetHandler = Handler (*)(Handler);
    for (const char* name : {"TIFFSetErrorHandler", "TIFFSetWarningHandler"}) {
        if (const auto set = reinterpret_cast<SetHandler>(dlsym(RTLD_DEFAULT, name))) {
            set(nullptr);
        }
    }
}

std::uint32_t littleEndian(const std::string& bytes, std::size_t at) {
    std::uint32_t value = 0;
    for (int i = 3; i >= 0; --i) {
        value = value << 8 | static_cast<unsigned char>(bytes[at + i]);
    }
    return value;
}

// FreeImage 3.18 as Debian 12 builds it refuses a run-length encoded BMP whose
// last row ends with an end-of-line code before the end-of-bitmap code, though
// that is how writers end one (FreeImage's own among them). Without that one
// code the stream describes the same picture, and FreeImage decodes it.
Bitmap loadRunLengthBmp(const std::string& path, const ImageHeader& header) {
    std::optional<std::string> bmp = readRegularFile(path, header.fileBytes);
    if (!bmp || bmp->size() < 54 || bmp->compare(0, 2, "BM") != 0) {
        return nullptr;
    }
    const std::uint32_t compression = littleEndian(*bmp, 30);
    const auto height = static_cast<std::int32_t>(littleEndian(*bmp, 22));
    if ((compression != 1 && compression != 2) || height <= 0) {  // RLE8, RLE4, bottom-up
        return nullptr;
    }
    bool changed = false;
    long long row = 0;
    for (std::size_t at = littleEndian(*bmp, 10); at + 1 < bmp->size();) {
        const auto count = static_cast<unsigned char>((*bmp)[at]);
        const auto code = static_cast<unsigned char>((*bmp)[at + 1]);
        if (count != 0) {  // a run of one value
            at += 2;
        } else if (code == 0) {  // end of line
            if (row == height - 1) {
                bmp->erase(at, 2);
                changed = true;
                break;
            }
            ++row;
            at += 2;
        } else if (code == 1) {  // end of bitmap
            break;
        } else if (code == 2) {  // move right and up
            row += at + 3 < bmp->size() ? static_cast<unsigned char>((*bmp)[at + 3]) : 0;
            at += 4;
        } else {  // literal pixels, padded to a whole word
            const std::size_t bytes = compression == 1 ? code : (code + 1u) / 2;
            at += 2 + bytes + (bytes & 1);
        }
    }
    if (!changed) {
        return nullptr;
    }
    FIMEMORY* memory =
        FreeImage_OpenMemory(reinterpret_cast<BYTE*>(bmp->data()), static_cast<DWORD>(bmp->size()));
    Bitmap decoded(FreeImage_LoadFromMemory(FIF_BMP, memory, 0));
    FreeImage_CloseMemory(memory);
    return decoded;
}

Bitmap load(const std::string& path, const ImageHeader& header, ImageSize target) {
    int flags = 0;
    if (header.format == FIF_JPEG && !(target == header.size)) {
        // The JPEG decoder scales by a half, quarter or eighth as it goes,
        // never below the size given here in the upper bits.
        flags = static_cast<int>(std::max(target.width, target.height)) << 16;
    }
    Bitmap decoded(FreeImage_Load(header.format, path.c_str(), flags));
    if (!decoded && header.format == FIF_BMP) {
        decoded = loadRunLengthBmp(path, header);
    }
    return decoded;
}

// Float colour (Radiance HDR, float TIFF, OpenEXR): 0 to 1 becomes 0 to 255,
// brighter values are clipped. The files do not say whether they hold linear
// light or values already encoded for display (ImageMagick writes the latter),
// so none is assumed; clipping keeps the picture's own contrast.
Bitmap fromFloatColour(FIBITMAP* image) {
    const unsigned width = FreeImage_GetWidth(image);
    const unsigned height = FreeImage_GetHeight(image);
    Bitmap out(FreeImage_Allocate(static_cast<int>(width), static_cast<int>(height), 32));
    if (!out) {
        return nullptr;
    }
    const auto byte = [](float value) {
        if (!(value > 0.0f)) {  // NaN too
            return BYTE{0};
        }
        return value >= 1.0f ? BYTE{255} : static_cast<BYTE>(std::lround(value * 255));
    };
    const bool withAlpha = FreeImage_GetImageType(image) == FIT_RGBAF;
    const int channels = withAlpha ? 4 : 3;
    for (unsigned y = 0; y < height; ++y) {
        const auto* from = reinterpret_cast<const float*>(FreeImage_GetScanLine(image, y));
        BYTE* to = FreeImage_GetScanLine(out.get(), y);
        for (unsigned x = 0; x < width; ++x, from += channels, to += 4) {
            to[FI_RGBA_RED] = byte(from[0]);
            to[FI_RGBA_GREEN] = byte(from[1]);
            to[FI_RGBA_BLUE] = byte(from[2]);
            to[FI_RGBA_ALPHA] = withAlpha ? byte(from[3]) : 255;
        }
    }
    return out;
}

// A bitmap that FreeImage_ConvertTo32Bits and FreeImage_Rescale take: 16-bit
// grey keeps its high byte, float colour is clipped to 0 to 1, other grey
// types (float height maps) are stretched from their lowest to their highest
// value.
Bitmap standardType(Bitmap image) {
    switch (FreeImage_GetImageType(image.get())) {
        case FIT_BITMAP:
        case FIT_RGB16:
        case FIT_RGBA16:
            return image;
        case FIT_RGBF:
        case FIT_RGBAF:
            return fromFloatColour(image.get());
        case FIT_UINT16:
            return Bitmap(FreeImage_ConvertTo8Bits(image.get()));
        default:
            return Bitmap(FreeImage_ConvertToStandardType(image.get(), TRUE));
    }
}

}  // namespace

void beginImageLoad() {
    FreeImage_Initialise(FALSE);
    FreeImage_SetOutputMessage(keepMessage);
    static const bool silenced = (silenceLibtiff(), true);
    (void)silenced;
}

const std::string& decoderMessage() {
    return lastMessage;
}

ImageSize bitmapSize(FIBITMAP* image) {
    return {FreeImage_GetWidth(image), FreeImage_GetHeight(image)};
}

Bitmap decodeToBgra(const std::string& path, const ImageHeader& header, ImageSize target) {
    lastMessage.clear();
    Bitmap image = load(path, header, target);
    if (image) {
        image = standardType(std::move(image));
    }
    if (image && !(bitmapSize(image.get()) == target)) {
        image = Bitmap(FreeImage_Rescale(image.get(), static_cast<int>(target.width),
                                         static_cast<int>(target.height), FILTER_BILINEAR));
    }
    return image ? Bitmap(FreeImage_ConvertTo32Bits(image.get())) : nullptr;
}

}  // namespace tandril::assets
