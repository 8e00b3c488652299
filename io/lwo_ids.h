// Chunk and type IDs of LightWave object files (the polygon, map and tag IDs the host also uses
// are in api/host_api.h).
#pragma once

#include "api/host_api.h"

namespace zelkor::io::lwo {

constexpr LWID kLwo2 = LWID_('L', 'W', 'O', '2');
constexpr LWID kLwob = LWID_('L', 'W', 'O', 'B');
constexpr LWID kLwlo = LWID_('L', 'W', 'L', 'O');
constexpr LWID kLwo3 = LWID_('L', 'W', 'O', '3');
constexpr LWID kForm = LWID_('F', 'O', 'R', 'M');

constexpr LWID kTags = LWID_('T', 'A', 'G', 'S');
constexpr LWID kLayr = LWID_('L', 'A', 'Y', 'R');
constexpr LWID kPnts = LWID_('P', 'N', 'T', 'S');
constexpr LWID kBbox = LWID_('B', 'B', 'O', 'X');
constexpr LWID kVmpa = LWID_('V', 'M', 'P', 'A');
constexpr LWID kVmap = LWID_('V', 'M', 'A', 'P');
constexpr LWID kVmad = LWID_('V', 'M', 'A', 'D');
constexpr LWID kPols = LWID_('P', 'O', 'L', 'S');
constexpr LWID kPtag = LWID_('P', 'T', 'A', 'G');
constexpr LWID kSurf = LWID_('S', 'U', 'R', 'F');
constexpr LWID kEnvl = LWID_('E', 'N', 'V', 'L');
constexpr LWID kClip = LWID_('C', 'L', 'I', 'P');

// LWOB only.
constexpr LWID kSrfs = LWID_('S', 'R', 'F', 'S');
constexpr LWID kPchs = LWID_('P', 'C', 'H', 'S');
constexpr LWID kCrvs = LWID_('C', 'R', 'V', 'S');

// Vertex map types with a fixed dimension (besides those in host_api.h).
constexpr LWID kMapRgb = LWID_('R', 'G', 'B', ' ');
constexpr LWID kMapRgba = LWID_('R', 'G', 'B', 'A');
constexpr LWID kMapPick = LWID_('P', 'I', 'C', 'K');
constexpr LWID kMapNorm = LWID_('N', 'O', 'R', 'M');

// The most vertices the 10-bit count of a POLS record holds.
constexpr std::uint32_t kMaxPolygonVertices = 1023;
// The largest index a VX can hold.
constexpr std::uint32_t kMaxIndex = 0xFFFFFF;

}  // namespace zelkor::io::lwo
