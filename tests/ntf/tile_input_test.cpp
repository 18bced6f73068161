// Tiles named on the command line: loose files and the members of zip, tar,
// tar.gz and gz archives, listed in archive order and read in place.
#include <archive.h>
#include <archive_entry.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "ntf/record_list.hpp"
#include "ntf/tile_input.hpp"
#include "ntfgen/generators.hpp"
#include "run/messages.hpp"
#include "support/test_support.hpp"

using namespace quorvel;

namespace {

using test::Kind;
using test::Member;
using test::WriteArchive;

std::string Tile(std::string (*generate)(const ntfgen::Options&), std::uint64_t seed,
                 ntfgen::Size size = ntfgen::Size::Small) {
  ntfgen::Options options;
  options.size = size;
  options.seed = seed;
  return generate(options);
}

std::vector<std::string> Names(const std::vector<TileInput>& tiles) {
  std::vector<std::string> names;
  for (const TileInput& t : tiles) names.push_back(t.DisplayName());
  return names;
}

std::string ReadOrFail(TileReader& reader, const TileInput& tile) {
  std::string bytes;
  InputError error;
  EXPECT_TRUE(reader.Read(tile, bytes, error)) << tile.DisplayName() << ": " << InputErrorText(error);
  return bytes;
}

// The words of a fault, as a message shows them: some, on one line, with no
// control byte and no line end left over from the library's own words.
::testing::AssertionResult IsOneLine(const std::string& text) {
  if (text.empty()) return ::testing::AssertionFailure() << "no words";
  for (const char c : text)
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f) return ::testing::AssertionFailure() << "raw byte in " << text;
  if (text.ends_with("\\x0a") || text.ends_with("\\x0d")) return ::testing::AssertionFailure() << "line end in " << text;
  return ::testing::AssertionSuccess();
}

// Three tiles of different products, a text file, a folder and a tile in it.
struct Fixture {
  std::string codepoint = Tile(ntfgen::GenerateCodePoint, 1);
  std::string landline = Tile(ntfgen::GenerateLandLine, 2);
  std::string strategi = Tile(ntfgen::GenerateStrategi, 3);
  std::vector<Member> Members() const {
    return {{"codepoint.ntf", codepoint},
            {"README.txt", "not a tile\n"},
            {"sub/", "", true},
            {"sub/LANDLINE.NTF", landline},
            {"strategi.Ntf", strategi}};
  }
};

TEST(TileInput, ArchiveNamesAreRecognisedByTheirEndingInAnyCase) {
  for (const char* yes : {"a.zip", "A.ZIP", "dir/t.tar", "t.tar.gz", "t.TAR.GZ", "t.tgz", "t.ntf.gz", "x.Gz"})
    EXPECT_TRUE(IsArchivePath(yes)) << yes;
  for (const char* no : {"a.ntf", "zip", "a.zip.ntf", "a.gzip", "a.tar.bz2", "a.tgz.", ""})
    EXPECT_FALSE(IsArchivePath(no)) << no;
}

TEST(TileInput, NamesForMessagesAndOutputSets) {
  TileInput loose{"dir/../SK12.ntf", "", 10};
  EXPECT_FALSE(loose.InArchive());
  EXPECT_EQ(loose.DisplayName(), "dir/../SK12.ntf");
  EXPECT_EQ(loose.SetStem(), "dir/../SK12.ntf");

  TileInput member{"in/tiles.zip", "sub/SK12.ntf", 10};
  EXPECT_EQ(member.DisplayName(), "in/tiles.zip/sub/SK12.ntf");
  EXPECT_EQ(member.SetStem(), "sub/SK12.ntf");
  // A member may not lead its set out of the output folder.
  member.member = "/abs/../../x/./y//t.ntf";
  EXPECT_EQ(member.SetStem(), "abs/x/y/t.ntf");
  member.member = "..\\..\\evil.ntf";
  EXPECT_EQ(member.SetStem(), "evil.ntf");
}

