// The three indexes a Boundary-Line tile is translated with: link
// geometries by geometry id, complex polygon sizes by member polygon id, and
// collection attribute records by polygon id. All are built for one file and
// searched by id (sorted vectors and a hash map), so a tile with tens of
// thousands of links never goes quadratic.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <exception>
#include <functional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace quorvel {

// Geometry records ("21") of the link block, each kept as the record's text
// from column 3 (so it begins with the six-character geometry id). An id
// stored more than once yields every entry, in ascending order of the stored
// text; an entry identical to one already stored is kept once.
class GeometryIndex {
 public:
  // Returns the stored text; the view holds until the next Add.
  std::string_view Add(std::string_view text);
  // Room for texts of `bytes` in all: what a file's geometries can take at
  // most, so the store is never copied to grow (its pages are only touched
  // as texts are added).
  void Reserve(std::size_t bytes) {
    try {
      arena_.reserve(bytes);
    } catch (const std::exception&) {
      // Only a hint: the store grows as texts come.
    }
  }

  // The entries whose geometry id (their first six characters) equals `id`,
  // in ascending order of their text, through `visit`.
  template <class Visit>
  void ForEach(std::string_view id, Visit&& visit) {
    Seal();
    auto [first, last] = Range(id);
    for (std::size_t i = first; i < last; ++i) visit(View(entries_[i]));
  }

  std::size_t size() {
    Seal();
    return entries_.size();
  }

 private:
  struct Entry {
    std::size_t offset;
    std::size_t length;
    std::uint64_t prefix;  // PrefixKey of the text: most comparisons end on it
  };
  std::string_view View(const Entry& e) const { return std::string_view(arena_).substr(e.offset, e.length); }
  void Seal();
  std::pair<std::size_t, std::size_t> Range(std::string_view id) const;

  std::string arena_;
  std::vector<Entry> entries_;
  bool sealed_ = true;
  // Set by Seal: the geometry id of each entry as the top six bytes of its
  // prefix, and whether every entry has a whole id (six characters or more)
  // for those to stand for.
  std::vector<std::uint64_t> idKeys_;
  bool allWholeIds_ = true;
};

// For every member of every complex polygon record ("33"), the number of
// parts of that complex polygon. When an id is listed more than once, the
// entry that sorts last (the id followed by the decimal count, compared as
// text) gives the count.
class ComplexPolygonIndex {
 public:
  void Add(std::string_view polygonId, std::int64_t parts);
  // The complex polygon's number of parts, or 0 when the id is no member.
  std::int64_t PartsOf(std::string_view polygonId) const;
  std::size_t size() const { return counts_.size(); }

 private:
  struct Hash {
    using is_transparent = void;
    std::size_t operator()(std::string_view s) const { return std::hash<std::string_view>{}(s); }
  };
  std::unordered_map<std::string, std::int64_t, Hash, std::equal_to<>> counts_;
};

// Collection records ("34") in file order, each with the polygon id it
// indexes and the attribute record that follows it. Every entry of a
// polygon is visited in file order, so the last one wins.
class CollectionIndex {
 public:
  void Add(std::string_view polygonId, std::string_view attributes);
  // Sorts the lookup order; call once every entry is in.
  void Seal();

  template <class Visit>
  void ForEach(std::string_view polygonId, Visit&& visit) const {
    auto first = std::lower_bound(order_.begin(), order_.end(), polygonId,
                                  [this](std::uint32_t i, std::string_view id) { return std::string_view(entries_[i].id) < id; });
    for (auto it = first; it != order_.end() && entries_[*it].id == polygonId; ++it) visit(entries_[*it].attributes);
  }

  std::size_t size() const { return entries_.size(); }

 private:
  struct Entry {
    std::string id;
    std::string attributes;  // the whole attribute record
  };
  std::vector<Entry> entries_;
  std::vector<std::uint32_t> order_;  // entries by id, file order within an id
};

}  // namespace quorvel
