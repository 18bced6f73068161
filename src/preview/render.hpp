// Drawing output sets as MapInfo would show them: pens, brushes, the
// standard symbols and texts, on a white background with the y axis up.
#pragma once

#include <QColor>
#include <QImage>
#include <QPainter>
#include <QPointF>
#include <QSize>
#include <array>
#include <string>
#include <vector>

#include "preview/mif_reader.hpp"

namespace quorvel::preview {

// Which members of the sets are drawn, indexed by Layer.
using LayerMask = std::array<bool, kLayerCount>;
constexpr LayerMask kAllLayers{true, true, true, true};

// Where the world lies on the picture: a world point (x, y) is drawn at
// ((x - left) * scale, (top - y) * scale).
struct Viewport {
  double left = 0, top = 0, scale = 1;
  QPointF ToPixel(double x, double y) const { return {(x - left) * scale, (top - y) * scale}; }
  XY ToWorld(QPointF p) const { return {left + p.x() / scale, top - p.y() / scale}; }
  // The world shown on a picture of this size.
  Extent Visible(QSize size) const;
};

// The extent of every object of the visible layers.
Extent SetsExtent(const std::vector<PreviewSet>& sets, const LayerMask& layers = kAllLayers);

// The view that fits an extent in a picture, with a margin of `margin`
// (a fraction of the picture) on every side.
Viewport FitView(const Extent& extent, QSize size, double margin = 0.04);

// A picture size with `longSide` pixels on its long side and the other
// side from the extent's aspect.
QSize DefaultSize(const Extent& extent, int longSide = 1600);

// MapInfo's colour integer as a Qt colour.
QColor ToQColor(Colour c);

// Draws the sets on a painter whose device shows `view`; objects outside
// the device are skipped. Call Clear first for a white background.
void Draw(QPainter& painter, const std::vector<PreviewSet>& sets, const Viewport& view, QSize size,
          const LayerMask& layers = kAllLayers);

// A white picture of the sets, fitted.
QImage Render(const std::vector<PreviewSet>& sets, QSize size, const LayerMask& layers = kAllLayers);

// Reads the sets and writes their picture as PNG or SVG (by the name's
// ending). An invalid size means DefaultSize. The output is written to a
// temporary file beside it and renamed, so a failed run leaves no half
// picture behind. `error` names the file at fault.
bool WritePicture(const std::vector<std::string>& mifPaths, const std::string& outPath, QSize size,
                  std::string& error);

// The same for sets already read.
bool SavePicture(const std::vector<PreviewSet>& sets, const std::string& outPath, QSize size, std::string& error);

// Makes sure a QGuiApplication exists, for command-line use: without a
// display it runs on the offscreen platform. Returns false when none can
// be made.
bool EnsureGuiApplication();

}  // namespace quorvel::preview
