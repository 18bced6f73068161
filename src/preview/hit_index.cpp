#include "preview/hit_index.hpp"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <tuple>

namespace quorvel::preview {

namespace {

double SegmentDistance(XY p, XY a, XY b) {
  const double dx = b.x - a.x, dy = b.y - a.y;
  const double len2 = dx * dx + dy * dy;
  double t = len2 > 0 ? ((p.x - a.x) * dx + (p.y - a.y) * dy) / len2 : 0;
  t = std::clamp(t, 0.0, 1.0);
  return std::hypot(p.x - (a.x + t * dx), p.y - (a.y + t * dy));
}

double PartDistance(XY p, const std::vector<XY>& pts, bool closed) {
  double best = INFINITY;
  if (pts.size() == 1) return std::hypot(p.x - pts[0].x, p.y - pts[0].y);
  for (std::size_t k = 1; k < pts.size(); ++k) best = std::min(best, SegmentDistance(p, pts[k - 1], pts[k]));
  if (closed && pts.size() > 2) best = std::min(best, SegmentDistance(p, pts.back(), pts.front()));
  return best;
}

// Inside by the odd-even rule over every ring, as the region is filled.
bool Inside(XY p, const std::vector<std::vector<XY>>& rings) {
  bool in = false;
  for (const auto& ring : rings) {
    const std::size_t n = ring.size();
    for (std::size_t k = 0, j = n - 1; k < n; j = k++) {
      const XY a = ring[k], b = ring[j];
      if ((a.y > p.y) != (b.y > p.y) && p.x < (b.x - a.x) * (p.y - a.y) / (b.y - a.y) + a.x) in = !in;
    }
  }
  return in;
}

}  // namespace

bool Touches(const MapObject& o, XY at, double reach, double scale) {
  switch (o.kind) {
    case ObjectKind::None: return false;
    case ObjectKind::Point:
    case ObjectKind::MultiPoint: {
      const double r = reach + std::clamp(o.symbol.size, 1, 240) * (96.0 / 72.0) / 2 / scale;
      for (const XY& q : o.parts.front())
        if (std::hypot(at.x - q.x, at.y - q.y) <= r) return true;
      return false;
    }
    case ObjectKind::Line:
    case ObjectKind::Pline: {
      const double r = reach + std::clamp(o.pen.width, 1, 7) / 2.0 / scale;
      for (const auto& part : o.parts)
        if (PartDistance(at, part, false) <= r) return true;
      return false;
    }
    case ObjectKind::Region:
      if (o.brush.pattern != 1 && Inside(at, o.parts)) return true;
      for (const auto& ring : o.parts)
        if (!ring.empty() && PartDistance(at, ring, true) <= reach) return true;
      return false;
    case ObjectKind::Text: {
      const double r = -o.angle * std::numbers::pi / 180.0, c = std::cos(r), s = std::sin(r);
      const double dx = at.x - o.boxMin.x, dy = at.y - o.boxMin.y;
      const double u = dx * c - dy * s, v = dx * s + dy * c;
      return u >= -reach && v >= -reach && u <= o.boxMax.x - o.boxMin.x + reach && v <= o.boxMax.y - o.boxMin.y + reach;
    }
  }
  return false;
}

void HitIndex::CellRange(double lo, double hi, double origin, double step, int count, int& first, int& last) const {
  first = static_cast<int>(std::clamp(std::floor((lo - origin) / step), 0.0, count - 1.0));
  last = static_cast<int>(std::clamp(std::floor((hi - origin) / step), 0.0, count - 1.0));
}

void HitIndex::Build(const std::vector<PreviewSet>& sets) {
  refs_.clear();
  cells_.clear();
  largestSymbol_ = 0;
  extent_ = SetsExtent(sets);
  std::size_t n = 0;
  for (const PreviewSet& s : sets)
    for (const PreviewLayer& l : s.layers) n += l.objects.size();
  if (extent_.empty) {
    columns_ = rows_ = 0;
    return;
  }
  // About four objects a cell, at most 128 by 128 cells.
  const int side = std::clamp(static_cast<int>(std::sqrt(static_cast<double>(n) / 4)), 1, 128);
  columns_ = rows_ = side;
  cellWidth_ = std::max((extent_.maxX - extent_.minX) / side, 1e-9);
  cellHeight_ = std::max((extent_.maxY - extent_.minY) / side, 1e-9);
  cells_.assign(static_cast<std::size_t>(columns_) * rows_, {});
  for (int si = 0; si < static_cast<int>(sets.size()); ++si)
    for (int li = 0; li < static_cast<int>(sets[si].layers.size()); ++li) {
      const auto& objects = sets[si].layers[li].objects;
      for (int oi = 0; oi < static_cast<int>(objects.size()); ++oi) {
        const Extent& e = objects[oi].extent;
        if (e.empty) continue;
        const MapObject& o = objects[oi];
        if (o.kind == ObjectKind::Point || o.kind == ObjectKind::MultiPoint)
          largestSymbol_ = std::max(largestSymbol_, std::clamp(o.symbol.size, 1, 240));
        const auto ref = static_cast<std::uint32_t>(refs_.size());
        refs_.push_back({si, li, oi});
        int c0, c1, r0, r1;
        CellRange(e.minX, e.maxX, extent_.minX, cellWidth_, columns_, c0, c1);
        CellRange(e.minY, e.maxY, extent_.minY, cellHeight_, rows_, r0, r1);
        for (int r = r0; r <= r1; ++r)
          for (int c = c0; c <= c1; ++c) cells_[static_cast<std::size_t>(r) * columns_ + c].push_back(ref);
      }
    }
}

std::optional<HitRef> HitIndex::At(const std::vector<PreviewSet>& sets, XY at, double scale, const LayerMask& layers,
                                   double tolerance) const {
  if (cells_.empty() || !(scale > 0)) return std::nullopt;
  const double reach = tolerance / scale;
  // A symbol reaches beyond its point's extent by up to its half size, a
  // wide pen by up to half its width.
  const double wide = reach + (std::max(largestSymbol_ * (96.0 / 72.0), 7.0) / 2) / scale;
  if (at.x < extent_.minX - wide || at.x > extent_.maxX + wide || at.y < extent_.minY - wide ||
      at.y > extent_.maxY + wide)
    return std::nullopt;
  int c0, c1, r0, r1;
  CellRange(at.x - wide, at.x + wide, extent_.minX, cellWidth_, columns_, c0, c1);
  CellRange(at.y - wide, at.y + wide, extent_.minY, cellHeight_, rows_, r0, r1);
  std::optional<HitRef> best;
  auto later = [](const HitRef& a, const HitRef& b) {
    return std::tie(a.set, a.layer, a.object) > std::tie(b.set, b.layer, b.object);
  };
  for (int r = r0; r <= r1; ++r)
    for (int c = c0; c <= c1; ++c)
      for (std::uint32_t k : cells_[static_cast<std::size_t>(r) * columns_ + c]) {
        const HitRef& h = refs_[k];
        if (best && !later(h, *best)) continue;
        if (h.set >= static_cast<int>(sets.size())) continue;
        const PreviewLayer& l = sets[h.set].layers[h.layer];
        if (!layers[static_cast<int>(l.layer)]) continue;
        if (Touches(l.objects[h.object], at, reach, scale)) best = h;
      }
  return best;
}

}  // namespace quorvel::preview
