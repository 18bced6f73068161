#include "products/common/network_node.hpp"

#include <cstdint>

#include "mif/format.hpp"
#include "ntf/record.hpp"

namespace quorvel {

void WriteNetworkNode(OutputFile& network, std::string_view record, std::string_view sectionRef,
                      std::string& rowBuffer) {
  const std::string_view numLinks = Field(record, 15, 4);
  std::int64_t links = 0;
  if (!TryToInteger(numLinks, links)) throw NtfReadFailure("node link count is not an integer");

  std::string& row = rowBuffer;
  row.clear();
  AppendMidValue(row, sectionRef);
  row.push_back(',');
  AppendMidValue(row, Field(record, 3, 6));
  row.push_back(',');
  AppendMidValue(row, Field(record, 9, 6));
  row.push_back(',');
  AppendMidValue(row, numLinks);

  for (int k = 1; k <= kNetworkLinkSlots; ++k) {
    if (links < k) {
      row.append(",,,,");
      continue;
    }
    const std::size_t b = 19 + 12 * static_cast<std::size_t>(k - 1);
    double tenths = 0;
    if (!TryToReal(Field(record, b + 7, 4), tenths)) throw NtfReadFailure("link orientation is not a number");
    row.push_back(',');
    AppendMidValue(row, Field(record, b, 1));
    row.push_back(',');
    AppendMidValue(row, Field(record, b + 1, 6));
    row.push_back(',');
    AppendFixed(row, tenths / 10, 1);
    row.push_back(',');
    AppendMidValue(row, Field(record, b + 11, 1));
  }

  network.WriteLine(row);
  network.Flush();
}

}  // namespace quorvel
