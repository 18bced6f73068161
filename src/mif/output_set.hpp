// The output set of one translation: the main MIF and MID, the text pair,
// the network file and the Boundary-Line polygon and link pairs, all named
// from one MIF name.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <typeindex>
#include <unordered_map>
#include <vector>

#include "mif/output_file.hpp"

namespace quorvel {

struct OutputNames {
  std::string mif, mid;
  std::string textMif, textMid;
  std::string network;
  std::string polyMif, polyMid;
  std::string plineMif, plineMid;
};

// The base name is the MIF name without its last four characters, whatever
// they are.
OutputNames FormOutputNames(std::string_view mifName);

// A MIF file with the MID file beside it. It counts the objects and rows
// written, so the two can be evened up with placeholders, and remembers the
// header block that heads it and which product wrote it.
class MifLayer {
 public:
  OutputFile mif;
  OutputFile mid;

  bool Create(const std::string& mifPath, const std::string& midPath);
  bool IsOpen() const { return mif.IsOpen(); }
  bool HasHeader() const { return !header_.empty(); }
  const std::string& header() const { return header_; }
  const std::string& headerProduct() const { return headerProduct_; }
  // True when the layer can take objects under this header block: it has no
  // header yet, or the very same one.
  bool Accepts(std::string_view block) const { return header_.empty() || header_ == block; }
  // Writes the block unless the same block already heads the file. The
  // caller has checked Accepts. `columns` is the number of MID values a row
  // holds.
  void WriteHeader(std::string_view block, std::string_view product, int columns);
  int columns() const { return columns_; }

  // Counts one object; the caller writes its lines.
  void BeginObject() { ++objects_; }
  // "POINT x y" on one line, counted as an object.
  void WritePoint(std::string_view x, std::string_view y);
  // The placeholder object "NONE".
  void WriteNone();
  // A polyline of `count` vertices from its coordinate lines, each ended by
  // CR LF, counted as an object. A line of one vertex is no line to a
  // reader: it is written "PLINE 2" with the vertex twice. A line of no
  // vertices is the placeholder "NONE"; then false is returned, and no style
  // line may follow.
  bool WritePolyline(std::string_view coordinateLines, std::int64_t count);
  // One MID row.
  void WriteRow(std::string_view row) {
    mid.WriteLine(row);
    ++rows_;
  }
  // Counts rows the caller has written to `mid` itself, each ended by CR LF.
  void CountRows(std::size_t n) { rows_ += static_cast<std::int64_t>(n); }
  // A row of empty values (columns - 1 commas).
  void WriteEmptyRow();
  // Writes placeholder objects or empty rows until objects and rows agree.
  void EvenUp();

  std::int64_t objects() const { return objects_; }
  std::int64_t rows() const { return rows_; }

  bool Close();   // closes both; false if either failed
  // Closes the pair and deletes both files if the MIF received nothing.
  // Returns false if a close failed.
  bool CloseOrDeleteIfEmpty();

 private:
  std::string header_;
  std::string headerProduct_;
  int columns_ = 0;
  std::int64_t objects_ = 0;
  std::int64_t rows_ = 0;
};

// State a translator carries from one tile to the next within one output
// set (last style, text offsets and the like). Every output set starts from
// the program-start values, so a tile gives the same bytes whatever was
// translated before it in another set.
struct CarriedState {
  virtual ~CarriedState() = default;
};

class OutputSet {
 public:
  explicit OutputSet(std::string mifName);
  OutputSet(const OutputSet&) = delete;
  OutputSet& operator=(const OutputSet&) = delete;

  const std::string& mifName() const { return mifName_; }
  const OutputNames& names() const { return names_; }

  // Creates the main pair, the text pair when `separateText` and the network
  // file when `network`. On failure returns false with `failedPath` set;
  // files created before the failure hold nothing and are removed.
  bool CreateOutputSet(bool separateText, bool network, std::string* failedPath = nullptr);

  MifLayer main;
  MifLayer text;
  OutputFile network;
  bool networkHeaderWritten = false;

  // The Boundary-Line pairs, created on first use and kept for the set.
  MifLayer poly;
  MifLayer pline;
  bool CreateBoundaryLineFiles(std::string* failedPath = nullptr);

  // Text objects go to the text pair when it is open, otherwise to the
  // main pair.
  MifLayer& TextLayer() { return text.IsOpen() ? text : main; }

  // The text pair is removed at close when no tile wrote into it, so a text
  // pair that holds texts of an earlier tile of the set is never lost.
  void DeleteTextPair() {}

  // True once any write to any file of the set has failed.
  bool WriteFailed() const;
  // The path and reason of the first failed write or close.
  std::string FailureText() const;

  // Flushes and closes every open file; MIF files (with their MID) and the
  // network file that received nothing are deleted. Returns false if any
  // close failed.
  bool CloseOutputSet();

  template <class T>
  T& Carried() {
    auto& slot = carried_[std::type_index(typeid(T))];
    if (!slot) slot = std::make_unique<T>();
    return static_cast<T&>(*slot);
  }

 private:
  std::array<const OutputFile*, 9> Files() const;

  std::string mifName_;
  OutputNames names_;
  std::unordered_map<std::type_index, std::unique_ptr<CarriedState>> carried_;
};

}  // namespace quorvel