TEST(TileInput, LooseFilesAndArchiveMembersKeepTheirOrder) {
  test::ScratchDir dir;
  Fixture f;
  test::WriteFile(dir / "first.ntf", f.codepoint);
  WriteArchive(dir / "tiles.zip", Kind::Zip, f.Members());
  test::WriteFile(dir / "last.NTF", f.strategi);

  std::vector<InputProblem> problems;
  const auto tiles =
      ExpandInputs({dir / "first.ntf", dir / "tiles.zip", dir / "missing.ntf", dir / "last.NTF"}, problems);
  const std::string zip = dir / "tiles.zip";
  EXPECT_EQ(Names(tiles), (std::vector<std::string>{dir / "first.ntf", zip + "/codepoint.ntf",
                                                    zip + "/sub/LANDLINE.NTF", zip + "/strategi.Ntf",
                                                    dir / "missing.ntf", dir / "last.NTF"}));
  ASSERT_EQ(tiles.size(), 6u);
  EXPECT_EQ(tiles[0].size, f.codepoint.size());
  EXPECT_EQ(tiles[1].size, f.codepoint.size());
  EXPECT_EQ(tiles[2].size, f.landline.size());
  EXPECT_EQ(tiles[3].size, f.strategi.size());
  EXPECT_EQ(tiles[4].size, 0u);  // a missing loose file is reported when it is read
  EXPECT_EQ(tiles[2].SetStem(), "sub/LANDLINE.NTF");

  ASSERT_EQ(problems.size(), 1u);
  EXPECT_EQ(problems[0].name, zip + "/README.txt");
  EXPECT_EQ(InputErrorText(problems[0].error), "not an NTF file; skipped");

  TileReader reader;
  std::string bytes;
  InputError error;
  EXPECT_FALSE(reader.Read(tiles[4], bytes, error));
  EXPECT_EQ(error, (InputError{InputError::Fault::Described, "No such file or directory"}));
}

TEST(TileInput, AnArchiveWithoutFilesIsReported) {
  test::ScratchDir dir;
  for (const auto& [name, kind] : std::vector<std::pair<std::string, Kind>>{
           {"empty.zip", Kind::Zip}, {"empty.tar", Kind::Tar}, {"empty.tar.gz", Kind::TarGz}}) {
    SCOPED_TRACE(name);
    WriteArchive(dir / name, kind, {});
    std::vector<InputProblem> problems;
    EXPECT_TRUE(ExpandInputs({dir / name}, problems).empty());
    ASSERT_EQ(problems.size(), 1u);
    EXPECT_EQ(problems[0].name, dir / name);
    EXPECT_EQ(InputErrorText(problems[0].error), "the archive holds no files; nothing to translate");
  }
  // Members that are no tiles are reported one by one, and that is enough.
  WriteArchive(dir / "readme.zip", Kind::Zip, {{"README.txt", "hello"}});
  std::vector<InputProblem> problems;
  EXPECT_TRUE(ExpandInputs({dir / "readme.zip"}, problems).empty());
  ASSERT_EQ(problems.size(), 1u);
  EXPECT_EQ(InputErrorText(problems[0].error), "not an NTF file; skipped");
}

// Every member but a folder either is a tile or is reported: links, pipes,
// and the tiles beside them kept in order.
TEST(TileInput, LinksAndOtherMembersThatAreNoFilesAreReported) {
  test::ScratchDir dir;
  Fixture f;
  for (const auto& [name, kind] : std::vector<std::pair<std::string, Kind>>{
           {"links.tar", Kind::Tar}, {"links.tar.gz", Kind::TarGz}}) {
    SCOPED_TRACE(name);
    WriteArchive(dir / name, kind,
                 {{"a.ntf", f.codepoint},
                  {"sub/", "", true},
                  {"soft.ntf", "", false, "a.ntf"},
                  {"hard.ntf", "", false, {}, "a.ntf"},
                  {"pipe.ntf", "", false, {}, {}, true},
                  {"outside.ntf", "", false, "../../etc/passwd"},
                  {"b.ntf", f.landline}});
    const std::string archive = dir / name;
    std::vector<InputProblem> problems;
    const auto tiles = ExpandInputs({archive}, problems);
    EXPECT_EQ(Names(tiles), (std::vector<std::string>{archive + "/a.ntf", archive + "/b.ntf"}));
    std::vector<std::pair<std::string, std::string>> reported;
    for (const InputProblem& p : problems) reported.emplace_back(p.name, InputErrorText(p.error));
    EXPECT_EQ(reported, (std::vector<std::pair<std::string, std::string>>{
                            {archive + "/soft.ntf", "a symbolic link, not a file; skipped"},
                            {archive + "/hard.ntf", "a link to another member; skipped"},
                            {archive + "/pipe.ntf", "not a regular file; skipped"},
                            {archive + "/outside.ntf", "a symbolic link, not a file; skipped"}}));
    // The tile after the links reads as written.
    TileReader reader;
    EXPECT_EQ(ReadOrFail(reader, tiles[1]), f.landline);
  }
  // An archive of links alone holds nothing to translate, and says so member by member.
  WriteArchive(dir / "only.tar", Kind::Tar, {{"x.ntf", "", false, "y.ntf"}});
  std::vector<InputProblem> problems;
  EXPECT_TRUE(ExpandInputs({dir / "only.tar"}, problems).empty());
  ASSERT_EQ(problems.size(), 1u);
  EXPECT_EQ(problems[0].error.fault, InputError::Fault::MemberIsASymbolicLink);
}

