// The reader of `ogrinfo` output the GDAL comparisons rest on: if it missed a
// field, a geometry or an error, those suites would compare less than they
// claim to.
#include <gtest/gtest.h>

#include "support/gdal_reader.hpp"
#include "support/test_support.hpp"

using namespace quorvel::test;

namespace {

const char* const kOut =
    "INFO: Open of `t.mif'\n"
    "\n"
    "Layer name: first\n"
    "OGRFeature(first):1\n"
    "  Name (String) = a (String) = b\n"
    "  Width (Real(12.3)) = 1.500\n"
    "  Flag (Integer(Boolean)) = 1\n"
    "  Style = PEN(w:1px)\n"
    "  LINESTRING Z (1 2 3,4.5 6 7)\n"
    "\n"
    "OGRFeature(first):2\n"
    "  Name (String) = (null)\n"
    "  MULTIPOLYGON (((0 0,1 0,0 0)),((5 5,6 5,5 5),(7 7,8 7,7 7)))\n"
    "\n"
    "Layer name: second\n"
    "OGRFeature(second):7\n"
    "  POINT_ID (Integer) = 4\n"
    "  POINT EMPTY\n";

TEST(GdalReader, ReadsLayersFieldsAndGeometries) {
  const GdalReading r = ParseOgrInfo(kOut, "", 0);
  EXPECT_EQ(r.layers, (std::vector<std::string>{"first", "second"}));
  ASSERT_EQ(r.features.size(), 3u);
  EXPECT_EQ(r.InLayer("first").size(), 2u);
  EXPECT_EQ(r.Problems(), "");

  // A field's name runs to its type; a width counts as part of the type, a
  // subtype does not make a field; a style is no field.
  const GdalFeature& line = r.features[0];
  ASSERT_EQ(line.fields.size(), 2u);
  EXPECT_EQ(line.fields[0].name, "Name");
  EXPECT_EQ(line.fields[0].value, "a (String) = b");
  EXPECT_EQ(line.fields[1].type, "Real(12.3)");
  ASSERT_NE(line.Field("Width"), nullptr);
  EXPECT_EQ(*line.Field("Width"), "1.500");
  EXPECT_EQ(line.Field("Style"), nullptr);
  EXPECT_EQ(line.GeometryType(), "LINESTRING Z");
  EXPECT_EQ(line.CoordinateText(), "1 2 3,4.5 6 7");
  EXPECT_EQ(line.Wkt2d(), "LINESTRING (1 2,4.5 6)");
  EXPECT_EQ(line.Paths(), (std::vector<GdalPath>{{{"1", "2", "3"}, {"4.5", "6", "7"}}}));

  const GdalFeature& polygons = r.features[1];
  EXPECT_EQ(*polygons.Field("Name"), "(null)");
  EXPECT_EQ(polygons.GeometryType(), "MULTIPOLYGON");
  EXPECT_EQ(polygons.Paths().size(), 3u);
  EXPECT_EQ(polygons.Wkt2d(), polygons.geometry);

  const GdalFeature& empty = r.features[2];
  EXPECT_EQ(empty.layer, "second");
  EXPECT_EQ(*empty.Field("POINT_ID"), "4");
  EXPECT_EQ(empty.GeometryType(), "POINT");
  EXPECT_TRUE(empty.Paths().empty());
}

TEST(GdalReader, CollectsErrorsWarningsAndAFailedExit) {
  const GdalReading r =
      ParseOgrInfo("", "Warning 1: odd header\nERROR 1: Attempt to read beyond\ntype `21' record.\n", 1);
  EXPECT_EQ(r.warnings, (std::vector<std::string>{"Warning 1: odd header"}));
  EXPECT_EQ(r.Problems(), "ERROR 1: Attempt to read beyond\nogrinfo exit 1\n");
  EXPECT_TRUE(r.features.empty());
}

TEST(GdalReader, MifObjectsAndColumns) {
  const std::string mif = Ntf({"Version 300", "Columns 2", "  A Char(3)", "  B Integer", "Data", "Point 1 2", "Pline 2",
                               "1 2", "3 4", "NONE", "Text", "\"PLINE\"", "Region 1"});
  EXPECT_EQ(MifObjectCount(mif), 5u);
  EXPECT_EQ(MifDeclaredColumns(mif), 2u);
  EXPECT_EQ(MifObjectCount(Ntf({"POINT 1 2"})), 0u);  // nothing before the Data line counts
}

}  // namespace
