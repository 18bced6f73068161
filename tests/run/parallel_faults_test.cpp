// Separate tiles on several threads when a later tile's output set cannot be
// created: the tiles before it are translated whole, as with one thread.
#include <gtest/gtest.h>

#include <filesystem>

#include "ntfgen/generators.hpp"
#include "run/run.hpp"
#include "support/test_support.hpp"

using namespace quorvel;

namespace {

TEST(ParallelTileFaults, ALaterSetThatCannotBeCreatedDoesNotCutShortATileInProgress) {
  test::ScratchDir dir;
  ntfgen::Options small, full;
  full.size = ntfgen::Size::Full;
  const std::string big = ntfgen::GenerateCodePoint(full);
  // t0 is over at once, so its worker takes t2 and fails while t1, a
  // full-size tile, is still being translated on the other.
  test::WriteFile(dir / "t0.ntf", ntfgen::GenerateCodePoint(small));
  test::WriteFile(dir / "t1.ntf", big);
  test::WriteFile(dir / "t2.ntf", ntfgen::GenerateCodePoint(small));
  std::filesystem::create_directory(dir.path() / "t2.mid");
  test::WriteFile(dir / "alone.ntf", big);

  TranslationSettings settings;
  settings.jobs = 2;
  test::RecordingObserver observer;
  const RunResult r =
      Translate(RunRequest{{dir / "t0.ntf", dir / "t1.ntf", dir / "t2.ntf"}, {}, false}, settings, observer);
  EXPECT_EQ(r.status, RunResult::Status::OutputFailed);
  EXPECT_EQ(observer.Texts(), std::vector<std::string>{"Unable to open MIF file: is a folder"});
  EXPECT_EQ(r.filesTranslated, 2u);
  EXPECT_EQ(r.filesCutShort, 0u);

  test::RecordingObserver aloneObserver;
  ASSERT_TRUE(Translate(RunRequest{{dir / "alone.ntf"}, {}}, settings, aloneObserver).AllTranslated());
  EXPECT_TRUE(test::ReadFile(dir / "t1.mid") == test::ReadFile(dir / "alone.mid")) << "t1 was cut short";
  EXPECT_TRUE(test::ReadFile(dir / "t1.mif") == test::ReadFile(dir / "alone.mif")) << "t1 was cut short";
}

}  // namespace
