// The run driver: its three modes, names, counters, status texts, messages,
// product recognition and the handling of failed files.
#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <set>
#include <unistd.h>

#include "products/registry.hpp"
#include "run/run.hpp"
#include "support/test_support.hpp"

using namespace quorvel;
using test::Ntf;

namespace {

// A Code-Point tile of `points` points (one "15", "21" and "14" each).
std::string CodePointTile(int points, bool withEnd = true, std::string database = "CODE_POINT_1999.01  ") {
  std::string s = Ntf({"01VOLUME0%", "02" + database + "0%", "07SK12      0%"});
  for (int i = 1; i <= points; ++i) {
    const std::string n = std::to_string(1000000 + i).substr(1);
    s += Ntf({"15" + n + "0%", "21" + n + "10001" + "04" + n.substr(1) + "03" + n.substr(1) + " 0%",
              "14" + n + "PCAB1 2CDPQ10LS10%"});
  }
  if (withEnd) s += "99\r\n";
  return s;
}

struct Fixture : ::testing::Test {
  test::ScratchDir dir;
  TranslationSettings settings;
  test::RecordingObserver observer;
  bool merge = true;

  std::string Tile(const std::string& name, const std::string& text) {
    const std::string path = dir / name;
    test::WriteFile(path, text);
    return path;
  }
  RunResult Run(std::vector<std::string> files, std::string mif = {}) {
    RunRequest request{std::move(files), std::move(mif), merge};
    return Translate(request, settings, observer);
  }
};

using RunDriverTest = Fixture;

TEST_F(RunDriverTest, EmptyListChangesNothing) {
  const RunResult r = Run({});
  EXPECT_EQ(r.status, RunResult::Status::NoFiles);
  EXPECT_EQ(observer.Texts(), std::vector<std::string>{"No NTF files have been selected!"});
  EXPECT_EQ(observer.messages[0].kind, MessageKind::Error);
  EXPECT_EQ(observer.runsStarted, 0);
  EXPECT_TRUE(observer.statuses.empty());
}

TEST_F(RunDriverTest, SingleFileUsesTheMifNameOrTheNtfNameAndEndsWithAFullStop) {
  const std::string a = Tile("SK12.ntf", CodePointTile(3));
  RunResult r = Run({a});
  EXPECT_TRUE(r.AllTranslated());
  EXPECT_TRUE(test::Exists(dir / "SK12.mif"));
  EXPECT_TRUE(test::Exists(dir / "SK12.mid"));
  EXPECT_EQ(observer.statuses.back(), "Translation complete.");
  EXPECT_EQ(observer.statuses.front(), "Translating  tile " + a);  // no product recognised yet
  EXPECT_EQ(r.recordsRead, 9);
  EXPECT_EQ(r.objectsCreated, 3);
  EXPECT_EQ(observer.filesTranslated, 1u);
  EXPECT_EQ(observer.controlsEnabled, 1);

  // With separate tiles chosen, one file still goes to the named set.
  merge = false;
  r = Run({a}, dir / "named.mif");
  EXPECT_TRUE(test::Exists(dir / "named.mif"));
  EXPECT_TRUE(r.AllTranslated());
}

TEST_F(RunDriverTest, SeparateTilesAreNamedAfterEachFile) {
  merge = false;
  const std::string a = Tile("SK12.ntf", CodePointTile(2));
  const std::string b = Tile("SK13.ntf", CodePointTile(1));
  const RunResult r = Run({a, b}, dir / "ignored.mif");
  EXPECT_TRUE(r.AllTranslated());
  EXPECT_TRUE(test::Exists(dir / "SK12.mif"));
  EXPECT_TRUE(test::Exists(dir / "SK13.mid"));
  EXPECT_FALSE(test::Exists(dir / "ignored.mif"));
  EXPECT_EQ(observer.statuses.back(), "Translation complete");
  EXPECT_EQ(r.recordsRead, 9);  // counts all files
  EXPECT_EQ(observer.recordsLabel.back(), 9);
  EXPECT_EQ(observer.filesTranslated, 2u);
}

TEST_F(RunDriverTest, MergedTilesShareOneSetWithOneHeaderBlock) {
  const std::string a = Tile("SK12.ntf", CodePointTile(100 / 3));
  const std::string b = Tile("SK13.ntf", CodePointTile(50 / 3));
  const RunResult r = Run({a, b});
  EXPECT_TRUE(r.AllTranslated());
  EXPECT_EQ(r.recordsRead, 33 * 3 + 16 * 3);
  EXPECT_EQ(observer.recordsLabel.back(), 33 * 3 + 16 * 3);
  EXPECT_EQ(observer.filesTranslated, 2u);
  EXPECT_EQ(r.objectsCreated, 16);  // the last file's objects
  EXPECT_EQ(observer.statuses.back(), "Translation complete");
  const std::string mif = test::ReadFile(dir / "SK12.mif");
  std::size_t headers = 0;
  for (std::size_t p = mif.find("Version 300"); p != std::string::npos; p = mif.find("Version 300", p + 1)) ++headers;
  EXPECT_EQ(headers, 1u);
  EXPECT_EQ(test::CrLfLines(test::ReadFile(dir / "SK12.mid")).size(), 49u);
}

TEST_F(RunDriverTest, AnOutputFolderThatDoesNotExistEndsTheRun) {
  const std::string a = Tile("a.ntf", CodePointTile(1));
  const RunResult r = Run({a}, dir / "missing/out.mif");
  EXPECT_EQ(r.status, RunResult::Status::OutputFailed);
  ASSERT_EQ(observer.messages.size(), 1u);
  EXPECT_EQ(observer.messages[0].kind, MessageKind::Warning);
  EXPECT_EQ(observer.messages[0].text, "Unable to open MIF file: " + test::NoSuchFolder());
  EXPECT_EQ(observer.paths, std::vector<std::string>{dir / "missing/out.mif"});
  EXPECT_GE(observer.controlsEnabled, 1);
  EXPECT_NE(observer.statuses.back().rfind("Translation complete", 0), 0u);
}

// The output folder is made before anything is translated; one that cannot
// be made ends the run there, with the system's reason, said once.
#ifndef _WIN32
TEST_F(RunDriverTest, AnOutputFolderThatCannotBeMadeEndsTheRunWithItsReason) {
  const std::string a = Tile("a.ntf", CodePointTile(1)), b = Tile("b.ntf", CodePointTile(1));
  test::WriteFile(dir / "file", "in the way");
  struct Case {
    std::string folder, reason;
  };
  std::vector<Case> cases = {{dir / "file/out", "Not a directory"}, {dir / "file", "Not a directory"}};
  const bool locked = ::geteuid() != 0;  // permissions bind all but root
  if (locked) {
    std::filesystem::create_directory(dir / "locked");
    std::filesystem::permissions(dir / "locked", std::filesystem::perms::owner_read | std::filesystem::perms::owner_exec);
    cases.push_back({dir / "locked/out", "Permission denied"});
  }
  for (const Case& c : cases) {
    SCOPED_TRACE(c.folder);
    observer = {};
    RunRequest request{{a, b}, {}, false, c.folder};
    const RunResult r = Translate(request, settings, observer);
    EXPECT_EQ(r.status, RunResult::Status::OutputFailed);
    EXPECT_EQ(r.filesTranslated + r.filesSkipped + r.filesCutShort, 0u);
    EXPECT_EQ(observer.Texts(),
              std::vector<std::string>{"the output folder cannot be made: " + c.reason + "; nothing written"});
    EXPECT_EQ(observer.paths, std::vector<std::string>{c.folder});
    EXPECT_EQ(observer.statuses.back(),
              "Translation failed: " + c.folder + ": the output folder cannot be made: " + c.reason + "; nothing written");
  }
  if (locked)
    std::filesystem::permissions(dir / "locked", std::filesystem::perms::owner_all, std::filesystem::perm_options::add);
  // A folder that is there already is used as it is.
  observer = {};
  EXPECT_TRUE(Translate(RunRequest{{a}, {}, false, dir.path().string()}, settings, observer).AllTranslated());
}
#endif

// What the plan found about the inputs reaches the front end with every
// control byte of a name escaped; a tile given twice to a merged set is
// translated once, said so, and is not a skipped file.
#ifndef _WIN32
TEST_F(RunDriverTest, InputProblemsAreEscapedAndATileGivenTwiceIsTranslatedOnce) {
  const std::string a = Tile("a.ntf", CodePointTile(2));
  test::WriteArchive(dir / "t.zip", test::Kind::Zip, {{"bad\x1b[2J\n.txt", "no tile"}});
  const RunResult r = Run({a, dir / "t.zip", a}, dir / "all.mif");
  EXPECT_EQ(observer.Texts(), (std::vector<std::string>{"not an NTF file; skipped", "given twice; translated once"}));
  EXPECT_EQ(observer.paths, (std::vector<std::string>{dir / "t.zip/bad\\x1b[2J\\x0a.txt", a}));
  EXPECT_EQ(r.filesTranslated, 1u);
  EXPECT_EQ(r.filesSkipped, 1u);  // the member that is no tile
  EXPECT_EQ(test::CrLfLines(test::ReadFile(dir / "all.mid")).size(), 2u);

  observer = {};
  const RunResult twice = Run({a, a}, dir / "two.mif");
  EXPECT_TRUE(twice.AllTranslated());
  EXPECT_EQ(twice.filesTranslated, 1u);
  EXPECT_EQ(observer.Texts(), std::vector<std::string>{"given twice; translated once"});
  EXPECT_EQ(test::ReadFile(dir / "two.mid"), test::ReadFile(dir / "all.mid"));
}
#endif

TEST_F(RunDriverTest, AnUnloadableFileIsSkippedAndTheRunGoesOn) {
  const std::string a = Tile("a.ntf", CodePointTile(1));
  const std::string b = dir / "missing.ntf";
  const std::string c = Tile("c.ntf", CodePointTile(2));
  const std::string d = Tile("d.ntf", "01ONE LINE0%\r\n");
  const RunResult r = Run({a, b, c, d}, dir / "all.mif");
  EXPECT_EQ(observer.Texts(), (std::vector<std::string>{"Unable to open NTF file: " + test::NoSuchFile(),
                                                         "Unable to open NTF file: fewer than two lines"}));
  EXPECT_EQ(observer.paths, (std::vector<std::string>{b, d}));
  EXPECT_EQ(r.filesTranslated, 2u);
  EXPECT_EQ(r.filesSkipped, 2u);
  EXPECT_FALSE(r.AllTranslated());
  EXPECT_EQ(test::CrLfLines(test::ReadFile(dir / "all.mid")).size(), 3u);
}

TEST_F(RunDriverTest, AMissingEndRecordIsAReadErrorAtTheLineCount) {
  const std::string text = CodePointTile(2, false);
  const std::string a = Tile("a.ntf", text);
  const RunResult r = Run({a});
  EXPECT_EQ(r.filesCutShort, 1u);
  const std::size_t lines = test::CrLfLines(text).size();
  EXPECT_EQ(observer.Texts(), std::vector<std::string>{"Error reading NTF file at line " + std::to_string(lines)});
  // What was read stays written.
  EXPECT_EQ(test::CrLfLines(test::ReadFile(dir / "a.mid")).size(), 2u);
  EXPECT_EQ(observer.statuses.back(), "Translation complete.");
}

TEST_F(RunDriverTest, NoSectionBeforeTheEndWritesNothingAndSaysNothing) {
  const std::string a = Tile("a.ntf", Ntf({"01V0%", "02CODE_POINT_1999.01  0%", "99"}));
  const RunResult r = Run({a});
  EXPECT_TRUE(r.AllTranslated());
  EXPECT_TRUE(observer.messages.empty());
  EXPECT_TRUE(test::Exists(dir / "a.mif"));  // the header is there
  EXPECT_EQ(test::ReadFile(dir / "a.mid"), "");
}

TEST_F(RunDriverTest, RecordsBeforeTheFirstSectionArePassedOver) {
  std::string text = CodePointTile(1);
  text.insert(text.find("07SK12"), Ntf({"02MORE0%", "03X0%", "05Y0%"}));
  const RunResult r = Run({Tile("a.ntf", text)});
  EXPECT_TRUE(r.AllTranslated());
  EXPECT_EQ(r.recordsRead, 3);
}

TEST_F(RunDriverTest, LabelsAreRefreshedEveryTenthRecordAndObject) {
  Run({Tile("a.ntf", CodePointTile(25))});
  // 75 records: labels at 10..70, then the final figure.
  EXPECT_EQ(observer.recordsLabel, (std::vector<std::int64_t>{0, 10, 20, 30, 40, 50, 60, 70, 75}));
  // Each file's own count when it ends, and the last file's when the run ends.
  EXPECT_EQ(observer.objectsLabel, (std::vector<std::int64_t>{10, 20, 25, 25}));
  EXPECT_GT(observer.progressMaximum, 0u);
  EXPECT_EQ(observer.progress, 0u);  // reset when the file is done
}

TEST_F(RunDriverTest, UnknownRefusedAndUnbuiltProductsAreNotTranslations) {
  const std::string unknown = Tile("u.ntf", CodePointTile(1, true, "CODE POINT_1999.01  "));
  const std::string m1 = Tile("m1.ntf", CodePointTile(1, true, "Meridian_01.95      "));
  const RunResult r = Run({unknown, m1}, dir / "out.mif");
  ASSERT_EQ(observer.messages.size(), 2u);
  EXPECT_EQ(observer.messages[0].kind, MessageKind::Warning);
  EXPECT_EQ(observer.paths.front(), unknown);
  EXPECT_NE(observer.messages[0].text.find("CODE POINT_1999.01"), std::string::npos);
  EXPECT_EQ(observer.messages[1].kind, MessageKind::Information);
  EXPECT_EQ(observer.messages[1].text, "Not translated: this is Meridian 1 data; Quorvel translates Meridian 2 only.");
  EXPECT_EQ(r.filesSkipped, 2u);
  // Nothing was written, so no empty MIF is left behind.
  EXPECT_FALSE(test::Exists(dir / "out.mif"));
  EXPECT_FALSE(test::Exists(dir / "out.mid"));
}

TEST_F(RunDriverTest, CodePointLeavesNoTextPairAndTheNetworkFileOnlyWhenWritten) {
  settings.extractNetworkData = true;
  Run({Tile("a.ntf", CodePointTile(1))});
  EXPECT_FALSE(test::Exists(dir / "a_Text.mif"));
  EXPECT_FALSE(test::Exists(dir / "a_Text.mid"));
  EXPECT_FALSE(test::Exists(dir / "a_Network.txt"));
}

TEST_F(RunDriverTest, AFailedWriteEndsTheRunWithoutCompletion) {
  if (!test::Exists("/dev/full")) GTEST_SKIP() << "no /dev/full";
  // The MID goes to a device that refuses data.
  std::filesystem::create_symlink("/dev/full", dir / "full.mid");
  const RunResult r = Run({Tile("a.ntf", CodePointTile(5))}, dir / "full.mif");
  EXPECT_EQ(r.status, RunResult::Status::OutputFailed);
  ASSERT_FALSE(observer.messages.empty());
  EXPECT_EQ(observer.messages.back().kind, MessageKind::Error);
  EXPECT_EQ(observer.paths.back(), dir / "full.mid");
  EXPECT_EQ(observer.messages.back().text, "Error writing file: No space left on device");
  // Nothing of the set is put in place.
  EXPECT_FALSE(test::Exists(dir / "full.mif"));
  for (const auto& s : observer.statuses) EXPECT_EQ(s.rfind("Translation complete", 0), std::string::npos) << s;
}

// On two threads the sets are sealed and put in place by a committer while
// the workers go on: a set whose write fails there is reported once, in
// plan order after the sets before it, nothing of it is put in place, no
// temporary is left behind, and the run ends failed.
TEST_F(RunDriverTest, AParallelSetThatFailsAtItsCommitIsReportedOnceAndLeavesNothing) {
  if (!test::Exists("/dev/full")) GTEST_SKIP() << "no /dev/full";
  settings.jobs = 2;
  std::vector<std::string> files;
  for (int i = 0; i < 6; ++i) files.push_back(Tile("t" + std::to_string(i) + ".ntf", CodePointTile(3)));
  std::filesystem::create_symlink("/dev/full", dir / "t2.mid");
  const RunResult r = Translate(RunRequest{files, {}, false}, settings, observer);
  EXPECT_EQ(r.status, RunResult::Status::OutputFailed);
  EXPECT_EQ(observer.Texts(), std::vector<std::string>{"Error writing file: No space left on device"});
  EXPECT_EQ(observer.paths, std::vector<std::string>{dir / "t2.mid"});
  EXPECT_TRUE(test::Exists(dir / "t0.mif"));
  EXPECT_TRUE(test::Exists(dir / "t1.mif"));
  EXPECT_FALSE(test::Exists(dir / "t2.mif"));
  for (const auto& entry : std::filesystem::directory_iterator(dir.path()))
    EXPECT_EQ(entry.path().filename().string().find(".tmp"), std::string::npos) << entry.path();
}

TEST(Recognition, FollowsTheTableExactly) {
  auto key = [](std::string_view name) {
    const ProductDescriptor* p = Products().Recognize(name);
    return p ? std::string(p->key) : std::string("-");
  };
  EXPECT_EQ(key("CODE_POINTxxxxxxxxxx"), "codepoint");
  EXPECT_EQ(key("CODE POINT_1999.01  "), "-");
  EXPECT_EQ(key("OS_LANDRANGER_DTM   "), "panorama-dtm");
  EXPECT_EQ(key("OS_LANDRANGER_DTM  X"), "-");
  EXPECT_EQ(key("OS_LANDRANGER_DTM"), "-");
  EXPECT_EQ(key("OS_LANDRANGER_CONT  "), "panorama-contours");
  EXPECT_EQ(key("L-F_PROFILE_DTM     "), "profile-dtm");
  EXPECT_EQ(key("L-F_PROFILE_CON     "), "profile-contours");
  EXPECT_EQ(key("Meridian_01.95      "), "meridian1");
  EXPECT_EQ(key("Meridian_02.01      "), "meridian2");
  EXPECT_EQ(key("Meridian2 anything  "), "meridian2");
  EXPECT_EQ(key("OSCAR_ASSET_MAN.01  "), "oscar-asset");
  EXPECT_EQ(key("OSCAR_TRAFFIC_MAN.01"), "oscar-traffic");
  EXPECT_EQ(key("LAND-LINE.93        "), "landline");
  EXPECT_EQ(key("land-line.93        "), "landline");
  EXPECT_EQ(key("Land-Line.93        "), "landline");
  EXPECT_EQ(key("Land-line.93        "), "-");
  EXPECT_EQ(key("Strategi_02.96      "), "strategi");
  EXPECT_EQ(key("Boundary-Line       "), "boundaryline");
  EXPECT_EQ(key(""), "-");
  const ProductDescriptor* m1 = Products().Recognize("Meridian_01");
  ASSERT_NE(m1, nullptr);
  EXPECT_EQ(m1->refusal, MessageId::Meridian1Refused);
}

TEST(Recognition, HeaderBlocksCarryTheirProductsColumns) {
  const std::string cp = kCodePointProduct.HeaderBlock();
  EXPECT_NE(cp.find("\r\nColumns 18\r\nSect_Ref char (10)\r\n"), std::string::npos);
  EXPECT_NE(cp.find("\r\nLS char (2)\r\nData\r\n\r\n"), std::string::npos);
  const std::string st = kStrategiProduct.HeaderBlock();
  EXPECT_EQ(st.rfind("VERSION 300\r\nCharset \"WindowsLatin1\"\r\nDELIMITER \",\" \r\n", 0), 0u);
  EXPECT_NE(st.find("COLUMNS 34\r\n"), std::string::npos);
  EXPECT_NE(kMeridian2Product.HeaderBlock().find("COLUMNS 27\r\nSection char(10)\r\n"), std::string::npos);
  EXPECT_NE(kOscarTrafficProduct.HeaderBlock().find("Trunk logical\r\nScale char (1)\r\nS_date char (8)\r\n"),
            std::string::npos);
  EXPECT_NE(kOscarAssetProduct.HeaderBlock().find("S_date char(8)\r\nData"), std::string::npos);
  EXPECT_EQ(kPanoramaDtmProduct.HeaderBlock(), kProfileDtmProduct.HeaderBlock());
  for (const ProductDescriptor* p : Products().products()) {
    if (p->refusal || !p->writesMain) continue;
    const auto lines = test::CrLfLines(p->HeaderBlock());
    EXPECT_EQ(lines.back(), "") << p->key;
    EXPECT_EQ(lines.size(), p->columns.size() + 7) << p->key;
  }
}

}  // namespace

