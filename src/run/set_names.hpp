// The names of an output set's members as a run makes them: the output
// set's naming rule with the pairs the known products declare. The front
// ends and the preview find a set's files through these.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "mif/output_set.hpp"
#include "run/product.hpp"

namespace quorvel {

// Every file a set named `mifName` may hold: the main pair, the text pair,
// the network file and each product's own pairs.
std::vector<SetMember> SetMembers(std::string_view mifName, const ProductRegistry& products);

// The MIF name of the set whose MIF file `mifPath` is: the path itself, or
// the path with the suffix of the text pair or of a product's pair taken off
// (in any letter case), ".mif" kept as written.
std::string SetNameOf(std::string_view mifPath, const ProductRegistry& products);

// The picture of the set named `mifName` drawn beside it: NAME.png.
std::string SetPicturePath(std::string_view mifName);

// The product pair named with `suffix`, or nullptr.
const OutputLayer* FindPair(std::string_view suffix, const ProductRegistry& products);

}  // namespace quorvel
