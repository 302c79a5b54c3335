#pragma once

// The whole-map picture at 32 pixels per tile, drawn by the map renderer (terrain, units and
// sprites; no creep, fog, circles, grids or locations) and its JPEG export. The picture is made in
// horizontal bands handed on as they are finished, so a 256 x 256 map (8192 x 8192 pixels)
// never needs the whole picture in memory; the bands join into exactly the picture a single
// render would give.

#include "app/GameData.h"
#include "base/Result.h"
#include "scenario/CCHKFile.h"

#include <cstdint>
#include <functional>
#include <string>

namespace orv {

// Renders the picture band by band: `sink(firstRow, rows, pixels)` receives rows of
// width x 32 pixels (0x00RRGGBB) each.
void RenderMapBands(const TCHK& chk, const CStarcraftTileset& tileset, const TGameData& data, int bandRows,
                    const std::function<void(int firstRow, int rows, const std::uint32_t* pixels)>& sink);

// Writes the picture as a JPEG (quality 90, baseline, colour), whatever the file name's
// extension. The file is written beside the target and renamed, so a failure leaves nothing
// half-written under the name.
Status ExportMapImage(const TCHK& chk, const CStarcraftTileset& tileset, const TGameData& data,
                      const std::string& path);

} // namespace orv
