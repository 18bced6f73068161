// Vertex lines made by one byte shuffle each, against the same lines put
// together a part at a time.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "products/common/vertex_lines.hpp"

using namespace quorvel;

namespace {

std::string DigitsOf(const OriginDigits& o) {
  char digits[8];
  std::memcpy(digits, &o.word, 8);
  return std::string(digits, o.size);
}

// The line of one vertex from its fields, a part at a time.
std::string LineOf(const OriginDigits& x, const OriginDigits& y, std::string_view fields, std::size_t width,
                   std::size_t decimals) {
  const auto field = [&](std::string_view f) {
    std::string s(f);
    if (decimals > 0) s.insert(width - decimals, ".");
    return s;
  };
  return DigitsOf(x) + field(fields.substr(0, width)) + " " + DigitsOf(y) + field(fields.substr(width, width)) +
         "\r\n";
}

// Origins of one to five digits on each side, fields of Land-Line's kind
// (six digits, two decimals) and Meridian's (five, none), records of 1 to
// 30 vertices with a byte between them: every line as put together by
// hand, the last one ending exactly at the end of the record's memory (a
// read past it would be seen by AddressSanitizer).
TEST(VertexLines, EveryLineAsItsPartsPutTogether) {
  std::uint64_t state = 7;
  const auto next = [&state](std::uint64_t bound) {
    state = state * 6364136223846793005ULL + 1442695040888963407ULL;
    return (state >> 33) % bound;
  };
  const std::int64_t origins[] = {10000, 530000, 1230000, 98760000, 999990000};  // 1 to 5 digits after the step
  for (const auto& [width, decimals] : {std::pair<std::size_t, std::size_t>{6, 2}, {5, 0}}) {
    for (std::int64_t ox : origins) {
      for (std::int64_t oy : origins) {
        const OriginDigits x(ox, 10000, 100000), y(oy, 10000, 100000);
        ASSERT_TRUE(x.usable() && y.usable());
        const VertexLines lines(x, y, static_cast<int>(width), static_cast<int>(decimals));
        if (!lines.usable()) GTEST_SKIP() << "no byte shuffle on this processor";
        const std::size_t stride = 2 * width + 1;
        for (std::size_t n = 1; n <= 30; n += 7) {
          // The look-behind before the first vertex, then the vertices.
          std::string record(lines.lookBehind(), 'H');
          std::string expected;
          for (std::size_t v = 0; v < n; ++v) {
            std::string fields;
            for (std::size_t k = 0; k < 2 * width; ++k) fields.push_back(static_cast<char>('0' + next(10)));
            expected += LineOf(x, y, fields, width, decimals);
            record += fields;
            if (v + 1 < n) record.push_back(' ');
          }
          const std::vector<char> memory(record.begin(), record.end());  // nothing after the last field
          const char* fields = memory.data() + lines.lookBehind();
          ASSERT_TRUE(lines.AllDigits(fields, n, stride));
          std::vector<char> out(n * lines.length() + VertexLines::kMaxLength, '#');
          const char* end = lines.Write(out.data(), fields, n, stride);
          EXPECT_EQ(std::string(static_cast<const char*>(out.data()), end), expected) << ox << " " << oy << " " << n;
          EXPECT_EQ(static_cast<std::size_t>(end - out.data()), n * lines.length());
          std::vector<char> checked(out.size(), '#');
          end = lines.WriteIfDigits(checked.data(), fields, n, stride);
          ASSERT_NE(end, nullptr);
          EXPECT_EQ(std::string(static_cast<const char*>(checked.data()), end), expected);
        }
      }
    }
  }
}

// Without origins (Boundary-Line's eight digits, one decimal), forwards and
// backwards (a negative stride from the last vertex): the fields as they
// stand, in the order asked for.
TEST(VertexLines, FieldsAloneForwardsAndBackwards) {
  const VertexLines lines(8, 1);
  if (!lines.usable()) GTEST_SKIP() << "no byte shuffle on this processor";
  EXPECT_EQ(lines.length(), 21u);
  EXPECT_EQ(lines.lookBehind(), 0u);
  const std::vector<std::string> vertices = {"1234567876543210", "0000000199999999", "5555555544444444"};
  std::string record;
  for (const std::string& v : vertices) record += v + "#";
  const std::vector<char> memory(record.begin(), record.end() - 1);  // ends with the last field
  const std::string forwards = "1234567.8 7654321.0\r\n0000000.1 9999999.9\r\n5555555.5 4444444.4\r\n";
  const std::string backwards = "5555555.5 4444444.4\r\n0000000.1 9999999.9\r\n1234567.8 7654321.0\r\n";
  std::vector<char> out(3 * 21 + VertexLines::kMaxLength);
  ASSERT_TRUE(lines.AllDigits(memory.data(), 3, 17));
  EXPECT_EQ(std::string(out.data(), lines.Write(out.data(), memory.data(), 3, 17)), forwards);
  const char* last = memory.data() + 2 * 17;
  ASSERT_TRUE(lines.AllDigits(last, 3, -17));
  EXPECT_EQ(std::string(out.data(), lines.Write(out.data(), last, 3, -17)), backwards);
  std::vector<char> spoiled = memory;
  spoiled[17 + 15] = ' ';
  EXPECT_FALSE(lines.AllDigits(spoiled.data() + 2 * 17, 3, -17));
}

// A byte that is no digit anywhere in any vertex's fields fails the check,
// alone or while writing (the neighbours of '0' and '9', a blank, a sign, a high byte); bytes before
// the first field or between vertices do not.
TEST(VertexLines, AllDigitsLooksAtEveryFieldByteAndNoOther) {
  const OriginDigits x(530000, 10000, 100000), y(180000, 10000, 100000);
  const VertexLines lines(x, y, 6, 2);
  if (!lines.usable()) GTEST_SKIP() << "no byte shuffle on this processor";
  std::string record = "ABCD";
  for (int v = 0; v < 3; ++v) record += (v == 0 ? "" : "%") + std::string("123456789012");
  const char* fields = record.data() + 4;
  EXPECT_TRUE(lines.AllDigits(fields, 3, 13));
  char written[3 * 32 + VertexLines::kMaxLength];
  EXPECT_NE(lines.WriteIfDigits(written, fields, 3, 13), nullptr);
  for (std::size_t v = 0; v < 3; ++v) {
    for (std::size_t k = 0; k < 12; ++k) {
      for (char bad : {'/', ':', ' ', '-', '\x80', '\xb9'}) {
        std::string spoiled = record;
        spoiled[4 + 13 * v + k] = bad;
        EXPECT_FALSE(lines.AllDigits(spoiled.data() + 4, 3, 13)) << v << " " << k << " " << int(bad);
        char out[3 * 32 + VertexLines::kMaxLength];
        EXPECT_EQ(lines.WriteIfDigits(out, spoiled.data() + 4, 3, 13), nullptr) << v << " " << k;
      }
    }
  }
}

// Origins that are not whole steps, or too many digits for one line, leave
// the lines to the general way.
TEST(VertexLines, NotUsableWithoutOriginDigitsOrRoom) {
  EXPECT_FALSE(VertexLines(OriginDigits(), OriginDigits(530000, 10000, 100000), 6, 2).usable());
  EXPECT_FALSE(VertexLines(OriginDigits(530000, 10000, 100000), OriginDigits(530001, 10000, 100000), 6, 2).usable());
  const OriginDigits eight(1234567800000, 100000, 100000000);  // eight digits
  ASSERT_TRUE(eight.usable());
  EXPECT_FALSE(VertexLines(eight, eight, 6, 2).usable());  // 8 + 8 + 17 bytes: more than two blocks
  EXPECT_FALSE(VertexLines(eight, eight, 9, 0).usable());  // wider than the 16 bytes read
}

}  // namespace
