#include "mif/output_set.hpp"

#include "mif/format.hpp"

namespace quorvel {

OutputNames FormOutputNames(std::string_view mifName) {
  std::string base(mifName.substr(0, mifName.size() < 4 ? 0 : mifName.size() - 4));
  OutputNames n;
  n.mif = std::string(mifName);
  n.mid = base + ".mid";
  n.textMif = base + "_Text.mif";
  n.textMid = base + "_Text" + ".mid";
  n.network = base + "_Network.txt";
  n.polyMif = base + "_poly.mif";
  n.plineMif = base + "_pline.mif";
  n.polyMid = base + "_poly.mid";
  n.plineMid = base + "_pline.mid";
  return n;
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

OutputSet::OutputSet(std::string mifName) : mifName_(std::move(mifName)), names_(FormOutputNames(mifName_)) {}

bool OutputSet::CreateOutputSet(bool separateText, bool withNetwork, std::string* failedPath) {
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
  if (withNetwork && !network.Create(names_.network)) return fail(names_.network);
  if (!main.mif.Create(names_.mif)) return fail(names_.mif);
  if (!main.mid.Create(names_.mid)) return fail(names_.mid);
  if (separateText) {
    if (!text.mif.Create(names_.textMif)) return fail(names_.textMif);
    if (!text.mid.Create(names_.textMid)) return fail(names_.textMid);
  }
  return true;
}

bool OutputSet::CreateBoundaryLineFiles(std::string* failedPath) {
  if (poly.IsOpen() && pline.IsOpen()) return true;
  const std::string* paths[] = {&names_.polyMif, &names_.polyMid, &names_.plineMif, &names_.plineMid};
  OutputFile* files[] = {&poly.mif, &poly.mid, &pline.mif, &pline.mid};
  for (int i = 0; i < 4; ++i) {
    if (!files[i]->Create(*paths[i])) {
      if (failedPath) *failedPath = *paths[i];
      return false;
    }
  }
  return true;
}

std::array<const OutputFile*, 9> OutputSet::Files() const {
  return {&main.mif, &main.mid, &text.mif, &text.mid, &network, &poly.mif, &poly.mid, &pline.mif, &pline.mid};
}

bool OutputSet::WriteFailed() const {
  for (const OutputFile* f : Files())
    if (f->failed()) return true;
  return false;
}

std::string OutputSet::FailureText() const {
  for (const OutputFile* f : Files())
    if (f->failed()) return f->path() + ": " + f->error();
  return {};
}

bool OutputSet::CloseOutputSet() {
  bool ok = main.CloseOrDeleteIfEmpty();
  ok = text.CloseOrDeleteIfEmpty() && ok;
  ok = poly.CloseOrDeleteIfEmpty() && ok;
  ok = pline.CloseOrDeleteIfEmpty() && ok;
  if (network.IsOpen()) {
    if (!network.received()) network.Remove();
    else ok = network.Close() && ok;
  }
  return ok;
}

}  // namespace quorvel
