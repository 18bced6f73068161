// Reading files back with GDAL's `ogrinfo`, the independent reader of NTF and
// MIF the interoperability suites compare against: layers, features with
// their fields and geometry, and the errors and warnings GDAL reports.
#pragma once

#include <gtest/gtest.h>

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace quorvel::test {

struct GdalField {
  std::string name;
  std::string type;  // as ogrinfo prints it: "Integer", "String", "Real"...
  std::string value;
};

// One coordinate list of a geometry (a line, a ring, a point of a
// multipoint); each vertex holds its coordinates as GDAL prints them.
using GdalVertex = std::vector<std::string>;
using GdalPath = std::vector<GdalVertex>;

struct GdalFeature {
  std::string layer;
  std::vector<GdalField> fields;  // in the order GDAL lists them
  std::string geometry;           // the WKT as printed; empty when there is none

  // The value of the named field, or nullptr when the feature has none.
  const std::string* Field(std::string_view name) const;
  // The WKT up to its coordinates: "POINT", "LINESTRING Z", "MULTIPOLYGON"...
  std::string GeometryType() const;
  // The text between the WKT's outermost parentheses: "1 2,3 4".
  std::string CoordinateText() const;
  // The innermost coordinate lists of the WKT, in order.
  std::vector<GdalPath> Paths() const;
  // The geometry reduced to two dimensions, in WKT of GDAL's formatting:
  // the type without Z or M and every vertex without its third coordinate.
  std::string Wkt2d() const;
};

struct GdalReading {
  int exitCode = -1;
  std::vector<std::string> layers;  // in the order GDAL lists them
  std::vector<GdalFeature> features;
  std::vector<std::string> errors;    // every line of either stream with "ERROR"
  std::vector<std::string> warnings;  // every line of stderr with "Warning"

  // The features of one layer, in order.
  std::vector<const GdalFeature*> InLayer(std::string_view layer) const;
  // The errors, a failed exit and nothing else, one a line; empty when GDAL
  // read the file cleanly.
  std::string Problems() const;
};

// True when `ogrinfo` (Debian gdal-bin) can be run.
bool HaveGdal();
inline constexpr const char* kNeedGdal = "ogrinfo (Debian gdal-bin) is needed; scripts/install-deps installs it";

// Reads `path` with `ogrinfo -ro -al -q`, all layers or only those named.
GdalReading ReadWithGdal(const std::string& path, const std::vector<std::string>& layers = {});
// Parses the output of `ogrinfo -al -q` (stdout and stderr) and its exit code.
GdalReading ParseOgrInfo(const std::string& out, const std::string& err, int exitCode);

// The objects a MIF file's Data section holds: the lines that start one.
std::size_t MifObjectCount(const std::string& mifText);
// The number of columns a MIF file's header declares (0 when none).
std::size_t MifDeclaredColumns(const std::string& mifText);

// GDAL reads the MIF at `path` whole: no error, one feature per object, and
// each feature with every column the header declares.
::testing::AssertionResult GdalReadsMifWhole(const std::string& path);

}  // namespace quorvel::test