namespace {

// Separate tiles on several threads: the same files, messages and figures
// as on one thread.
TEST_F(RunDriverTest, ParallelSeparateTilesMatchOneThread) {
  std::vector<std::string> one, many;
  for (const char* sub : {"one", "many"}) {
    std::filesystem::create_directory(dir / sub);
    auto& files = std::string(sub) == "one" ? one : many;
    for (int i = 0; i < 9; ++i) {
      const std::string base = std::string(sub) + "/t" + std::to_string(i);
      if (i == 3) files.push_back(dir / (base + ".ntf"));  // missing
      else if (i == 5) files.push_back(Tile(base + ".ntf", CodePointTile(2, false)));  // cut short
      else if (i == 7) files.push_back(Tile(base + ".ntf", CodePointTile(1, true, "Meridian_01.95      ")));
      else files.push_back(Tile(base + ".ntf", CodePointTile(i * 7 + 1)));
    }
  }
  RunRequest request{one, {}, false};
  test::RecordingObserver serial;
  const RunResult a = Translate(request, settings, serial);
  request = RunRequest{many, {}, false};
  settings.jobs = 3;
  test::RecordingObserver parallel;
  const RunResult b = Translate(request, settings, parallel);

  EXPECT_EQ(a.filesTranslated, b.filesTranslated);
  EXPECT_EQ(a.filesSkipped, b.filesSkipped);
  EXPECT_EQ(a.filesCutShort, b.filesCutShort);
  EXPECT_EQ(a.recordsRead, b.recordsRead);
  EXPECT_EQ(a.objectsCreated, b.objectsCreated);
  EXPECT_EQ(serial.statuses.back(), parallel.statuses.back());
  EXPECT_EQ(serial.filesTranslated, parallel.filesTranslated);
  auto strip = [](std::vector<std::string> texts, const std::string& sub) {
    for (auto& t : texts)
      if (auto p = t.find("/" + sub + "/"); p != std::string::npos) t.erase(p, sub.size() + 1);
    return texts;
  };
  EXPECT_EQ(strip(serial.Texts(), "one"), strip(parallel.Texts(), "many"));
  for (int i = 0; i < 9; ++i) {
    for (const char* ext : {".mif", ".mid"}) {
      const std::string f = "/t" + std::to_string(i) + ext;
      EXPECT_EQ(test::Exists(dir / ("one" + f)), test::Exists(dir / ("many" + f))) << f;
      EXPECT_EQ(test::ReadFile(dir / ("one" + f)), test::ReadFile(dir / ("many" + f))) << f;
    }
  }
}

TEST_F(RunDriverTest, ParallelSeparateTilesEndAtAnOutputSetThatCannotBeCreated) {
  settings.jobs = 2;
  std::vector<std::string> files;
  for (int i = 0; i < 6; ++i) files.push_back(Tile("t" + std::to_string(i) + ".ntf", CodePointTile(3)));
  std::filesystem::create_directory(dir / "t2.mid");  // the third set cannot be created
  const RunResult r = Translate(RunRequest{files, {}, false}, settings, observer);
  EXPECT_EQ(r.status, RunResult::Status::OutputFailed);
  EXPECT_EQ(observer.Texts(), std::vector<std::string>{"Unable to open MIF file: is a folder"});
  EXPECT_EQ(r.filesTranslated, 2u);
  EXPECT_TRUE(test::Exists(dir / "t0.mif"));
  EXPECT_TRUE(test::Exists(dir / "t1.mif"));
  EXPECT_FALSE(test::Exists(dir / "t2.mif"));
}

}  // namespace

