// Decoding image files with FreeImage, for the 2-D textures and for the sky
// faces that SOIL cannot read: whatever FreeImage decodes (16-bit and float
// pictures, HDR, palettes of any depth) comes out as 32-bit pixels in blue,
// green, red, alpha order, bottom row first, at the size asked for.
#pragma once

#include <string>

#include "assets/FreeImageBitmap.h"
#include "assets/ImageHeader.h"

namespace tandril::assets {

// FreeImage_Initialise(FALSE), as every load begins, with FreeImage's messages
// kept for decoderMessage() and libtiff's stray ones silenced.
void beginImageLoad();

// Decodes the file whose header was read as `header` to a 32-bit bitmap of
// `target` size (scaling as it goes); null when FreeImage cannot decode it.
Bitmap decodeToBgra(const std::string& path, const ImageHeader& header, ImageSize target);

// The last message FreeImage gave during the last decodeToBgra; empty when none.
const std::string& decoderMessage();

// The size of a bitmap.
ImageSize bitmapSize(FIBITMAP* image);

}  // namespace tandril::assets
