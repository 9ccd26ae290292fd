// The street's cross-section and the picture that dresses it.
//
// The street is one mesh with one picture, "asphalt.jpg", which the two
// lamps share. The picture holds the street's surfaces side by side in bands
// of columns that repeat along the street (texture v). The street's top
// carries one coordinate across, the section coordinate s = x - y in metres
// (across the top, and down the kerb's face), so that the top is one flat
// part at each level: the driver shades the pixels along every long
// triangle edge once for each triangle.
//
// From the house side's slabs to the far side's paving the surfaces lie in
// one run of columns at one density, in the order they meet in the street,
// so the street program reads the run straight from s, and the picture's
// coordinates change smoothly wherever two surfaces meet. Only the setts
// beyond either end of the run and the bays beside the parked car are looked
// up on their own.
//
// World metres throughout; x across the street (the moving cars drive along
// x = 0 toward -z), y up.
#pragma once

namespace tandril::assetgen::street {

// The cross-section.
inline constexpr float kHalfRoad = 4.0f;       // the kerbs' road edges at x = -4 and +4
inline constexpr float kKerbHeight = 0.12f;    // house side; the far side is flush
inline constexpr float kKerbWidth = 0.14f;     // top of a kerb stone
inline constexpr float kEdgeLineInset = 0.3f;  // edge lines' centres from the kerb
inline constexpr float kLineWidth = 0.12f;
inline constexpr float kDashLength = 3.2f;  // of the centre line, once per kRepeat
inline constexpr float kBayWidth = 2.5f;
// Along the street, every band but the bays repeats over this length.
inline constexpr float kRepeat = 9.6f;

inline constexpr int kAtlasWidth = 4096;
inline constexpr int kAtlasHeight = 1024;

// The surfaces across the street in the section coordinate: the road from
// kerb face to kerb face, the house side west of it, the far side east of
// it.
inline constexpr float kSlabsWidth = 4.8f;  // concrete slabs 0.6 m square
inline constexpr float kKerbTopWidth = kKerbWidth;
inline constexpr float kKerbFaceWidth = kKerbHeight;
inline constexpr float kRoadFrom = -kHalfRoad;
inline constexpr float kKerbFaceFrom = kRoadFrom - kKerbFaceWidth;
inline constexpr float kKerbTopFrom = kKerbFaceFrom - kKerbTopWidth;
inline constexpr float kSlabsFrom = kKerbTopFrom - kSlabsWidth;
inline constexpr float kFlushKerbFrom = kHalfRoad;
inline constexpr float kFarPavingFrom = kFlushKerbFrom + kKerbWidth;  // slabs, or the bays
inline constexpr float kFarSettsFrom = kFarPavingFrom + kSlabsWidth;

struct Band {
    int first;     // first column
    int end;       // one past the last column
    float width;   // metres across that the columns hold
    float period;  // metres along the street per repeat of the picture's height
};

// The run from the slabs to the far setts. The two bands of setts, which the
// street reads to and fro, each lie within one texel of every mipmap level
// above their own size, so that far off, where those levels are read, a
// turn of the setts does not reach into another texel and stripe the
// ground: both start at a multiple of their width, and the run between them
// has as many columns.
inline constexpr int kRunFirst = 512;
inline constexpr int kRunColumns = 2048;
inline constexpr float kRunColumnsPerMetre =
    static_cast<float>(kRunColumns) / (kFarSettsFrom - kSlabsFrom);
// Granite setts of the forecourts and the square beyond the far pavement,
// read to and fro across: each repeat mirrors the one before. The house
// side's meet the run's first column with their last; the far side's, a
// copy, begin where the run ends.
inline constexpr Band kSetts{0, kRunFirst, 4.8f, kRepeat};
inline constexpr Band kFarSetts{kRunFirst + kRunColumns, kRunFirst + kRunColumns + 512, 4.8f,
                                kRepeat};
static_assert(kSetts.first % 512 == 0 && kFarSetts.first % 512 == 0);
// Dark paint of the lamp posts; plain across, so their wrapped coordinates
// may be squeezed into it.
inline constexpr Band kLampPaint{3072, 3120, 1.0f, kRepeat};
// Parking bays square to the kerb, one every 2.5 m, in place of the far
// paving beside the parked car, at the run's density.
inline constexpr Band kParking{3120, 3666, 546.0f / kRunColumnsPerMetre, 10.0f};
// The parked car stands across the bays' middle at z = -100; the lines lie
// half a bay either side of it, so their v is counted from this z.
inline constexpr float kBayLineZ = -98.75f;
inline constexpr float kParkingFromZ = -106.25f;  // five bays
inline constexpr float kParkingToZ = -93.75f;
// The picture's last columns mirror the setts' first, which they meet when
// the picture repeats, so that a far view's mipmaps of the setts keep to them.
inline constexpr int kSettsMirrorFirst = kParking.end;

}  // namespace tandril::assetgen::street