namespace {

// A merged run whose tiles are of products with different columns: the
// later tile cannot share the main MIF and is skipped, the run goes on.
TEST_F(RunDriverTest, MergedTilesOfAnotherProductAreSkippedWithTheirReason) {
  const std::string cp1 = Tile("a.ntf", CodePointTile(2));
  const std::string grid = Tile("b.ntf", Ntf({"01V0%", "02L-F_PROFILE_DTM     0%", "99"}));
  const std::string cp2 = Tile("c.ntf", CodePointTile(1));
  const RunResult r = Run({cp1, grid, cp2}, dir / "m.mif");
  ASSERT_EQ(observer.messages.size(), 1u);
  EXPECT_EQ(observer.messages[0].kind, MessageKind::Error);
  const std::string& text = observer.messages[0].text;
  EXPECT_EQ(observer.paths, std::vector<std::string>{grid});
  for (const std::string& part : {dir / "m.mif", std::string("Land-Form Profile DTM"), std::string("Code Point")})
    EXPECT_NE(text.find(part), std::string::npos) << text;
  EXPECT_EQ(r.filesSkipped, 1u);
  EXPECT_EQ(r.filesTranslated, 2u);
  EXPECT_EQ(test::CrLfLines(test::ReadFile(dir / "m.mid")).size(), 3u);
  const std::string mif = test::ReadFile(dir / "m.mif");
  EXPECT_EQ(mif.find("Height Integer"), std::string::npos);
}

}  // namespace

