// The network file ("_Network.txt"): one comma-separated row per road network
// node record ("16") of Meridian 2 and Strategi tiles, under one header line
// that the run writes once per output set.
#pragma once

#include <string>
#include <string_view>

#include "mif/output_file.hpp"

namespace quorvel {

// The network file's header line.
inline constexpr std::string_view kNetworkHeader =
    "TILE_NAME,NODE_ID,PT_ID,NUM_LINKS,L1_DIR,L1_ID,L1_OR,L1_LEVEL,L2_DIR,L2_ID,L2_OR,L2_LEVEL,L3_DIR,L3_ID,L3_OR,"
    "L3_LEVEL,L4_DIR,L4_ID,L4_OR,L4_LEVEL,L5_DIR,L5_ID,L5_OR,L5_LEVEL,L6_DIR,L6_ID,L6_OR,LINK6_LEVEL,L7_DIR,L7_ID,"
    "L7_OR,L7_LEVEL,L8_DIR,L8_ID,L8_OR,L8_LEVEL,L9_DIR,L9_ID,L9_OR,L9_LEVEL";

// At most this many link slots are read from a node record and written.
inline constexpr int kNetworkLinkSlots = 9;
// Values in a node row: tile name, node id, point id, link count, then four
// per link slot.
inline constexpr int kNetworkRowValues = 4 + 4 * kNetworkLinkSlots;

// Appends the row of one joined node record ("16") to `network` and flushes
// it, so the row is complete on disk when this returns. `sectionRef` is the
// tile's section reference (the first value). `rowBuffer` is the caller's
// scratch string, reused from node to node.
//
// Row: TILE_NAME, NODE_ID (3-8), PT_ID (9-14), NUM_LINKS (15-18), then for
// links 1 to 9 the direction, link id, orientation (tenths of a degree,
// written in degrees with one decimal) and level from column 19 + 12 (k - 1);
// a slot beyond the node's link count is four empty values. Raw values are
// written as they stand (a value holding a comma or a double quote is quoted
// so the row keeps its 40 values).
//
// Throws NtfReadFailure, before anything is written, when the link count is
// not an integer or the orientation of a present link is not a number. A
// failed write is left in `network` (OutputFile::failed), as for every file.
void WriteNetworkNode(OutputFile& network, std::string_view record, std::string_view sectionRef,
                      std::string& rowBuffer);

}  // namespace quorvel
