// The output set of one translation: the main MIF and MID, the text pair,
// the network file and any further pairs a product writes, all named from
// one MIF name.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <typeindex>
#include <unordered_map>
#include <utility>
#include <vector>

#include "mif/output_file.hpp"
#include "mif/set_commit.hpp"

namespace quorvel {

// The naming rule of an output set. Every member is named from the set's
// MIF name: the name without its last four characters, then the member's
// suffix and extension. The main pair has no suffix; texts in a pair of
// their own are "_Text"; the network file is "_Network.txt"; a product's
// own pairs carry the suffix its descriptor declares.
inline constexpr std::string_view kTextSuffix = "_Text";
inline constexpr std::string_view kNetworkSuffix = "_Network";

// The path of a member of the set named `mifName`: the MIF name without its
// last four characters, then `suffix` and `extension` (".mif", ".mid",
// ".txt").
std::string MemberPath(std::string_view mifName, std::string_view suffix, std::string_view extension);

// What a member of a set is.
enum class MemberKind {
  Main,     // the main pair
  Text,     // the text pair
  Network,  // the network file
  Pair,     // a pair of a product's own
};

// One file of an output set.
struct SetMember {
  std::string path;
  MemberKind kind = MemberKind::Main;
  std::string suffix;          // as in the name: "", "_Text", "_Network", a product's own
  std::int64_t objects = 0;    // a MIF: its objects; a MID: its rows; the network file: 0
  bool IsMif() const { return kind != MemberKind::Network && path.size() >= 4 && path.ends_with(".mif"); }
};

// Every file a set named `mifName` may hold, in this order: the main MIF
// and MID, the text MIF and MID, the network file, then each further pair's
// MIF and MID in the order given.
std::vector<SetMember> SetMemberNames(std::string_view mifName, std::span<const std::string> pairSuffixes);

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
  // "PLINE count" of a polyline of two or more vertices whose coordinate
  // lines the caller writes to `mif` next, counted as an object.
  void BeginPolyline(std::int64_t count);
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

  // Puts both files in place when the MIF received anything; otherwise
  // discards them and reports (false) that the pair holds nothing.
  bool Received() const { return mif.received(); }
  void Discard() {
    mif.Discard();
    mid.Discard();
  }

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

// What an object is, for where it goes.
enum class ObjectKind { Feature, Text };

// Where text objects go: with the other objects, into the text pair
// ("_Text"), or nowhere.
enum class TextRouting { WithObjects, OwnPair, Dropped };

class OutputSet {
 public:
  // `withNetwork`: the set has a network file ("_Network.txt").
  // `extraSuffixes`: every further pair a set of this run may hold; at the
  // set's end, such pairs of earlier output that this set did not write are
  // removed with the rest.
  OutputSet(std::string mifName, TextRouting text, bool withNetwork, std::vector<std::string> extraSuffixes = {});
  OutputSet(const OutputSet&) = delete;
  OutputSet& operator=(const OutputSet&) = delete;

  const std::string& mifName() const { return mifName_; }
  std::string PathOf(std::string_view suffix, std::string_view extension) const {
    return MemberPath(mifName_, suffix, extension);
  }

  // Creates the network file (when the set has one), the main pair and,
  // when texts go to their own pair, the text pair. On failure returns false
  // with `failedPath` set; files created before the failure hold nothing and
  // are removed.
  bool CreateOutputSet(std::string* failedPath = nullptr);

  MifLayer main;
  MifLayer text;
  OutputFile network;

  // Where an object of this kind goes: texts by the routing (nullptr when
  // they are dropped), everything else into the main pair.
  MifLayer* LayerFor(ObjectKind kind) {
    if (kind == ObjectKind::Feature) return &main;
    switch (textRouting_) {
      case TextRouting::WithObjects: return &main;
      case TextRouting::OwnPair: return text.IsOpen() ? &text : &main;
      case TextRouting::Dropped: return nullptr;
    }
    return nullptr;
  }
  TextRouting textRouting() const { return textRouting_; }

  // The network file when the set has one and it is open, else nullptr.
  OutputFile* Network() { return network.IsOpen() ? &network : nullptr; }
  // Writes `line` as the network file's first line, once per set.
  void HeadNetwork(std::string_view line);

  // A further pair named with `suffix` (e.g. "_poly"): created on first use
  // and kept for the set. nullptr, with `failedPath` set, when it cannot be
  // created.
  MifLayer* OpenLayer(std::string_view suffix, std::string* failedPath = nullptr);