namespace {

// A front end that asks to stop once the first tile is shown.
class StopAfterFirstTile : public test::RecordingObserver {
 public:
  bool StopRequested() override { return filesTranslated >= 1; }
};

TEST_F(RunDriverTest, AStoppedParallelRunEndsWithoutWaitingForUnstartedTiles) {
  settings.jobs = 2;
  std::vector<std::string> files;
  for (int i = 0; i < 12; ++i) files.push_back(Tile("s" + std::to_string(i) + ".ntf", CodePointTile(40)));
  StopAfterFirstTile stopper;
  const RunResult r = Translate(RunRequest{files, {}, false}, settings, stopper);
  EXPECT_TRUE(r.stopped);
  // The sets finished before the stop stay, and the status counts them.
  EXPECT_FALSE(r.sets.empty());
  EXPECT_EQ(stopper.statuses.back(), "Translation stopped: " + std::to_string(r.sets.size()) + " of 12 output sets written");
  for (const WrittenSet& set : r.sets) EXPECT_TRUE(test::Exists(set.mifName)) << set.mifName;
  // Tiles finished before the stop are reported; none is left half told.
  EXPECT_GE(r.filesTranslated, 1u);
  EXPECT_EQ(r.filesTranslated + r.filesCutShort, stopper.filesTranslated);
  EXPECT_TRUE(stopper.messages.empty());
}

// A front end that asks to stop once the label shows 100 records read.
class StopInsideTheTile : public test::RecordingObserver {
 public:
  bool StopRequested() override { return !recordsLabel.empty() && recordsLabel.back() >= 100; }
};

// The same stop given as a flag, by a front end with no events to offer.
class StopFlagInsideTheTile : public test::RecordingObserver {
 public:
  void ShowRecordsRead(std::int64_t count) override {
    RecordingObserver::ShowRecordsRead(count);
    if (count >= 100) flag_.store(SIGINT);
  }
  void PumpMessages() override { ++pumps; }
  bool StopRequested() override {
    ++asked;
    return flag_.load() != 0;
  }
  const std::atomic<int>* StopFlag() override { return &flag_; }
  int pumps = 0, asked = 0;