TEST(TileInput, EveryArchiveFormatGivesTheLooseBytes) {
  test::ScratchDir dir;
  Fixture f;
  const std::vector<std::pair<std::string, Kind>> archives = {
      {"t.zip", Kind::Zip}, {"t.tar", Kind::Tar}, {"t.tar.gz", Kind::TarGz}, {"t.TGZ", Kind::TarGz}};
  for (const auto& [name, kind] : archives) {
    SCOPED_TRACE(name);
    WriteArchive(dir / name, kind, f.Members());
    std::vector<InputProblem> problems;
    const auto tiles = ExpandInputs({dir / name}, problems);
    ASSERT_EQ(tiles.size(), 3u);
    EXPECT_EQ(tiles[0].member, "codepoint.ntf");
    EXPECT_EQ(tiles[1].member, "sub/LANDLINE.NTF");
    EXPECT_EQ(tiles[2].member, "strategi.Ntf");
    EXPECT_EQ(problems.size(), 1u);
    TileReader reader;
    EXPECT_EQ(ReadOrFail(reader, tiles[0]), f.codepoint);
    EXPECT_EQ(ReadOrFail(reader, tiles[1]), f.landline);
    EXPECT_EQ(ReadOrFail(reader, tiles[2]), f.strategi);
    // The bytes load as the file itself does.
    test::WriteFile(dir / "loose.ntf", f.landline);
    NtfRecordList fromFile, fromMember;
    ASSERT_TRUE(fromFile.Load(dir / "loose.ntf"));
    ASSERT_TRUE(fromMember.LoadText(ReadOrFail(reader, tiles[1])));
    ASSERT_EQ(fromMember.size(), fromFile.size());
    EXPECT_EQ(fromMember.DatabaseName(), fromFile.DatabaseName());
  }
}

TEST(TileInput, ASingleGzippedFileIsOneTileNamedWithoutGz) {
  test::ScratchDir dir;
  Fixture f;
  WriteArchive(dir / "SK12.ntf.gz", Kind::Gz, {{"ignored", f.landline}});
  std::vector<InputProblem> problems;
  const auto tiles = ExpandInputs({dir / "SK12.ntf.gz"}, problems);
  EXPECT_TRUE(problems.empty());
  ASSERT_EQ(tiles.size(), 1u);
  EXPECT_EQ(tiles[0].member, "SK12.ntf");
  EXPECT_EQ(tiles[0].DisplayName(), dir / "SK12.ntf.gz/SK12.ntf");
  EXPECT_EQ(tiles[0].SetStem(), "SK12.ntf");
  EXPECT_EQ(tiles[0].size, f.landline.size());
  TileReader reader;
  EXPECT_EQ(ReadOrFail(reader, tiles[0]), f.landline);

  // A tar compressed with gzip but named .gz is still read as a tar.
  WriteArchive(dir / "bundle.gz", Kind::TarGz, f.Members());
  problems.clear();
  EXPECT_EQ(ExpandInputs({dir / "bundle.gz"}, problems).size(), 3u);
}

