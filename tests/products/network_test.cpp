#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "ntf/record.hpp"
#include "products/common/network_node.hpp"
#include "support/test_support.hpp"

namespace quorvel {
namespace {

using test::ReadFile;
using test::ScratchDir;

// One link slot of a node record: direction, id, orientation, level.
std::string Link(char dir, const std::string& id, const std::string& orient, char level) {
  return std::string(1, dir) + id + orient + std::string(1, level);
}

std::string Node(const std::string& nodeId, const std::string& ptId, const std::string& count,
                 const std::vector<std::string>& links) {
  std::string r = "16" + nodeId + ptId + count;
  for (const auto& l : links) r += l;
  return r + "0%";
}

class NetworkNodeTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(file_.Create(dir_ / "n_Network.txt")); }

  // Writes the node and returns the row as it stands on disk, without its
  // line end; the row must be complete before the file is closed.
  std::string Write(const std::string& record, const std::string& section = "SX99") {
    const std::size_t before = ReadFile(file_.writtenPath()).size();
    WriteNetworkNode(file_, record, section, buffer_);
    const std::string all = ReadFile(file_.writtenPath());
    EXPECT_GE(all.size(), before + 2);
    EXPECT_EQ(all.substr(all.size() - 2), "\r\n");
    return all.substr(before, all.size() - before - 2);
  }

  ScratchDir dir_;
  OutputFile file_;
  std::string buffer_;
};

TEST_F(NetworkNodeTest, ThreeLinksFillThreeSlotsAndLeaveSixEmpty) {
  const std::string row = Write(Node("000123", "000456", "0003",
                                     {Link('1', "000010", "0900", '0'), Link('2', "000011", "0005", '1'),
                                      Link('1', "000012", "3599", '2')}));
  EXPECT_EQ(std::count(row.begin(), row.end(), ','), 39);
  const auto v = test::SplitRow(row);
  ASSERT_EQ(v.size(), 40u);
  EXPECT_EQ(v[0], "SX99");
  EXPECT_EQ(v[1], "000123");  // leading zeros kept
  EXPECT_EQ(v[2], "000456");
  EXPECT_EQ(v[3], "0003");
  EXPECT_EQ(std::vector<std::string>(v.begin() + 4, v.begin() + 16),
            (std::vector<std::string>{"1", "000010", "90.0", "0", "2", "000011", "0.5", "1", "1", "000012", "359.9",
                                      "2"}));
  for (std::size_t i = 16; i < 40; ++i) EXPECT_EQ(v[i], "") << i;
}

TEST_F(NetworkNodeTest, NoLinksFillsOnlyTheNodeValues) {
  const std::string row = Write(Node("000004", "000003", "0000", {}));
  EXPECT_EQ(row, "SX99,000004,000003,0000" + std::string(36, ','));
}

TEST_F(NetworkNodeTest, AtMostNineLinksAreRead) {
  std::vector<std::string> links;
  for (int k = 1; k <= 12; ++k) {
    std::string id = std::to_string(100000 + k);
    links.push_back(Link(k % 2 ? '1' : '2', id, "0" + std::to_string(100 + k), '0'));
  }
  const std::string row = Write(Node("000001", "000001", "0012", links));
  EXPECT_EQ(std::count(row.begin(), row.end(), ','), 39);
  const auto v = test::SplitRow(row);
  EXPECT_EQ(v[3], "0012");
  EXPECT_EQ(v[36], "1");
  EXPECT_EQ(v[37], "100009");
  EXPECT_EQ(v[38], "10.9");
  EXPECT_EQ(v[39], "0");
  EXPECT_EQ(row.find("100010"), std::string::npos);
}

TEST_F(NetworkNodeTest, BlanksAndCountFormsAreKeptAsTheyStand) {
  // Blank-padded identifiers and count, an empty section reference.
  const std::string row = Write(Node("   123", "  4567", "   1", {Link(' ', " 00010", "  15", ' ')}), "");
  EXPECT_EQ(row, ",   123,  4567,   1, , 00010,1.5, " + std::string(32, ','));
}

TEST_F(NetworkNodeTest, RowsAppendInOrderAndTheBufferIsReused) {
  Write(Node("000001", "000001", "0001", {Link('1', "000002", "0000", '0')}));
  Write(Node("000002", "000002", "0000", {}));
  const auto all = test::CrLfLines(ReadFile(file_.writtenPath()));
  ASSERT_EQ(all.size(), 2u);
  EXPECT_EQ(all[0].substr(0, 12), "SX99,000001,");
  EXPECT_EQ(all[1].substr(0, 12), "SX99,000002,");
}

TEST_F(NetworkNodeTest, ACommaInsideAValueIsQuotedSoTheRowKeepsFortyValues) {
  const std::string row = Write(Node("00,001", "000001", "0000", {}));
  EXPECT_EQ(row, "SX99,\"00,001\",000001,0000" + std::string(36, ','));
}

TEST_F(NetworkNodeTest, UnreadableCountOrOrientationFailsBeforeWriting) {
  const std::vector<std::string> bad = {
      Node("000001", "000001", "00x1", {Link('1', "000002", "0900", '0')}),  // count not an integer
      Node("000001", "000001", "0002", {Link('1', "000002", "0900", '0'), Link('1', "000003", "09z0", '0')}),
      Node("000001", "000001", "0003", {Link('1', "000002", "0900", '0')}),  // links missing: record ends
      "16000001000001",                                                      // cut before the count
  };
  for (const auto& record : bad) {
    EXPECT_THROW(WriteNetworkNode(file_, record, "SX99", buffer_), NtfReadFailure) << record;
  }
  // A link beyond the count is not read, so its orientation may be anything.
  const std::string row =
      Write(Node("000001", "000001", "0001", {Link('1', "000002", "0900", '0'), Link('1', "000003", "xxxx", '0')}));
  EXPECT_EQ(test::SplitRow(row)[6], "90.0");
  EXPECT_EQ(test::CrLfLines(ReadFile(file_.writtenPath())).size(), 1u);
}

TEST(NetworkNode, AFailedWriteStaysInTheFile) {
  OutputFile closed;  // never created: nothing can reach the disk
  std::string buffer;
  WriteNetworkNode(closed, Node("000001", "000001", "0000", {}), "SX99", buffer);
  EXPECT_TRUE(closed.failed());
}

}  // namespace
}  // namespace quorvel