 private:
  std::atomic<int> flag_{0};
};

// The record loop looks for a stop after every record, not only between
// tiles: a long tile ends soon after it, and its output is not put in place.
// A stop flag is read there in place of both calls, and the tile ends after
// the record in hand.
TEST_F(RunDriverTest, AStopInsideATileEndsItWithinAFewRecords) {
  const std::string tile = Tile("a.ntf", CodePointTile(200));  // 600 records
  StopInsideTheTile stopper;
  StopFlagInsideTheTile flagged;
  for (test::RecordingObserver* observer : {static_cast<test::RecordingObserver*>(&stopper),
                                            static_cast<test::RecordingObserver*>(&flagged)}) {
    const RunResult r = Translate(RunRequest{{tile}, dir / "a.mif", true}, settings, *observer);
    EXPECT_TRUE(r.stopped);
    EXPECT_FALSE(test::Exists(dir / "a.mif"));
    ASSERT_FALSE(observer->recordsLabel.empty());
    EXPECT_LT(observer->recordsLabel.back(), 200);
  }
  EXPECT_EQ(flagged.recordsLabel.back(), 100);
  // Only the record counter's refresh, every tenth record, pumps.
  EXPECT_LT(flagged.pumps, 40);
  EXPECT_LT(flagged.asked, 20);
}

// A front end that shows no running counts (the command's).
class CountsNotShown : public test::RecordingObserver {
 public:
  bool ShowsCounts() const override { return false; }
};

// The counts are refreshed every tenth record and object for a front end
// that shows them, and not at all during the tile for one that does not;
// both see the same totals at the end, and the run counts alike.
TEST_F(RunDriverTest, RunningCountsOnlyForAFrontEndThatShowsThem) {
  const std::string tile = Tile("a.ntf", CodePointTile(200));  // 600 records, 200 objects
  test::RecordingObserver shown;
  CountsNotShown hidden;
  const RunResult a = Translate(RunRequest{{tile}, dir / "a.mif", true}, settings, shown);
  const RunResult b = Translate(RunRequest{{tile}, dir / "b.mif", true}, settings, hidden);
  ASSERT_GE(shown.recordsLabel.size(), 50u);
  ASSERT_GE(shown.objectsLabel.size(), 20u);
  int tenths = 0;
  for (const std::int64_t n : shown.recordsLabel) tenths += n > 0 && n % 10 == 0;
  EXPECT_GE(tenths, 50);
  EXPECT_LE(hidden.recordsLabel.size(), 3u);
  EXPECT_LE(hidden.objectsLabel.size(), 3u);
  ASSERT_FALSE(hidden.recordsLabel.empty());
  ASSERT_FALSE(hidden.objectsLabel.empty());
  EXPECT_EQ(hidden.recordsLabel.back(), shown.recordsLabel.back());
  EXPECT_EQ(hidden.objectsLabel.back(), shown.objectsLabel.back());
  EXPECT_EQ(hidden.objectsLabel.back(), 200);
  EXPECT_EQ(a.recordsRead, b.recordsRead);
  EXPECT_EQ(a.objectsTotal, b.objectsTotal);
  EXPECT_EQ(b.objectsTotal, 200);
}

}  // namespace

