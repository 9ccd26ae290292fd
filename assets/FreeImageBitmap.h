// A FreeImage bitmap that unloads itself: the one owner type for every
// FreeImage decode, conversion and allocation in the project.
#pragma once

#include <memory>

#include <FreeImage.h>

namespace tandril::assets {

struct FreeImageDeleter {
    void operator()(FIBITMAP* bitmap) const { FreeImage_Unload(bitmap); }
};
using Bitmap = std::unique_ptr<FIBITMAP, FreeImageDeleter>;

}  // namespace tandril::assets
