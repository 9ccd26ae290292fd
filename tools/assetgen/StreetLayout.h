// The street's cross-section and the picture that dresses it.
//
// The street is one mesh with one picture, "asphalt.jpg", which the two
// lamps share. The picture holds the street's surfaces side by side: each
// band is a strip of columns that repeats along the street (texture v), and
// each part of the street's cross-section maps its width onto one band.
// Bands whose parts meet in the street also meet in the picture, west to
// east, and repeat over the same length, so that the mapping runs on without
// a seam from the forecourts over the pavement, the kerb and the road to the
// flush kerb of the square on the far side.
//
// World metres throughout; x across the street (the moving cars drive along
// x = 0 toward -z), y up.
#pragma once

namespace tandril::assetgen::street {

// The cross-section.
inline constexpr float kHalfRoad = 4.0f;       // the kerbs' road edges at x = -4 and +4
inline constexpr float kKerbHeight = 0.12f;    // house side; the far side is flush
inline constexpr float kKerbWidth = 0.14f;     // top of a kerb stone
inline constexpr float kKerbRounding = 0.01f;  // the stone's edge, and its foot at the road
inline constexpr float kEdgeLineInset = 0.3f;  // edge lines' centres from the kerb
inline constexpr float kLineWidth = 0.12f;
inline constexpr float kDashLength = 3.2f;  // of the centre line, once per kRoad.period
inline constexpr float kBayWidth = 2.5f;
// The parked car stands across the bays' middle at z = -100; the lines lie
// half a bay either side of it, so v is counted from this z.
inline constexpr float kBayLineZ = -98.75f;
inline constexpr float kParkingFromZ = -106.25f;  // five bays
inline constexpr float kParkingToZ = -93.75f;

// Along the street, every band that meets another repeats over this length.
inline constexpr float kRepeat = 9.6f;

inline constexpr int kAtlasWidth = 4096;
inline constexpr int kAtlasHeight = 1024;

struct Band {
    int first;     // first column
    int end;       // one past the last column
    float width;   // metres across that the columns hold
    float period;  // metres along the street per repeat of the picture's height
};

// Granite setts of the forecourts and the square beyond the far pavement.
inline constexpr Band kSetts{0, 1024, 9.6f, kRepeat};
// Concrete slabs, 0.6 m square, of the pavements.
inline constexpr Band kSlabs{1024, 1408, 4.8f, kRepeat};
// The house-side kerb: its top, then its face down to the road.
inline constexpr Band kKerbTop{1408, 1448, kKerbWidth, kRepeat};
inline constexpr Band kKerbFace{1448, 1472, kKerbHeight - 1.5f * kKerbRounding, kRepeat};
// The carriageway from kerb to kerb, with its markings.
inline constexpr Band kRoad{1472, 3520, 2.0f * kHalfRoad, kRepeat};
// On the far side the square lies level with the road, behind a flush kerb.
inline constexpr Band kFlushKerb{3520, 3560, kKerbWidth, kRepeat};
// Dark paint of the lamp posts; plain across, so their wrapped coordinates
// may be squeezed into it.
inline constexpr Band kLampPaint{3560, 3608, 1.0f, kRepeat};
// Parking bays square to the kerb, one every 2.5 m.
inline constexpr Band kParking{3608, 4096, 4.8f, 10.0f};

}  // namespace tandril::assetgen::street
