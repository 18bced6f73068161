// Files read a window at a time: the lines are those of the file held
// whole, however the windows fall, read on or again from the start; members
// too large to hold go to a spool file; every product translates a spooled
// member exactly as the loose tile.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "ntf/cursor.hpp"
#include "ntf/record_list.hpp"
#include "ntf/tile_input.hpp"
#include "quorvel.hpp"
#include "support/test_support.hpp"

using namespace quorvel;
using quorvel::test::ReadFile;
using quorvel::test::ScratchDir;
using quorvel::test::WriteFile;

namespace fs = std::filesystem;

namespace {

// Sets the window (and the most of a member held) for one test.
class SmallWindows {
 public:
  explicit SmallWindows(std::size_t bytes)
      : window_(NtfRecordList::WindowBytes()), held_(TileReader::HeldBytes()) {
    NtfRecordList::SetWindowBytes(bytes);
    TileReader::SetHeldBytes(bytes);
  }
  ~SmallWindows() {
    NtfRecordList::SetWindowBytes(window_);
    TileReader::SetHeldBytes(held_);
  }

 private:
  std::size_t window_;
  std::uint64_t held_;
};

NtfRecordList Windowed(const std::string& path) {
  platform::File file;
  std::string reason;
  EXPECT_TRUE(file.OpenToRead(path, reason)) << reason;
  NtfRecordList list;
  InputError error;
  EXPECT_TRUE(list.LoadWindowed(std::move(file), &error)) << InputErrorText(error);
  return list;
}

// Text of `lines` lines of random lengths (0 to `longest` characters) and
// every kind of line end, with or without an end after the last.
std::string RandomText(std::uint64_t seed, int lines, std::uint64_t longest, bool tail) {
  std::uint64_t state = seed;
  auto next = [&state](std::uint64_t bound) {
    state = state * 6364136223846793005ULL + 1442695040888963407ULL;
    return (state >> 33) % bound;
  };
  std::string text = "01first\r\n02second\r\n";
  for (int line = 0; line < lines; ++line) {
    for (std::uint64_t k = next(longest + 1); k > 0; --k) text.push_back(static_cast<char>('0' + next(40)));
    const std::uint64_t end = next(4);
    text += end == 0 ? "\r\n" : end == 1 ? "\n" : end == 2 ? "\r" : "\n\r";
  }
  if (tail) text += "tail without an end";
  return text;
}

// Windows from a byte (a window per byte, lines longer than the window) to
// more than the file, line ends of every kind across their edges: read on
// to the end, the lines are the whole list's, and the count is known only
// once the end is reached.
TEST(WindowedList, GivesTheLinesOfTheWholeFileWhateverTheWindow) {
  ScratchDir dir;
  for (int round = 0; round < 4; ++round) {
    const std::string text = RandomText(round + 1, 400, round < 2 ? 90 : 3, round % 2 == 1);
    WriteFile(dir / "t.ntf", text);
    NtfRecordList whole;
    whole.Assign(text);
    for (std::size_t window : {1, 2, 3, 7, 64, 100, 4096, 1 << 20}) {
      SmallWindows small(window);
      const NtfRecordList list = Windowed(dir / "t.ntf");
      EXPECT_EQ(list.bytes(), text.size());
      RecordCursor cursor(list);
      for (cursor.currentLine = 0; !cursor.AtEnd(); ++cursor.currentLine)
        ASSERT_EQ(cursor.Line(), whole.line(cursor.currentLine)) << "window " << window << " line " << cursor.currentLine;
      EXPECT_EQ(cursor.currentLine, whole.size()) << "window " << window;
      EXPECT_EQ(list.size(), whole.size());
      EXPECT_FALSE(list.Damaged());
      EXPECT_THROW(cursor.Line(), NtfReadFailure);
    }
  }
}

// Translators read a file more than once (an index pass, then the
// translation) and look back a line: a line behind the window reads the
// file again from its start; the line just before the window's first is
// still held; a view given before the window moved stays valid.
TEST(WindowedList, ReadsAgainFromTheStartAndKeepsTheLineBefore) {
  ScratchDir dir;
  const std::string text = RandomText(9, 2000, 60, false);
  WriteFile(dir / "t.ntf", text);
  NtfRecordList whole;
  whole.Assign(text);
  SmallWindows small(256);
  const NtfRecordList list = Windowed(dir / "t.ntf");
  RecordCursor cursor(list);
  for (std::size_t pass = 0; pass < 3; ++pass) {
    for (cursor.currentLine = 1; cursor.currentLine + 1 < whole.size(); cursor.currentLine += 1 + pass) {
      const std::string_view held = cursor.Line();
      ASSERT_EQ(cursor.LineAt(cursor.currentLine + 1), whole.line(cursor.currentLine + 1));
      ASSERT_EQ(cursor.LineAt(cursor.currentLine - 1), whole.line(cursor.currentLine - 1));
      ASSERT_EQ(held, whole.line(cursor.currentLine)) << "pass " << pass << " line " << cursor.currentLine;
    }
  }
  for (std::size_t at : {1500u, 3u, 1999u, 0u, 1000u, 999u}) ASSERT_EQ(cursor.LineAt(at), whole.line(at)) << at;
  EXPECT_EQ(list.DatabaseName(), whole.DatabaseName());
}

// A file that shrinks while it is read ends early, as a damaged file; one
// that grows is read to the end it had (as a mapped one).
TEST(WindowedList, AFileThatShrinksWhileReadIsDamaged) {
  ScratchDir dir;
  const std::string text = RandomText(3, 3000, 60, false);
  WriteFile(dir / "t.ntf", text);
  SmallWindows small(512);
  const NtfRecordList list = Windowed(dir / "t.ntf");
  std::filesystem::resize_file(dir / "t.ntf", text.size() / 2);
  RecordCursor cursor(list);
  for (cursor.currentLine = 0; !cursor.AtEnd(); ++cursor.currentLine) {
  }
  EXPECT_TRUE(list.Damaged());
  EXPECT_LT(cursor.currentLine, 2000u);
}

TEST(WindowedList, RefusesFilesOfFewerThanTwoLines) {
  ScratchDir dir;
  SmallWindows small(4);
  for (const std::string text : {"", "01only line", "01only line\r\n"}) {
    WriteFile(dir / "t.ntf", text);
    platform::File file;
    std::string reason;
    ASSERT_TRUE(file.OpenToRead(dir / "t.ntf", reason));
    NtfRecordList list;
    InputError error;
    EXPECT_FALSE(list.LoadWindowed(std::move(file), &error)) << text;
    EXPECT_EQ(error.fault, InputError::Fault::TooFewLines) << text;
  }
}

#ifndef _WIN32  // archives are written with libarchive
// A member larger than the reader holds goes to a scratch file with no
// name in the spool's folder: its bytes there are the member's, nothing
// stays in the folder, and a folder where none can be made is a fault with
// the system's reason.
TEST(MemberSpool, HoldsALargeMemberInANamelessFileBesideTheOutput) {
  ScratchDir dir;
  const std::string large = RandomText(4, 5000, 80, false);
  test::WriteArchive(dir / "a.tar", test::Kind::TarGz, {{"small.ntf", "01a\n02b\n"}, {"large.ntf", large}});
  std::vector<InputProblem> problems;
  const std::vector<TileInput> tiles = ExpandInputs({dir / "a.tar"}, problems);
  ASSERT_EQ(tiles.size(), 2u);
  fs::create_directory(dir.path() / "out");
  TileReader reader(0, 4096);
  MemberSpool spool{dir / "out", {}};
  std::string bytes;
  InputError error;
  ASSERT_TRUE(reader.Read(tiles[0], bytes, spool, error));
  EXPECT_FALSE(spool.file.IsOpen());
  EXPECT_EQ(bytes, "01a\n02b\n");
  ASSERT_TRUE(reader.Read(tiles[1], bytes, spool, error)) << InputErrorText(error);
  ASSERT_TRUE(spool.file.IsOpen());
  EXPECT_TRUE(bytes.empty());
  std::string back(large.size() + 10, '\0');
  std::string reason;
  ASSERT_EQ(spool.file.ReadAt(0, back.data(), back.size(), reason), static_cast<std::int64_t>(large.size()));
  back.resize(large.size());
  EXPECT_EQ(back, large);
  EXPECT_TRUE(fs::is_empty(dir.path() / "out"));

  MemberSpool nowhere{dir / "no such folder", {}};
  EXPECT_FALSE(reader.Read(tiles[1], bytes, nowhere, error));
  EXPECT_EQ(error.fault, InputError::Fault::SpoolFailed);
  EXPECT_NE(InputErrorText(error).find("No such file or directory"), std::string::npos) << InputErrorText(error);
  // A reader given no spool holds any member whole, as before.
  ASSERT_TRUE(reader.Read(tiles[1], bytes, error));
  EXPECT_EQ(bytes, large);
}

// Every product, its tile read from a spooled member a few hundred bytes
// at a time (index passes, look-backs and continuation records across
// window edges), writes the set the loose tile writes, byte for byte.
TEST(WindowedList, EveryProductTranslatesASpooledMemberAsTheLooseTile) {
  ScratchDir dir;
  std::vector<test::Member> members;
  std::vector<std::string> names;
  for (const auto& e : fs::directory_iterator(fs::path(QUORVEL_SOURCE_DIR) / "examples")) {
    const std::string name = e.path().stem().string();
    if (name.rfind("unknown", 0) == 0 || name.rfind("meridian1", 0) == 0) continue;
    names.push_back(name);
    members.push_back({name + ".ntf", ReadFile(e.path().string())});
    WriteFile(dir / (name + ".ntf"), members.back().bytes);
  }
  ASSERT_GE(names.size(), 10u);
  test::WriteArchive(dir / "all.tar", test::Kind::Tar, members);
  TranslationSettings settings;
  {
    test::RecordingObserver observer;
    RunRequest loose{{}, {}};
    for (const std::string& name : names) loose.files.push_back(dir / (name + ".ntf"));
    loose.mergeTiles = false;
    loose.outputDir = dir / "loose";
    Translate(loose, settings, observer);
  }
  {
    SmallWindows small(300);
    test::RecordingObserver observer;
    RunRequest spooled{{dir / "all.tar"}, {}};
    spooled.mergeTiles = false;
    spooled.outputDir = dir / "spooled";
    Translate(spooled, settings, observer);
    EXPECT_TRUE(observer.messages.empty()) << observer.messages.front().text;
  }
  std::size_t files = 0;
  for (const auto& e : fs::directory_iterator(dir.path() / "loose")) {
    const std::string name = e.path().filename().string();
    EXPECT_EQ(ReadFile(e.path().string()), ReadFile(dir / ("spooled/" + name))) << name;
    ++files;
  }
  EXPECT_GE(files, 2 * names.size());
  std::size_t spooledFiles = 0;
  for ([[maybe_unused]] const auto& e : fs::directory_iterator(dir.path() / "spooled")) ++spooledFiles;
  EXPECT_EQ(spooledFiles, files);
}

#endif

}  // namespace
