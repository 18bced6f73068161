#include "run/file_step.hpp"

#include "ntf/record.hpp"

namespace quorvel {

namespace {

constexpr std::string_view kLoading = "Loading file.........please wait - this may take several seconds";

constexpr std::string_view kNetworkHeader =
    "TILE_NAME,NODE_ID,PT_ID,NUM_LINKS,L1_DIR,L1_ID,L1_OR,L1_LEVEL,L2_DIR,L2_ID,L2_OR,L2_LEVEL,L3_DIR,L3_ID,L3_OR,"
    "L3_LEVEL,L4_DIR,L4_ID,L4_OR,L4_LEVEL,L5_DIR,L5_ID,L5_OR,L5_LEVEL,L6_DIR,L6_ID,L6_OR,LINK6_LEVEL,L7_DIR,L7_ID,"
    "L7_OR,L7_LEVEL,L8_DIR,L8_ID,L8_OR,L8_LEVEL,L9_DIR,L9_ID,L9_OR,L9_LEVEL";

}  // namespace

std::string MifNameFor(const std::string& ntfPath) {
  return ntfPath.substr(0, ntfPath.size() < 4 ? 0 : ntfPath.size() - 4) + ".mif";
}

bool FileStep::LoadNTFFile(const std::string& path) {
  observer.ShowStatus(kLoading);
  observer.PumpMessages();
  counters.ObjectsCreated = 0;
  if (!records.Load(path)) {
    records.Release();
    observer.ShowMessage(MessageKind::Error, "Unable to open NTF file: " + path);
    observer.PumpMessages();
    return false;
  }
  observer.SetProgressMaximum(records.size());
  observer.ShowStatus("Ready:");
  return true;
}

FileOutcome FileStep::TranslateNTFFile(const std::string& path, OutputSet& out) {
  if (!LoadNTFFile(path)) return FileOutcome::Skipped;
  productNameShown.clear();
  const std::string_view dbName = records.DatabaseName();
  const ProductDescriptor* product = RecognizeProduct(dbName);
  if (!product) {
    observer.ShowMessage(MessageKind::Warning, "Not translated: " + path + " is not a product this version knows (database name \"" +
                                                    std::string(TrimRight(dbName)) + "\").");
    return FileOutcome::Skipped;
  }
  if (product->refused) {
    observer.ShowMessage(MessageKind::Information, product->refusal);
    return FileOutcome::Skipped;
  }
  if (!product->translate) {
    observer.ShowMessage(MessageKind::Error,
                          "Not translated: " + path + " holds " + std::string(product->nameShown) +
                              " data, which this version does not translate yet.");
    return FileOutcome::Skipped;
  }

  const bool textHeader = product->textPair == TextPairUse::WritesHeader && settings.SeparateText && out.text.IsOpen();
  std::string block;
  if (!product->ownFiles) {
    // A file has one header block: a tile whose block differs from the one
    // already heading a file of the set cannot share it.
    block = product->HeaderBlock();
    MifLayer* clash = nullptr;
    if (!out.main.Accepts(block)) clash = &out.main;
    else if (textHeader && !out.text.Accepts(block)) clash = &out.text;
    if (clash) {
      observer.ShowMessage(MessageKind::Error, "Not translated: " + path + " holds " + std::string(product->nameShown) +
                                                    " data, but " + clash->mif.path() + " already holds " +
                                                    clash->headerProduct() + " data.");
      return FileOutcome::Skipped;
    }
  }

  if (product->writesNetwork && settings.ExtractNetworkData && out.network.IsOpen() && !out.networkHeaderWritten) {
    out.network.WriteLine(kNetworkHeader);
    out.networkHeaderWritten = true;
  }
  productNameShown = std::string(product->nameShown);
  observer.ShowStatus("Translating " + productNameShown + " tile " + path);
  if (!product->ownFiles) {
    const int columns = static_cast<int>(product->columns.size());
    out.main.WriteHeader(block, product->nameShown, columns);
    if (textHeader) out.text.WriteHeader(block, product->nameShown, columns);
  }
  if (product->textPair == TextPairUse::Deletes) out.DeleteTextPair();

  FileContext ctx{path, records, out, settings, runUsesTrueTypeSymbols, counters, observer, *product};
  return product->translate(ctx);
}

}  // namespace quorvel
