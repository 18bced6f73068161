#include "products/boundaryline/boundaryline_indexes.hpp"

#include <algorithm>
#include <cstdint>

#include "mif/format.hpp"
#include "ntf/record.hpp"

namespace quorvel {

namespace {

constexpr std::size_t kIdLength = 6;

std::string_view IdOf(std::string_view text) { return text.substr(0, std::min(text.size(), kIdLength)); }

// The first eight bytes of a text as one number, the first byte highest and
// zeros past a shorter text: two texts whose numbers differ compare as the
// numbers do (bytes compare unsigned, as the texts do); equal numbers leave
// it to the texts.
std::uint64_t PrefixKey(std::string_view text) {
  // Long texts and whole ids (what a search asks for): the bytes loaded at
  // once and swapped, the first byte to the top.
  if (text.size() >= 8) return __builtin_bswap64(LoadLittleEndian<8>(text.data()));
  if (text.size() == kIdLength) return __builtin_bswap64(LoadLittleEndian<kIdLength>(text.data()));
  std::uint64_t key = 0;
  for (std::size_t i = 0; i < 8; ++i)
    key = key << 8 | (i < text.size() ? static_cast<unsigned char>(text[i]) : 0u);
  return key;
}

}  // namespace

std::string_view GeometryIndex::Add(std::string_view text) {
  entries_.push_back({arena_.size(), text.size(), PrefixKey(text)});
  arena_.append(text);
  sealed_ = false;
  return View(entries_.back());
}

void GeometryIndex::Seal() {
  if (sealed_) return;
  sealed_ = true;
  auto less = [this](const Entry& a, const Entry& b) {
    return a.prefix != b.prefix ? a.prefix < b.prefix : View(a) < View(b);
  };
  // Tiles list their geometries in id order as a rule: no sort then.
  if (!std::is_sorted(entries_.begin(), entries_.end(), less)) std::sort(entries_.begin(), entries_.end(), less);
  entries_.erase(std::unique(entries_.begin(), entries_.end(),
                             [this](const Entry& a, const Entry& b) { return View(a) == View(b); }),
                 entries_.end());
  idKeys_.clear();
  allWholeIds_ = true;
  for (const Entry& e : entries_) {
    idKeys_.push_back(e.prefix >> 16);
    if (e.length < kIdLength) allWholeIds_ = false;
  }
}

std::pair<std::size_t, std::size_t> GeometryIndex::Range(std::string_view id) const {
  // Entries sorted by their whole text are sorted by their id too. An id of
  // six characters against a text of six or more compares as the top six
  // bytes of the prefixes.
  const bool wholeId = id.size() == kIdLength;
  const std::uint64_t idKey = PrefixKey(id) >> 16;
  if (wholeId && allWholeIds_) {
    // Every entry has a whole id: the search runs over the packed ids alone.
    auto first = std::lower_bound(idKeys_.begin(), idKeys_.end(), idKey);
    auto last = first;
    while (last != idKeys_.end() && *last == idKey) ++last;
    return {static_cast<std::size_t>(first - idKeys_.begin()), static_cast<std::size_t>(last - idKeys_.begin())};
  }
  auto less = [&](const Entry& e) {
    if (wholeId && e.length >= kIdLength) return (e.prefix >> 16) < idKey;
    return IdOf(View(e)) < id;
  };
  auto equal = [&](const Entry& e) {
    if (wholeId && e.length >= kIdLength) return (e.prefix >> 16) == idKey;
    return IdOf(View(e)) == id;
  };
  auto first = std::partition_point(entries_.begin(), entries_.end(), less);
  auto last = first;
  while (last != entries_.end() && equal(*last)) ++last;
  return {static_cast<std::size_t>(first - entries_.begin()), static_cast<std::size_t>(last - entries_.begin())};
}

void ComplexPolygonIndex::Add(std::string_view polygonId, std::int64_t parts) {
  auto it = counts_.find(polygonId);
  if (it == counts_.end()) {
    counts_.emplace(std::string(polygonId), parts);
    return;
  }
  // The entry that sorts last wins: counts compare as decimal text.
  if (FormatInteger(parts) > FormatInteger(it->second)) it->second = parts;
}

std::int64_t ComplexPolygonIndex::PartsOf(std::string_view polygonId) const {
  auto it = counts_.find(polygonId);
  return it == counts_.end() ? 0 : it->second;
}

void CollectionIndex::Add(std::string_view polygonId, std::string_view attributes) {
  entries_.push_back({std::string(polygonId), std::string(attributes)});
}

void CollectionIndex::Seal() {
  order_.resize(entries_.size());
  for (std::uint32_t i = 0; i < order_.size(); ++i) order_[i] = i;
  std::stable_sort(order_.begin(), order_.end(),
                   [this](std::uint32_t a, std::uint32_t b) { return entries_[a].id < entries_[b].id; });
}

}  // namespace quorvel