TEST(TileInput, ArchivesThatCannotBeOpenedAreReportedByName) {
  test::ScratchDir dir;
  std::filesystem::create_directory(dir / "folder.zip");
  test::WriteFile(dir / "text.zip", "01 this is no archive\r\n02 at all\r\n");
  test::WriteFile(dir / "empty.tar", "");
  std::vector<InputProblem> problems;
  const auto tiles = ExpandInputs({dir / "missing.tar.gz", dir / "folder.zip", dir / "text.zip", dir / "empty.tar"},
                                  problems);
  EXPECT_TRUE(tiles.empty());
  ASSERT_EQ(problems.size(), 4u);
  EXPECT_EQ(problems[0].name, dir / "missing.tar.gz");
  EXPECT_EQ(InputErrorText(problems[0].error), "No such file or directory");
  EXPECT_EQ(problems[1].name, dir / "folder.zip");
  EXPECT_EQ(InputErrorText(problems[1].error), "is a folder");
  EXPECT_EQ(problems[2].name, dir / "text.zip");
  EXPECT_FALSE(InputErrorText(problems[2].error).empty());
  EXPECT_EQ(problems[3].name, dir / "empty.tar");
  EXPECT_EQ(InputErrorText(problems[3].error), "the archive holds no files; nothing to translate");
}

TEST(TileInput, TruncatedAndCorruptArchivesAreReportedNotCrashedOn) {
  test::ScratchDir dir;
  std::vector<Member> members;
  for (int i = 0; i < 4; ++i)
    members.push_back({"t" + std::to_string(i) + ".ntf", Tile(ntfgen::GenerateLandLine, 10 + i, ntfgen::Size::Medium)});

  for (Kind kind : {Kind::TarGz, Kind::Tar, Kind::Zip}) {
    const std::string whole = dir / "whole";
    WriteArchive(whole, kind, members);
    const std::string bytes = test::ReadFile(whole);
    const std::string ext = kind == Kind::Zip ? ".zip" : kind == Kind::Tar ? ".tar" : ".tar.gz";
    // Cut short at several points, and with a run of bytes overwritten.
    std::vector<std::string> damaged;
    for (std::size_t cut : {bytes.size() / 10, bytes.size() / 2, bytes.size() - 30}) damaged.push_back(bytes.substr(0, cut));
    std::string flipped = bytes;
    for (std::size_t i = bytes.size() / 3; i < bytes.size() / 3 + 64; ++i) flipped[i] = static_cast<char>(~flipped[i]);
    damaged.push_back(flipped);

    for (std::size_t d = 0; d < damaged.size(); ++d) {
      SCOPED_TRACE(ext + " damage " + std::to_string(d));
      const std::string path = dir / ("damaged" + std::to_string(d) + ext);
      test::WriteFile(path, damaged[d]);
      std::vector<InputProblem> problems;
      const auto tiles = ExpandInputs({path}, problems);
      for (const InputProblem& p : problems) EXPECT_TRUE(IsOneLine(InputErrorText(p.error)));
      TileReader reader;
      std::size_t good = 0;
      bool reported = !problems.empty();
      for (const TileInput& t : tiles) {
        std::string data;
        InputError error;
        if (reader.Read(t, data, error)) {
          // What is read whole is the member as written, or (a tar holds no
          // checksum of the data) as damaged.
          ASSERT_LT(t.entry, members.size());
          if (kind != Kind::Tar) {
            EXPECT_EQ(data, members[t.entry].bytes);
          }
          ++good;
        } else {
          EXPECT_TRUE(IsOneLine(InputErrorText(error)));
          reported = true;
        }
      }
      // A member that is lost is always reported.
      if (good < members.size()) {
        EXPECT_TRUE(reported) << good << " of " << members.size() << " read, nothing reported";
      }
    }
  }
}

