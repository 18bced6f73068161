#include "mif/output_set.hpp"

#include "mif/format.hpp"
#include "mif/set_commit.hpp"

#include <algorithm>

#include <sys/stat.h>
#include <unistd.h>

namespace quorvel {


std::string MemberPath(std::string_view mifName, std::string_view suffix, std::string_view extension) {
  std::string path(mifName.substr(0, mifName.size() < 4 ? 0 : mifName.size() - 4));
  path.append(suffix);
  path.append(extension);
  return path;
}

std::vector<SetMember> SetMemberNames(std::string_view mifName, std::span<const std::string> pairSuffixes) {
  std::vector<SetMember> members{
      {std::string(mifName), MemberKind::Main, "", 0},
      {MemberPath(mifName, "", ".mid"), MemberKind::Main, "", 0},
      {MemberPath(mifName, kTextSuffix, ".mif"), MemberKind::Text, std::string(kTextSuffix), 0},
      {MemberPath(mifName, kTextSuffix, ".mid"), MemberKind::Text, std::string(kTextSuffix), 0},
      {MemberPath(mifName, kNetworkSuffix, ".txt"), MemberKind::Network, std::string(kNetworkSuffix), 0}};
  for (const std::string& suffix : pairSuffixes) {
    members.push_back({MemberPath(mifName, suffix, ".mif"), MemberKind::Pair, suffix, 0});
    members.push_back({MemberPath(mifName, suffix, ".mid"), MemberKind::Pair, suffix, 0});
  }
  return members;
}

bool MifLayer::Create(const std::string& mifPath, const std::string& midPath) {
  header_.clear();
  headerProduct_.clear();
  objects_ = rows_ = 0;
  return mif.Create(mifPath) && mid.Create(midPath);
}

void MifLayer::WriteHeader(std::string_view block, std::string_view product, int columns) {
  if (!header_.empty()) return;  // the same block heads the file already
  header_ = std::string(block);
  headerProduct_ = std::string(product);
  columns_ = columns;
  mif.Write(block);
}

void MifLayer::WritePoint(std::string_view x, std::string_view y) {
  ++objects_;
  mif.Write("POINT ");
  mif.Write(x);
  mif.Write(' ');
  mif.Write(y);
  mif.EndLine();
}

void MifLayer::WriteNone() {
  ++objects_;
  mif.WriteLine("NONE");
}

bool MifLayer::WritePolyline(std::string_view coordinateLines, std::int64_t count) {
  if (count <= 0) {
    WriteNone();
    return false;
  }
  BeginPolyline(count == 1 ? 2 : count);
  mif.Write(coordinateLines);
  if (count == 1) {
    const std::size_t end = coordinateLines.find("\r\n");
    mif.Write(coordinateLines.substr(0, end == std::string_view::npos ? end : end + 2));
    if (end == std::string_view::npos) mif.EndLine();
  }
  return true;
}

void MifLayer::BeginPolyline(std::int64_t count) {
  ++objects_;
  char* p = mif.Room(6 + kMaxInteger + 2);
  std::memcpy(p, "PLINE ", 6);
  p = WriteInteger(p + 6, count);
  std::memcpy(p, "\r\n", 2);
  mif.Advance(p + 2);
}

void MifLayer::WriteEmptyRow() {
  std::string row(columns_ > 1 ? static_cast<std::size_t>(columns_ - 1) : 0, ',');
  WriteRow(row);
}

void MifLayer::EvenUp() {
  while (objects_ < rows_) WriteNone();
  while (rows_ < objects_) WriteEmptyRow();
}

OutputSet::OutputSet(std::string mifName, TextRouting text, bool withNetwork, std::vector<std::string> extraSuffixes)
    : mifName_(std::move(mifName)),
      textRouting_(text),
      withNetwork_(withNetwork),
      extraSuffixes_(std::move(extraSuffixes)) {}

bool OutputSet::CreateOutputSet(std::string* failedPath) {
  writesEnded_ = false;
  commitFailure_ = {};
  auto fail = [&](const std::string& path) {
    if (failedPath) *failedPath = path;
    DiscardOutputSet();
    return false;
  };
  // The files are made in one go under one lock of their folder.
  const TemporariesLock lock(FolderOfPath(mifName_));
  const std::string networkPath = PathOf(kNetworkSuffix, ".txt");
  if (withNetwork_ && !network.Create(networkPath)) return fail(networkPath);
  if (!main.mif.Create(mifName_)) return fail(mifName_);
  if (!main.mid.Create(PathOf("", ".mid"))) return fail(PathOf("", ".mid"));
  if (textRouting_ == TextRouting::OwnPair) {
    if (!text.mif.Create(PathOf(kTextSuffix, ".mif"))) return fail(PathOf(kTextSuffix, ".mif"));
    if (!text.mid.Create(PathOf(kTextSuffix, ".mid"))) return fail(PathOf(kTextSuffix, ".mid"));
  }
  return true;
}

void OutputSet::HeadNetwork(std::string_view line) {
  if (networkHeaded_ || !network.IsOpen()) return;
  network.WriteLine(line);
  networkHeaded_ = true;
}

MifLayer* OutputSet::OpenLayer(std::string_view suffix, std::string* failedPath) {
  for (const auto& e : extras_)
    if (e->suffix == suffix) return &e->layer;
  auto extra = std::make_unique<Extra>();
  extra->suffix = std::string(suffix);
  const std::string mif = PathOf(suffix, ".mif"), mid = PathOf(suffix, ".mid");
  if (!extra->layer.mif.Create(mif)) {
    if (failedPath) *failedPath = mif;
    failedExtras_.emplace_back(mif, extra->layer.mif.error());
    return nullptr;
  }
  if (!extra->layer.mid.Create(mid)) {
    if (failedPath) *failedPath = mid;
    failedExtras_.emplace_back(mid, extra->layer.mid.error());
    extra->layer.mif.Discard();
    return nullptr;
  }
  extras_.push_back(std::move(extra));
  return &extras_.back()->layer;
}

void OutputSet::EvenUp() {
  if (main.IsOpen()) main.EvenUp();
  if (text.IsOpen()) text.EvenUp();
  for (const auto& e : extras_) e->layer.EvenUp();
}

bool OutputSet::WriteFailed() const {
  bool failed = !commitFailure_.path.empty();
  ForEachFile([&](const OutputFile& f) { failed = failed || f.failed(); });
  return failed;
}

std::string OutputSet::FailureText() const {
  std::string text;
  ForFirstFailure([&](const std::string& path, const std::string& reason) { text = path + ": " + reason; });
  return text;
}

void OutputSet::KeepPair(MifLayer& layer, MemberKind kind, std::string_view suffix, std::vector<OutputFile*>& kept,
                         std::vector<std::string>& stale) {
  if (layer.IsOpen() && layer.Received()) {
    kept.push_back(&layer.mif);
    kept.push_back(&layer.mid);
    committed_.push_back({layer.mif.path(), kind, std::string(suffix), layer.objects()});
    committed_.push_back({layer.mid.path(), kind, std::string(suffix), layer.rows()});
  } else {
    layer.Discard();
    stale.push_back(PathOf(suffix, ".mif"));
    stale.push_back(PathOf(suffix, ".mid"));
  }
}

void OutputSet::SortMembers(std::vector<OutputFile*>& kept, std::vector<std::string>& stale) {
  committed_.clear();
  KeepPair(main, MemberKind::Main, "", kept, stale);
  KeepPair(text, MemberKind::Text, kTextSuffix, kept, stale);
  // The pairs any product of the run may write, in the run's order, then
  // any this set opened that the run did not declare.
  for (const std::string& suffix : extraSuffixes_) {
    Extra* extra = nullptr;
    for (const auto& e : extras_)
      if (e->suffix == suffix) extra = e.get();
    if (extra) KeepPair(extra->layer, MemberKind::Pair, suffix, kept, stale);
    else stale.insert(stale.end(), {PathOf(suffix, ".mif"), PathOf(suffix, ".mid")});
  }
  for (const auto& e : extras_)
    if (std::find(extraSuffixes_.begin(), extraSuffixes_.end(), e->suffix) == extraSuffixes_.end())
      KeepPair(e->layer, MemberKind::Pair, e->suffix, kept, stale);
  if (network.IsOpen() && network.received()) {
    kept.push_back(&network);
    committed_.push_back({network.path(), MemberKind::Network, std::string(kNetworkSuffix), 0});
  } else {
    network.Discard();
    stale.push_back(PathOf(kNetworkSuffix, ".txt"));
  }
}

bool OutputSet::EndWrites() {
  if (!writesEnded_) {
    writesEnded_ = true;
    kept_.clear();
    stale_.clear();
    SortMembers(kept_, stale_);
    // Everything is flushed and closed before anything is put in place, so
    // a late write failure leaves earlier output untouched. The disk writes
    // of every member start before the commit waits for the first.
    for (OutputFile* f : kept_)
      if (!f->EndWrites()) break;
  }
  return !WriteFailed();
}

std::size_t OutputSet::OpenFiles() const {
  std::size_t open = 0;
  ForEachFile([&](const OutputFile& f) { open += f.IsOpen(); });
  return open;
}

SetCommit OutputSet::ToCommit() {
  // The whole set replaces the earlier one, stale members included, or
  // nothing changes.
  SetCommit commit;
  commit.mifName = mifName_;
  commit.mayReplace = mayReplace_;
  for (const OutputFile* f : kept_)
    if (!f->temporary().empty()) commit.entries.push_back({f->path(), f->target(), f->temporary()});
  for (const std::string& path : stale_) commit.entries.push_back({path, path, {}});
  // Every member is on the disk before any is put in place: a member that
  // fails to reach it (a full disk found only at the sync, an I/O error)
  // leaves the whole earlier set as it was.
  commit.sync = [this](bool fileSystemSynced) {
    bool synced = true;
    for (OutputFile* f : kept_) synced = (fileSystemSynced ? f->ConfirmSynced() : f->SyncData()) && synced;
    return synced;
  };
  return commit;
}

bool OutputSet::AfterCommit(const SetCommit& commit) {
  if (commit.committed) {
    for (OutputFile* f : kept_) f->Placed();
    return true;
  }
  if (!commit.failure.path.empty()) commitFailure_ = commit.failure;
  DiscardOutputSet();
  committed_.clear();
  return false;
}

bool OutputSet::CommitOutputSet() {
  OutputSet* self = this;
  return CommitOutputSets(std::span<OutputSet* const>(&self, 1)).front();
}

std::vector<bool> OutputSet::CommitOutputSets(std::span<OutputSet* const> sets) {
  std::vector<bool> placed(sets.size(), false);
  std::vector<SetCommit> batch;
  std::vector<std::size_t> committing;  // the index of each set of the batch
  for (std::size_t i = 0; i < sets.size(); ++i) {
    OutputSet& set = *sets[i];
    if (!set.EndWrites()) {
      set.DiscardOutputSet();
      set.committed_.clear();
    } else if (set.kept_.empty()) {
      // A set that received nothing (every tile skipped) leaves everything
      // on disk as it was.
      set.DiscardOutputSet();
      placed[i] = true;
    } else {
      batch.push_back(set.ToCommit());
      committing.push_back(i);
    }
  }
  if (!batch.empty()) CommitSets(batch);
  for (std::size_t j = 0; j < batch.size(); ++j) placed[committing[j]] = sets[committing[j]]->AfterCommit(batch[j]);
  return placed;
}

std::string OutputSet::CreateError(const std::string& path) const {
  std::string reason;
  ForEachFile([&](const OutputFile& f) {
    if (reason.empty() && f.path() == path) reason = f.error();
  });
  for (const auto& e : failedExtras_)
    if (reason.empty() && e.first == path) reason = e.second;
  return reason;
}

void OutputSet::DiscardOutputSet() {
  main.Discard();
  text.Discard();
  network.Discard();
  for (const auto& e : extras_) e->layer.Discard();
}

}  // namespace quorvel