  // Pairs every object with a row in every pair of the set (placeholder
  // objects or empty rows).
  void EvenUp();

  // True once any write to any file of the set has failed.
  bool WriteFailed() const;
  // The path and reason of the first failed write or close.
  std::string FailureText() const;
  // Calls `f(path, reason)` for the first failed file, if any.
  template <class F>
  void ForFirstFailure(F f) const {
    const OutputFile* first = nullptr;
    ForEachFile([&](const OutputFile& file) {
      if (!first && file.failed()) first = &file;
    });
    if (first) f(first->path(), first->error());
    else if (!commitFailure_.path.empty()) f(commitFailure_.path, commitFailure_.reason);
  }
  // Whether a member that holds a file when the set is committed may be
  // replaced (by default every one may).
  void SetMayReplace(MayReplace rule) { mayReplace_ = std::move(rule); }

  // Ends the writing: every file that received anything is flushed and its
  // disk writes are started, its buffer let go; the rest are discarded.
  // Nothing more is written to the set: it waits for its commit. Returns
  // false when a write failed (the set is then discarded at its commit).
  bool EndWrites();
  // The files the set holds open: once its writes have ended, those that
  // wait to be put in place.
  std::size_t OpenFiles() const;
  // Ends the set: when no write failed, every file that received anything is
  // put in place of its target, and files of earlier output under the set's
  // names that this set did not write are removed, so the set on disk is this
  // run's whole output; all of it at once or nothing (see set_commit.hpp).
  // Returns false (nothing of earlier output touched, the files written
  // removed) if a write, close, sync or rename failed, or the rule of
  // SetMayReplace refused a member.
  bool CommitOutputSet();
  // Commits several sets as one batch, sharing their syncs: each as
  // CommitOutputSet would, whole or not at all, one that fails or is
  // refused leaving the others to commit. Says for each whether it was put
  // in place.
  static std::vector<bool> CommitOutputSets(std::span<OutputSet* const> sets);
  // Ends the set without putting anything in place (a stop, a failure).
  void DiscardOutputSet();
  // Why the file at `path` (as reported by a failed create) could not be made.
  std::string CreateError(const std::string& path) const;

  // The files the last successful CommitOutputSet put in place, with their
  // objects, in the order they were put in place.
  const std::vector<SetMember>& committed() const { return committed_; }

  template <class T>
  T& Carried() {
    auto& slot = carried_[std::type_index(typeid(T))];
    if (!slot) slot = std::make_unique<T>();
    return static_cast<T&>(*slot);
  }

 private:
  struct Extra {
    std::string suffix;
    MifLayer layer;
  };
  template <class F>
  void ForEachFile(F f) const;
  // The files that received anything, each with its member's name and
  // count; the names of the rest, to be removed as stale once the set is
  // in place.
  void SortMembers(std::vector<OutputFile*>& kept, std::vector<std::string>& stale);
  void KeepPair(MifLayer& layer, MemberKind kind, std::string_view suffix, std::vector<OutputFile*>& kept,
                std::vector<std::string>& stale);
  // What the set brings to a batch's commit, once its writes have ended.
  SetCommit ToCommit();
  // After the batch's commit: the kept files in place, or all discarded.
  bool AfterCommit(const SetCommit& commit);

  std::string mifName_;
  TextRouting textRouting_;
  bool withNetwork_;
  std::vector<std::string> extraSuffixes_;
  bool networkHeaded_ = false;
  std::vector<std::unique_ptr<Extra>> extras_;
  std::vector<std::pair<std::string, std::string>> failedExtras_;  // path, reason
  std::vector<SetMember> committed_;
  bool writesEnded_ = false;
  std::vector<OutputFile*> kept_;   // once the writes have ended: the files to put in place
  std::vector<std::string> stale_;  // and the names of earlier output to remove
  MayReplace mayReplace_;
  CommitFailure commitFailure_;  // a commit that could not be made whole
  std::unordered_map<std::type_index, std::unique_ptr<CarriedState>> carried_;
};

template <class F>
inline void OutputSet::ForEachFile(F f) const {
  f(main.mif);
  f(main.mid);
  f(text.mif);
  f(text.mid);
  f(network);
  for (const auto& e : extras_) {
    f(e->layer.mif);
    f(e->layer.mid);
  }
}

}  // namespace quorvel
