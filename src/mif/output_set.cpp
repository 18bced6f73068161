#include "mif/output_set.hpp"

#include "mif/format.hpp"

namespace quorvel {

std::string MemberPath(std::string_view mifName, std::string_view suffix, std::string_view extension) {
  std::string path(mifName.substr(0, mifName.size() < 4 ? 0 : mifName.size() - 4));
  path.append(suffix);
  path.append(extension);
  return path;
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
  ++objects_;
  std::string head = "PLINE ";
  AppendInteger(head, count == 1 ? 2 : count);
  mif.WriteLine(head);
  mif.Write(coordinateLines);
  if (count == 1) {
    const std::size_t end = coordinateLines.find("\r\n");
    mif.Write(coordinateLines.substr(0, end == std::string_view::npos ? end : end + 2));
    if (end == std::string_view::npos) mif.EndLine();
  }
  return true;
}

void MifLayer::WriteEmptyRow() {
  std::string row(columns_ > 1 ? static_cast<std::size_t>(columns_ - 1) : 0, ',');
  WriteRow(row);
}

void MifLayer::EvenUp() {
  while (objects_ < rows_) WriteNone();
  while (rows_ < objects_) WriteEmptyRow();
}

bool MifLayer::Close() {
  bool ok = mif.Close();
  ok = mid.Close() && ok;
  return ok;
}

bool MifLayer::CloseOrDeleteIfEmpty() {
  if (!mif.IsOpen() && !mid.IsOpen()) return !mif.failed() && !mid.failed();
  if (!mif.received()) {
    mif.Remove();
    mid.Remove();
    return true;
  }
  return Close();
}

OutputSet::OutputSet(std::string mifName, TextRouting text, bool withNetwork)
    : mifName_(std::move(mifName)), textRouting_(text), withNetwork_(withNetwork) {}

bool OutputSet::CreateOutputSet(std::string* failedPath) {
  auto fail = [&](const std::string& path) {
    if (failedPath) *failedPath = path;
    // Nothing has been written yet: leave no empty files behind.
    main.mif.Remove();
    main.mid.Remove();
    text.mif.Remove();
    text.mid.Remove();
    network.Remove();
    return false;
  };
  if (withNetwork_ && !network.Create(PathOf("_Network", ".txt"))) return fail(PathOf("_Network", ".txt"));
  if (!main.mif.Create(mifName_)) return fail(mifName_);
  if (!main.mid.Create(PathOf("", ".mid"))) return fail(PathOf("", ".mid"));
  if (textRouting_ == TextRouting::OwnPair) {
    if (!text.mif.Create(PathOf("_Text", ".mif"))) return fail(PathOf("_Text", ".mif"));
    if (!text.mid.Create(PathOf("_Text", ".mid"))) return fail(PathOf("_Text", ".mid"));
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
    return nullptr;
  }
  if (!extra->layer.mid.Create(mid)) {
    if (failedPath) *failedPath = mid;
    extra->layer.mif.Remove();
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
  bool failed = false;
  ForEachFile([&](const OutputFile& f) { failed = failed || f.failed(); });
  return failed;
}

std::string OutputSet::FailureText() const {
  std::string text;
  ForEachFile([&](const OutputFile& f) {
    if (text.empty() && f.failed()) text = f.path() + ": " + f.error();
  });
  return text;
}

bool OutputSet::CloseOutputSet() {
  bool ok = main.CloseOrDeleteIfEmpty();
  ok = text.CloseOrDeleteIfEmpty() && ok;
  for (const auto& e : extras_) ok = e->layer.CloseOrDeleteIfEmpty() && ok;
  if (network.IsOpen()) {
    if (!network.received()) network.Remove();
    else ok = network.Close() && ok;
  }
  return ok;
}

}  // namespace quorvel
