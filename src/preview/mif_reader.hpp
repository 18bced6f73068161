// Reading an output set back from its MIF/MID files, for drawing it: the
// header, every object with its style clauses, and the MID rows as raw lines.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace quorvel::preview {

// A MapInfo colour: R*65536 + G*256 + B.
using Colour = std::uint32_t;

struct XY {
  double x = 0, y = 0;
};

struct Extent {
  double minX = 0, minY = 0, maxX = 0, maxY = 0;
  bool empty = true;
  void Add(double x, double y);
  void Add(const Extent& other);
  bool Intersects(const Extent& other) const;
};

struct PenStyle {
  int width = 1;
  int pattern = 2;  // 1 none, 2 solid, others dashes and dots
  Colour colour = 0;
};

struct BrushStyle {
  int pattern = 1;  // 1 none, 2 solid, others hatches
  Colour foreground = 0;
  Colour background = 0xFFFFFF;
  bool hasBackground = false;
};

struct SymbolStyle {
  int shape = 35;
  Colour colour = 0;
  int size = 12;  // points
  bool trueType = false;
  std::string font;
  int style = 0;
  double rotation = 0;  // degrees, anticlockwise
};

struct FontStyle {
  std::string name = "Arial";
  int style = 0;
  int size = 0;
  Colour foreground = 0;
  Colour background = 0xFFFFFF;
  bool hasBackground = false;
};

enum class ObjectKind { None, Point, MultiPoint, Line, Pline, Region, Text };

struct MapObject {
  ObjectKind kind = ObjectKind::None;
  // Points of a point or multipoint (one part), sections of a polyline,
  // rings of a region.
  std::vector<std::vector<XY>> parts;
  PenStyle pen;
  BrushStyle brush;
  SymbolStyle symbol;
  FontStyle font;
  std::string text;            // as in the file's character set
  XY boxMin, boxMax;           // a text's box, before its rotation
  double angle = 0;            // a text's angle, degrees anticlockwise
  Extent extent;               // where the object lies (a text's rotated box)
  int line = 0;                // where it starts in the MIF
};

// The members of an output set, in the order they are drawn.
enum class Layer { Polygons = 0, Links = 1, Main = 2, Text = 3 };
constexpr int kLayerCount = 4;
const char* LayerName(Layer layer);

struct PreviewLayer {
  Layer layer = Layer::Main;
  std::string mifPath;
  std::string charset;
  char delimiter = '\t';
  std::vector<std::string> columns;
  std::vector<MapObject> objects;
  std::vector<std::string> rows;  // one MID line per object, undivided
  Extent extent;
};

struct PreviewSet {
  std::string name;  // the main MIF's path
  std::vector<PreviewLayer> layers;
  Extent extent;
};

// Reads one MIF and its MID (a missing MID leaves the rows empty). On
// failure, `error` reads "PATH: line N: reason".
bool ReadLayer(const std::string& mifPath, Layer layer, PreviewLayer& out, std::string& error);

// The same from text already in memory; an empty MID path means there is
// no MID.
bool ParseLayer(std::string_view mif, std::string_view mid, const std::string& mifPath, const std::string& midPath,
                Layer layer, PreviewLayer& out, std::string& error);

// Reads the set named by NAME.mif: NAME.mif, NAME_Text.mif, NAME_poly.mif
// and NAME_pline.mif, those that exist. A member's name (NAME_poly.mif)
// names its whole set too.
bool ReadSet(const std::string& mifPath, PreviewSet& out, std::string& error);

// One MID row split at the delimiter, quoted values unquoted.
std::vector<std::string> SplitRow(std::string_view row, char delimiter);

}  // namespace quorvel::preview
