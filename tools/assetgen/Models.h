// One function per shipped model. Coordinates are model units; each function
// says how the scene places its model and so what a unit is in metres.
#pragma once

#include "Mesh.h"

namespace tandril::assetgen {

Mesh makeCube();
Mesh makeStreet();
Mesh makeStreetLamp();
Mesh makeHouseRow();
Mesh makeCar();

}  // namespace tandril::assetgen