// A mapped tile cut short by another program: Windows refuses to shorten a
// file while a view of it is open.
#ifndef _WIN32
namespace {

// A front end during whose record loop another program cuts the tile down
// to its first page, as one rewriting it in place would.
class ShrinkTheTileMidway : public test::RecordingObserver {
 public:
  explicit ShrinkTheTileMidway(std::string path) : path_(std::move(path)) {}
  void PumpMessages() override {
    if (++pumps_ == 100) {
      EXPECT_EQ(::truncate(path_.c_str(), 4096), 0);
    }
  }

 private:
  std::string path_;
  int pumps_ = 0;
};

// The tile is mapped, not read: the pages past its new end would stop the
// process. They read as zeros instead, the file is a read error naming the
// reason, the run goes on to the next tile, and the set is written.
TEST_F(RunDriverTest, ATileThatShrinksWhileItIsReadIsAReadErrorNotACrash) {
  const std::string a = Tile("a.ntf", CodePointTile(2000));  // some 200 KB
  const std::string b = Tile("b.ntf", CodePointTile(3));
  ShrinkTheTileMidway shrinker(a);
  const RunResult r = Translate(RunRequest{{a, b}, dir / "m.mif", true}, settings, shrinker);
  EXPECT_EQ(r.filesCutShort, 1u);
  EXPECT_EQ(r.filesTranslated, 1u);
  const std::vector<std::string> texts = shrinker.Texts();
  ASSERT_EQ(texts.size(), 1u);
  EXPECT_EQ(texts[0], "Error reading NTF file: the file shrank while it was read");
  EXPECT_EQ(shrinker.paths[0], a);
  EXPECT_TRUE(test::Exists(dir / "m.mif"));
  // Read again, the shrunk tile is what it is now: too short, and said so.
  test::RecordingObserver again;
  const RunResult r2 = Translate(RunRequest{{a}, dir / "n.mif", true}, settings, again);
  EXPECT_EQ(r2.filesTranslated + r2.filesCutShort, 1u);
}

}  // namespace
#endif