TEST(TileInput, MembersReadOutOfOrderAndFromTwoThreads) {
  test::ScratchDir dir;
  std::vector<Member> members;
  for (int i = 0; i < 6; ++i)
    members.push_back({"tile" + std::to_string(i) + ".ntf", Tile(ntfgen::GenerateCodePoint, 20 + i, ntfgen::Size::Medium)});
  for (Kind kind : {Kind::TarGz, Kind::Zip}) {
    const std::string path = dir / (kind == Kind::Zip ? "many.zip" : "many.tgz");
    WriteArchive(path, kind, members);
    std::vector<InputProblem> problems;
    const auto tiles = ExpandInputs({path}, problems);
    ASSERT_EQ(tiles.size(), members.size());

    // In archive order the archive is opened, and decompressed, once.
    {
      TileReader sequential;
      for (std::size_t i = 0; i < tiles.size(); ++i) EXPECT_EQ(ReadOrFail(sequential, tiles[i]), members[i].bytes);
      EXPECT_EQ(sequential.ArchiveOpens(), 1u);
      // Skipping members does not open it again; going back does.
      TileReader skipping;
      ReadOrFail(skipping, tiles[1]);
      ReadOrFail(skipping, tiles[4]);
      EXPECT_EQ(skipping.ArchiveOpens(), 1u);
      ReadOrFail(skipping, tiles[2]);
      EXPECT_EQ(skipping.ArchiveOpens(), 2u);
    }

    TileReader reader;
    for (std::size_t i : {3, 0, 5, 5, 1, 4, 2})
      EXPECT_EQ(ReadOrFail(reader, tiles[i]), members[i].bytes) << "tile " << i;

    // A member found by name alone when its position is not known.
    TileInput byName{path, "tile2.ntf", 0};
    EXPECT_EQ(ReadOrFail(reader, byName), members[2].bytes);
    byName.member = "tile9.ntf";
    std::string bytes;
    InputError error;
    EXPECT_FALSE(reader.Read(byName, bytes, error));
    EXPECT_EQ(error, (InputError{InputError::Fault::NoSuchMember, "tile9.ntf"}));
    EXPECT_EQ(InputErrorText(error), "no member tile9.ntf in the archive");

    // Two threads over the same archive, one forwards and one backwards.
    std::vector<std::string> wrong[2];
    auto work = [&](int which) {
      TileReader& shared = reader;
      for (int round = 0; round < 3; ++round)
        for (std::size_t k = 0; k < tiles.size(); ++k) {
          const std::size_t i = which == 0 ? k : tiles.size() - 1 - k;
          std::string data;
          InputError err;
          if (!shared.Read(tiles[i], data, err) || data != members[i].bytes)
            wrong[which].push_back(tiles[i].member + ": " + InputErrorText(err));
        }
    };
    std::thread a(work, 0), b(work, 1);
    a.join();
    b.join();
    EXPECT_TRUE(wrong[0].empty()) << wrong[0].front();
    EXPECT_TRUE(wrong[1].empty()) << wrong[1].front();
  }
}

TEST(TileInput, MembersOfTheSameNameAreToldApartByTheirPlace) {
  test::ScratchDir dir;
  const std::string a = Tile(ntfgen::GenerateCodePoint, 1), b = Tile(ntfgen::GenerateCodePoint, 2);
  WriteArchive(dir / "twice.tar", Kind::Tar, {{"t.ntf", a}, {"t.ntf", b}});
  std::vector<InputProblem> problems;
  const auto tiles = ExpandInputs({dir / "twice.tar"}, problems);
  ASSERT_EQ(tiles.size(), 2u);
  TileReader reader;
  EXPECT_EQ(ReadOrFail(reader, tiles[1]), b);
  EXPECT_EQ(ReadOrFail(reader, tiles[0]), a);
}

TEST(TileInput, ManyArchivesAndAMemberLimit) {
  test::ScratchDir dir;
  const std::string tile = Tile(ntfgen::GenerateStrategi, 5);
  std::vector<std::string> paths;
  for (int i = 0; i < 9; ++i) {
    paths.push_back(dir / ("a" + std::to_string(i) + ".zip"));
    WriteArchive(paths.back(), Kind::Zip, {{"x.ntf", tile}, {"y.ntf", tile + "extra"}});
  }
  std::vector<InputProblem> problems;
  const auto tiles = ExpandInputs(paths, problems);
  ASSERT_EQ(tiles.size(), 18u);
  // More archives than handles kept open: each is still read right, twice.
  TileReader reader;
  for (int round = 0; round < 2; ++round)
    for (const TileInput& t : tiles) EXPECT_EQ(ReadOrFail(reader, t), t.member == "x.ntf" ? tile : tile + "extra");

  TileReader limited(tile.size());
  std::string bytes;
  InputError error;
  EXPECT_TRUE(limited.Read(tiles[0], bytes, error)) << InputErrorText(error);
  EXPECT_FALSE(limited.Read(tiles[1], bytes, error));
  EXPECT_EQ(InputErrorText(error), "larger than " + std::to_string(tile.size()) + " bytes; not read");
  // The handle starts over after a refused member.
  EXPECT_TRUE(limited.Read(tiles[0], bytes, error)) << InputErrorText(error);
  EXPECT_EQ(bytes, tile);
}

