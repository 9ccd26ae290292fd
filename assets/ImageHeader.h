// What an image file declares, read without decoding its pixels, and the
// budget that decides whether it is decoded and at what size: the one place
// where the 2-D textures and the sky faces bound what a file may cost.
#pragma once

#include <cstdint>
#include <string>

#include <FreeImage.h>

namespace tandril::assets {

// The most pixels one 2-D texture or one sky face is made of: 8192 x 8192,
// 256 MiB in 32 bits. Larger real pictures are scaled down to it.
inline constexpr long long kBudgetSide = 8192;
inline constexpr long long kPixelBudget = kBudgetSide * kBudgetSide;

struct ImageSize {
    long long width = 0;
    long long height = 0;

    long long pixels() const { return width * height; }
    bool operator==(const ImageSize&) const = default;
    // "WIDTHxHEIGHT"
    std::string text() const;
};

struct ImageHeader {
    FREE_IMAGE_FORMAT format = FIF_UNKNOWN;
    ImageSize size;  // as the file declares it
    // Of the bitmap the decoder allocates; 32 where only our own reader saw
    // the header.
    unsigned bitsPerPixel = 32;
    std::uintmax_t fileBytes = 0;
    // Why the file cannot be decoded at all; empty when it can.
    std::string problem;

    // The most pixels the file's bytes can really describe: a header can
    // declare any size, but no common codec packs more than about a thousand
    // pixels into one byte (deflate's limit, for 8-bit pixels).
    long long heldPixels() const;
};

// The header of `path`, read only from a regular file that can be opened, of
// a format that FreeImage decodes: through FreeImage where it reads headers
// alone, through a reader of our own for the formats where it cannot.
ImageHeader readImageHeader(const std::string& path);

// At what size an image is decoded: as the file declares it, or scaled down
// to the pixel budget when it is larger and its file holds enough bytes to be
// a real picture of that size. `largestSide` is the driver's limit, which
// `limitName` names for the reason ("largest texture").
struct DecodePlan {
    ImageSize target;
    bool scaledToBudget = false;
    // Why it is not decoded at all; empty when it is.
    std::string problem;
};
DecodePlan planDecode(const ImageHeader& header, long long largestSide, const char* limitName);

// Half the size on each side, at least 1.
ImageSize halved(ImageSize size);

// The size with at most `pixels` pixels and the same proportions as `size`
// (each side at least 1).
ImageSize fittedTo(ImageSize size, long long pixels);

}  // namespace tandril::assets