namespace {

// The plan looks each output file up among the inputs by its folder made
// canonical and its name, and by the file itself: among many inputs, an
// output that is an input through a link to its folder, or through a hard
// link, is refused, once for each time that input was given, and nothing
// is written.
#ifndef _WIN32
TEST_F(RunDriverTest, AnOutputThatIsAnInputUnderAnotherNameIsRefusedAmongManyInputs) {
  std::filesystem::create_directory(dir / "in");
  std::filesystem::create_directory_symlink(dir / "in", dir / "alias");
  std::vector<std::string> files;
  for (int i = 0; i < 300; ++i) files.push_back(Tile("in/t" + std::to_string(i) + ".ntf", CodePointTile(1)));
  files.push_back(Tile("in/x.ntf", CodePointTile(1)));
  std::filesystem::create_hard_link(dir / "in/t7.ntf", dir / "in/x.mif");  // x's MIF is t7
  files.push_back(Tile("in/y.ntf", CodePointTile(1)));
  const std::string yByAlias = dir / "alias/y.mid";  // y's MID, by another folder name
  test::WriteFile(yByAlias, CodePointTile(1));
  files.push_back(yByAlias);
  files.push_back(yByAlias);
  const RunResult r = Translate(RunRequest{files, {}, false}, settings, observer);
  EXPECT_EQ(r.status, RunResult::Status::Refused);
  const std::vector<std::string> texts = observer.Texts();
  EXPECT_EQ(std::count(texts.begin(), texts.end(), "would overwrite the input " + files[7] + "; nothing written"), 1);
  EXPECT_EQ(std::count(texts.begin(), texts.end(), "would overwrite the input " + yByAlias + "; nothing written"), 2);
  // (Given twice, y's MID also makes two sets that share their files.)
  EXPECT_EQ(std::count_if(texts.begin(), texts.end(),
                          [](const std::string& t) { return t.rfind("would overwrite the input", 0) == 0; }),
            3);
  EXPECT_FALSE(test::Exists(dir / "in/t0.mif"));
}
#endif

// The run's own account of what it wrote: every set put in place with its
// files, their objects and the tiles that went into it; nothing for a set
// a stop discarded or for a set whose tiles all gave nothing.
TEST_F(RunDriverTest, TheResultListsEverySetPutInPlaceWithItsFilesObjectsAndTiles) {
  const std::string a = Tile("SK12.ntf", CodePointTile(3));
  const std::string bad = Tile("bad.ntf", "not an NTF file\r\n");
  const std::string b = Tile("SK13.ntf", CodePointTile(2));
  RunResult r = Run({a, bad, b});
  ASSERT_EQ(r.sets.size(), 1u);
  const WrittenSet& set = r.sets[0];
  EXPECT_EQ(set.mifName, dir / "SK12.mif");
  EXPECT_EQ(set.tiles, (std::vector<std::string>{a, b}));
  EXPECT_EQ(set.Objects(), 5);
  EXPECT_EQ(r.ObjectsWritten(), 5);
  ASSERT_NE(set.Find(MemberKind::Main), nullptr);
  EXPECT_EQ(set.Find(MemberKind::Main)->path, dir / "SK12.mif");
  EXPECT_EQ(set.Find(MemberKind::Main, ".mid")->objects, 5);
  EXPECT_EQ(set.Find(MemberKind::Text), nullptr);
  for (const SetMember& m : set.members) EXPECT_TRUE(test::Exists(m.path)) << m.path;

  // Separate tiles: one set each, the unreadable tile's set left out.
  merge = false;
  r = Run({a, bad, b});
  ASSERT_EQ(r.sets.size(), 2u);
  EXPECT_EQ(r.sets[0].mifName, dir / "SK12.mif");
  EXPECT_EQ(r.sets[1].mifName, dir / "SK13.mif");
  EXPECT_EQ(r.sets[1].Objects(), 2);
  EXPECT_EQ(r.sets[1].tiles, std::vector<std::string>{b});
  EXPECT_EQ(r.setsPlanned, 3u);
  EXPECT_FALSE(test::Exists(dir / "bad.mif"));
}

TEST_F(RunDriverTest, AStoppedSetIsNotInTheAccountAndEarlierOutputStays) {
  const std::string a = Tile("a.ntf", CodePointTile(400));
  test::WriteFile(dir / "a.mif", "earlier");
  StopInsideTheTile stopper;
  const RunResult r = Translate(RunRequest{{a}, {}, true}, settings, stopper);
  EXPECT_TRUE(r.stopped);
  EXPECT_TRUE(r.sets.empty());
  EXPECT_EQ(r.ObjectsWritten(), 0);
  EXPECT_EQ(test::ReadFile(dir / "a.mif"), "earlier");
}

TEST_F(RunDriverTest, AParallelRunAccountsForItsSetsInPlanOrder) {
  settings.jobs = 2;
  merge = false;
  std::vector<std::string> files;
  for (int i = 0; i < 6; ++i) files.push_back(Tile("p" + std::to_string(i) + ".ntf", CodePointTile(i + 1)));
  const RunResult r = Run(files);
  ASSERT_EQ(r.sets.size(), 6u);
  for (int i = 0; i < 6; ++i) {
    EXPECT_EQ(r.sets[i].mifName, dir / ("p" + std::to_string(i) + ".mif"));
    EXPECT_EQ(r.sets[i].Objects(), i + 1);
  }
  EXPECT_EQ(r.ObjectsWritten(), 21);
}

// A failed output set names the file and the reason in the status line, in
// the words of the message the front end was shown.
TEST_F(RunDriverTest, AFailedSetNamesItsFileAndReasonInTheStatusLine) {
  const std::string a = Tile("a.ntf", CodePointTile(1));
  const RunResult r = Run({a}, dir / "missing/out.mif");
  EXPECT_EQ(r.status, RunResult::Status::OutputFailed);
  EXPECT_TRUE(r.sets.empty());
  EXPECT_EQ(observer.statuses.back(),
            "Translation failed: " + dir / "missing/out.mif" + ": Unable to open MIF file: " + test::NoSuchFolder());
}

// A set whose tile was cut short never replaces an earlier set (it is kept
// whole, and the message says so); with no earlier set it is written.
TEST_F(RunDriverTest, ACutShortSetKeepsTheEarlierSetAndIsWrittenWhereThereIsNone) {
  const std::string a = Tile("a.ntf", CodePointTile(3, false));
  RunResult r = Run({a});
  EXPECT_EQ(r.filesCutShort, 1u);
  ASSERT_EQ(r.sets.size(), 1u) << "no earlier set: what was read is written";
  const std::string firstMif = test::ReadFile(dir / "a.mif");

  const std::string b = Tile("b.ntf", CodePointTile(5));
  test::WriteFile(dir / "a.ntf", CodePointTile(1, false));
  observer.messages.clear();
  r = Run({dir / "a.ntf", b}, dir / "a.mif");
  EXPECT_EQ(r.status, RunResult::Status::Completed);
  EXPECT_EQ(r.filesCutShort, 1u);
  EXPECT_EQ(r.outputFailures, 0u);
  EXPECT_TRUE(r.sets.empty());
  EXPECT_EQ(test::ReadFile(dir / "a.mif"), firstMif);
  ASSERT_FALSE(observer.messages.empty());
  EXPECT_EQ(observer.messages.back().text, "not replaced: a tile of the set was cut short; the earlier set is kept");
  EXPECT_EQ(observer.paths.back(), dir / "a.mif");
}

// A front end that makes a file under the set's name once the run has
// been planned, as a second run might.
class MakesTheSetMeanwhile : public test::RecordingObserver {
 public:
  std::string path;
  void ShowFilesSelected(std::size_t n) override {
    RecordingObserver::ShowFilesSelected(n);
    test::WriteFile(path, "another run's");
  }
};

TEST_F(RunDriverTest, ASetThatAppearedSinceThePlanIsReplacedOnlyWhenAlwaysAllowed) {
  const std::string a = Tile("a.ntf", CodePointTile(2));
  MakesTheSetMeanwhile maker;
  maker.path = dir / "a.mid";
  RunResult r = Translate(RunRequest{{a}, {}, true}, settings, maker);
  EXPECT_EQ(r.status, RunResult::Status::OutputFailed);
  EXPECT_TRUE(r.sets.empty());
  EXPECT_EQ(test::ReadFile(dir / "a.mid"), "another run's");
  EXPECT_FALSE(test::Exists(dir / "a.mif"));
  ASSERT_FALSE(maker.messages.empty());
  EXPECT_EQ(maker.messages.back().text,
            "appeared since the run began; the set was not written (--overwrite replaces it)");

  RunRequest always{{a}, {}, true};
  always.replaceExisting = true;
  r = Translate(always, settings, maker);
  EXPECT_TRUE(r.AllTranslated());
  EXPECT_NE(test::ReadFile(dir / "a.mid"), "another run's");
}

// A parallel run commits the sets that finish close together as one batch.
// Its account lists exactly the sets whose files are on disk, each with its
// objects: with --keep-going, sets of a batch go in although one of them
// failed to be written and another appeared since the run began; without
// it, the run ends at the failed set, and sets of later tiles already put in
// place with it are in the account too.
TEST_F(RunDriverTest, AParallelRunsAccountListsExactlyTheSetsOnDisk) {
  if (!test::Exists("/dev/full")) GTEST_SKIP() << "no /dev/full";
  settings.jobs = 2;
  std::vector<std::string> files;
  for (int i = 0; i < 24; ++i) files.push_back(Tile("t" + std::to_string(i) + ".ntf", CodePointTile(i + 1)));
  auto onDisk = [&] {
    std::set<std::string> sets;
    for (const auto& e : std::filesystem::directory_iterator(dir.path())) {
      const std::string name = e.path().filename().string();
      EXPECT_NE(name.front(), '.') << "left behind: " << name;
      if (name.ends_with(".mif")) sets.insert(e.path().string());
    }
    return sets;
  };
  for (const bool keepGoing : {true, false}) {
    SCOPED_TRACE(keepGoing);
    for (int i = 0; i < 24; ++i) test::RemoveSet(dir / ("t" + std::to_string(i) + ".mif"));
    std::filesystem::create_symlink("/dev/full", dir / "t3.mid");
    MakesTheSetMeanwhile maker;
    maker.path = dir / "t5.mid";
    RunRequest request{files, {}, false};
    request.keepGoing = keepGoing;
    const RunResult r = Translate(request, settings, maker);
    std::filesystem::remove(dir / "t3.mid");
    std::filesystem::remove(dir / "t5.mid");

    std::set<std::string> accounted;
    for (const WrittenSet& set : r.sets) {
      accounted.insert(set.mifName);
      const int tile = std::stoi(std::filesystem::path(set.mifName).stem().string().substr(1));
      EXPECT_EQ(set.Objects(), tile + 1) << set.mifName;
      EXPECT_EQ(set.tiles, std::vector<std::string>{files[tile]});
      for (const SetMember& m : set.members) EXPECT_TRUE(test::Exists(m.path)) << m.path;
    }
    EXPECT_EQ(accounted, onDisk());
    EXPECT_EQ(r.setsWritten, r.sets.size());
    EXPECT_FALSE(accounted.contains(dir / "t3.mif"));
    EXPECT_FALSE(accounted.contains(dir / "t5.mif"));
    if (keepGoing) {
      EXPECT_EQ(r.sets.size(), 22u);
      EXPECT_EQ(r.outputFailures, 2u);
    } else {
      EXPECT_EQ(r.status, RunResult::Status::OutputFailed);
      for (const char* before : {"t0.mif", "t1.mif", "t2.mif"}) EXPECT_TRUE(accounted.contains(dir / before)) << before;
    }
  }
}

// Answering No to the replace question writes nothing, and the status line
// says that nothing was replaced.
TEST_F(RunDriverTest, NoToTheReplaceQuestionSaysNothingWasReplaced) {
  const std::string a = Tile("a.ntf", CodePointTile(2));
  test::WriteFile(dir / "a.mif", "earlier");
  observer.replace = false;
  const RunResult r = Run({a});
  EXPECT_EQ(r.status, RunResult::Status::NotReplaced);
  EXPECT_EQ(observer.replaceAsked, std::vector<std::string>{dir / "a.mif"});
  EXPECT_EQ(observer.statuses.back(), "Not translated: nothing replaced");
  EXPECT_TRUE(r.sets.empty());
  EXPECT_EQ(test::ReadFile(dir / "a.mif"), "earlier");
}

}  // namespace