// The reader names its faults; the run's message table words them, in the
// words these faults have always been shown with.
TEST(TileInput, FaultsAreWordedByTheMessageTable) {
  using Fault = InputError::Fault;
  const std::pair<InputError, std::string> cases[] = {
      {{Fault::None, {}}, ""},
      {{Fault::Described, "Permission denied"}, "Permission denied"},
      {{Fault::IsAFolder, {}}, "is a folder"},
      {{Fault::OutOfMemory, {}}, "out of memory"},
      {{Fault::TooFewLines, {}}, "fewer than two lines"},
      {{Fault::NoArchiveLibrary, "libarchive.so: cannot open shared object file"},
       "archives need libarchive, which cannot be loaded: libarchive.so: cannot open shared object file"},
      {{Fault::NoArchiveLibrary, {}}, "archives need libarchive, which cannot be loaded"},
      {{Fault::ArchiveLibraryTooOld, "archive_read_support_format_raw"},
       "archives need libarchive 3, which lacks archive_read_support_format_raw"},
      {{Fault::ArchiveNotOpened, {}}, "cannot be opened as an archive"},
      {{Fault::ArchiveUnreadable, {}}, "the archive cannot be read"},
      {{Fault::MemberUnreadable, {}}, "the member cannot be read"},
      {{Fault::MemberIsALink, {}}, "a link to another member; skipped"},
      {{Fault::MemberIsASymbolicLink, {}}, "a symbolic link, not a file; skipped"},
      {{Fault::MemberNotAFile, {}}, "not a regular file; skipped"},
      {{Fault::NotAnNtfFile, {}}, "not an NTF file; skipped"},
      {{Fault::ArchiveHoldsNoFiles, {}}, "the archive holds no files; nothing to translate"},
      {{Fault::MemberTooLarge, "1024"}, "larger than 1024 bytes; not read"},
      {{Fault::NoSuchMember, "a/b.ntf"}, "no member a/b.ntf in the archive"},
      {{Fault::GivenTwice, {}}, "given twice; translated once"},
      // A member's name never drives the terminal; a reason is one line,
      // without the line end a library may end it with.
      {{Fault::NoSuchMember, "a\x1b[2Jb.ntf"}, "no member a\\x1b[2Jb.ntf in the archive"},
      {{Fault::Described, "Truncated tar archive\n"}, "Truncated tar archive"},
      {{Fault::Described, "bad\rname\x7f\r\n"}, "bad\\x0dname\\x7f"},
  };
  for (const auto& [error, words] : cases) EXPECT_EQ(InputErrorText(error), words) << words;
}

TEST(RecordListText, LoadTextChecksAsLoadDoes) {
  test::ScratchDir dir;
  NtfRecordList list;
  InputError error;
  EXPECT_FALSE(list.LoadText("01ONE LINE ONLY0%\r\n", &error));
  EXPECT_EQ(InputErrorText(error), "fewer than two lines");
  error = {};
  EXPECT_FALSE(list.LoadText("", &error));
  EXPECT_EQ(InputErrorText(error), "fewer than two lines");
  EXPECT_TRUE(list.LoadText("01A\r\n02B", &error));
  EXPECT_EQ(list.size(), 2u);
  EXPECT_EQ(list.line(1), "02B");
  // A failed load leaves nothing of the previous text behind.
  EXPECT_FALSE(list.Load(dir / "missing.ntf", &error));
  EXPECT_EQ(list.size(), 0u);
  EXPECT_EQ(InputErrorText(error), "No such file or directory");
}

}  // namespace
