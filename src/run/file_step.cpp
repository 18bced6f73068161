#include "run/file_step.hpp"

#include <vector>

#include "mif/set_commit.hpp"
#include "ntf/record.hpp"
#include "run/messages.hpp"

namespace quorvel {

bool FileStep::LoadNtfFile(const TileInput& tile, const std::string& name, const std::string& spoolFolder,
                           std::uint64_t& bytes) {
  ShowStatus(observer, MessageId::StatusLoading);
  observer.PumpMessages();
  counters.objectsCreated = 0;
  InputError error;
  bool loaded;
  if (tile.InArchive()) {
    // A member too large to hold is spooled beside the set it is written
    // to (where there is room for its output) and read a window at a time.
    MemberSpool spool{spoolFolder, {}};
    std::string text = records.TakeText();  // the last file's memory, read over
    loaded = reader.Read(tile, text, spool, error) &&
             (spool.file.IsOpen() ? records.LoadWindowed(std::move(spool.file), &error)
                                  : records.LoadText(std::move(text), &error));
  } else {
    loaded = records.Load(tile.path, &error);  // mapped, or read over the last file's memory
  }
  bytes = records.bytes();
  std::string reason;
  if (loaded && records.Damaged()) {
    loaded = false;
    reason = Message(MessageId::FileShrankWhileRead).text;
  } else if (!loaded) {
    reason = InputErrorText(error);
  }
  if (!loaded) {
    records.Release();
    ShowFileMessage(observer, MessageId::UnableToOpenNtf, name, {reason});
    observer.PumpMessages();
    return false;
  }
  observer.SetProgressMaximum(records.LinesExpected());
  counters.StartTileBytes(bytes, records.LinesExpected());
  ShowStatus(observer, MessageId::StatusReady);
  return true;
}

FileOutcome FileStep::HeadLayers(const std::string& path, const ProductDescriptor& product, OutputSet& out) {
  struct Heading {
    MifLayer* layer;
    std::string block;
    int columns;
  };
  std::vector<Heading> headings;
  if (product.writesMain) {
    const std::string block = product.HeaderBlock();
    const int columns = static_cast<int>(product.columns.size());
    headings.push_back({&out.main, block, columns});
    if (product.writesText && out.textRouting() == TextRouting::OwnPair && out.text.IsOpen())
      headings.push_back({&out.text, block, columns});
  }
  for (const OutputLayer& layer : product.layers) {
    std::string failed;
    MifLayer* pair = out.OpenLayer(layer.suffix, &failed);
    if (!pair) {
      ShowFileMessage(observer, MessageId::UnableToOpenMif, failed, {out.CreateError(failed)});
      return FileOutcome::LayerFailed;
    }
    headings.push_back({pair, layer.HeaderBlock(), static_cast<int>(layer.columns.size())});
  }
  // A file has one header block: a tile whose block differs from the one
  // already heading a file of the set cannot share it.
  for (const Heading& h : headings) {
    if (!h.layer->Accepts(h.block)) {
      ShowFileMessage(observer, MessageId::HeaderClash, path,
                      {product.nameShown, h.layer->mif.path(), h.layer->headerProduct()});
      return FileOutcome::Skipped;
    }
  }
  for (const Heading& h : headings) h.layer->WriteHeader(h.block, product.nameShown, h.columns);
  return FileOutcome::Translated;
}

FileOutcome FileStep::TranslateNtfFile(const TileInput& tile, OutputSet& out, std::uint64_t& bytes) {
  const std::string path = tile.DisplayName();
  observer.ShowTileStarted(EscapeControls(path));
  counters.StartTileBytes(tile.size, 0);
  if (!LoadNtfFile(tile, path, FolderOfPath(out.mifName()), bytes)) {
    counters.EndTileBytes();
    return FileOutcome::Skipped;
  }
  struct CreditAtEnd {
    RunCounters& c;
    ~CreditAtEnd() { c.EndTileBytes(); }
  } credit{counters};
  productNameShown.clear();
  const std::string_view dbName = records.DatabaseName();
  const ProductDescriptor* product = registry.Recognize(dbName);
  if (!product) {
    ShowFileMessage(observer, MessageId::UnknownProduct, path, {TrimRight(dbName)});
    return FileOutcome::Skipped;
  }
  if (product->refusal) {
    ShowFileMessage(observer, *product->refusal, path);
    return FileOutcome::Skipped;
  }
  if (!product->translate) {
    ShowFileMessage(observer, MessageId::ProductNotTranslated, path, {product->nameShown});
    return FileOutcome::Skipped;
  }

  const FileOutcome headed = HeadLayers(path, *product, out);
  if (headed != FileOutcome::Translated) return headed;
  if (!product->networkHeader.empty()) out.HeadNetwork(product->networkHeader);
  productNameShown = std::string(product->nameShown);
  ShowStatus(observer, MessageId::StatusTranslating, {productNameShown, path});

  FileContext ctx{path, records, out, settings, runUsesTrueTypeSymbols, counters, observer, *product};
  FileOutcome outcome = product->translate(ctx);
  if (records.Damaged() && outcome == FileOutcome::Translated) {
    // Its text read as zeros from some point on and the translator went to
    // the end without a read error: the file ends at one all the same.
    ReportReadError(ctx, records.size());
    outcome = FileOutcome::CutShort;
  }
  // However the tile ended, every object of the set has its row.
  out.EvenUp();
  if (out.WriteFailed()) return FileOutcome::OutputFailed;
  return outcome;
}

}  // namespace quorvel
