// What a run may never do to the files that were there before it: a stop by
// a signal, a second run at the same time, an input named as output, earlier
// output of another shape, values no reader could load.
#include <gtest/gtest.h>

#include <csignal>
#include <fcntl.h>
#include <filesystem>
#include <spawn.h>
#include <sys/wait.h>
#include <thread>

#include "ntfgen/generators.hpp"
#include "support/test_support.hpp"

extern char** environ;

using namespace quorvel;
using test::Quote;
using test::ReadFile;
using test::RunQuorvel;
using test::ScratchDir;
using test::WriteFile;
namespace fs = std::filesystem;

namespace {

std::string Example(const std::string& name) { return std::string(QUORVEL_SOURCE_DIR) + "/examples/" + name + ".ntf"; }

std::vector<std::string> Names(const fs::path& folder) {
  std::vector<std::string> names;
  for (const auto& e : fs::directory_iterator(folder)) names.push_back(e.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

bool HasTemporary(const fs::path& folder) {
  for (const std::string& n : Names(folder))
    if (n.front() == '.' && n.find(".quorvel-") != std::string::npos && n.ends_with(".tmp")) return true;
  return false;
}

// Starts the command with its stderr into `errPath`; returns its pid.
pid_t Start(const std::vector<std::string>& args, const std::string& errPath) {
  std::vector<char*> argv;
  std::vector<std::string> all = {QUORVEL_CLI};
  all.insert(all.end(), args.begin(), args.end());
  for (std::string& a : all) argv.push_back(a.data());
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 2, errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  pid_t pid = -1;
  posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  return pid;
}

int Wait(pid_t pid) {
  int status = 0;
  ::waitpid(pid, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

// Ten full-size Land-Line tiles merged: long enough to be stopped midway.
std::vector<std::string> BigRun(const ScratchDir& dir) {
  ntfgen::Options options;
  options.size = ntfgen::Size::Full;
  const std::string tile = ntfgen::GenerateLandLine(options);
  std::vector<std::string> args = {"-q", "--overwrite", "-o", dir / "set.mif"};
  for (int i = 0; i < 10; ++i) {
    WriteFile(dir / ("t" + std::to_string(i) + ".ntf"), tile);
    args.push_back(dir / ("t" + std::to_string(i) + ".ntf"));
  }
  return args;
}

TEST(Trust, ASignalMidRunLeavesTheEarlierSetByteForByteAndNoTemporary) {
  for (const int signal : {SIGINT, SIGTERM}) {
    SCOPED_TRACE(signal);
    ScratchDir dir;
    const std::vector<std::string> args = BigRun(dir);
    WriteFile(dir / "set.mif", "the earlier set");
    WriteFile(dir / "set.mid", "its rows");
    WriteFile(dir / "set_Text.mif", "its texts");
    const pid_t pid = Start(args, dir / "err.txt");
    // Stopped once it is writing: its temporaries are there.
    for (int i = 0; i < 2000 && !HasTemporary(dir.path()); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(2));
    ASSERT_TRUE(HasTemporary(dir.path()));
    ::kill(pid, signal);
    EXPECT_EQ(Wait(pid), 128 + signal);
    EXPECT_EQ(ReadFile(dir / "set.mif"), "the earlier set");
    EXPECT_EQ(ReadFile(dir / "set.mid"), "its rows");
    EXPECT_EQ(ReadFile(dir / "set_Text.mif"), "its texts");
    EXPECT_FALSE(HasTemporary(dir.path()));
    EXPECT_NE(ReadFile(dir / "err.txt").find("quorvel: stopped; 0 of 1 output sets written\n"), std::string::npos);
  }
}

TEST(Trust, TwoRunsWithTheSameOutputNeverMixTheirBytes) {
  ScratchDir dir, alone;
  const std::vector<std::string> args = BigRun(dir);
  const pid_t first = Start(args, dir / "err1.txt");
  const pid_t second = Start(args, dir / "err2.txt");
  EXPECT_EQ(Wait(first), 0);
  EXPECT_EQ(Wait(second), 0);
  std::string whole = "-q -o " + Quote(alone / "set.mif");
  for (std::size_t i = 4; i < args.size(); ++i) whole += " " + Quote(args[i]);
  ASSERT_EQ(RunQuorvel(whole).exitCode, 0);
  for (const char* f : {"set.mif", "set.mid", "set_Text.mif", "set_Text.mid"})
    EXPECT_TRUE(ReadFile(dir / f) == ReadFile(alone / f)) << f;
  EXPECT_FALSE(HasTemporary(dir.path()));
}

// Two different runs to one set at once, round after round: the set on disk
// is always one run's whole output (a Land-Line set with texts against a
// Code-Point set without, so that a mixed set shows). Without --overwrite,
// the run that commits second finds the other's set there and writes
// nothing.
TEST(Trust, TwoDifferentRunsToOneSetLeaveOneRunsWholeSet) {
  ScratchDir dir, a, b;
  const std::string ll = Example("landline_small"), cp = Example("codepoint_small");
  ASSERT_EQ(RunQuorvel("-q -o " + Quote(a / "set.mif") + " " + Quote(ll)).exitCode, 0);
  ASSERT_EQ(RunQuorvel("-q -o " + Quote(b / "set.mif") + " " + Quote(cp)).exitCode, 0);
  const std::vector<std::string> members = {"set.mif", "set.mid", "set_Text.mif", "set_Text.mid"};
  auto state = [&](const ScratchDir& d) {
    std::string s;
    for (const std::string& f : members) s += fs::exists(d / f) ? ReadFile(d / f) + "|" : "-|";
    return s;
  };
  const std::string wholeA = state(a), wholeB = state(b);
  for (int round = 0; round < 25; ++round) {
    const pid_t first = Start({"-q", "--overwrite", "-o", dir / "set.mif", ll}, dir / "err1.txt");
    const pid_t second = Start({"-q", "--overwrite", "-o", dir / "set.mif", cp}, dir / "err2.txt");
    EXPECT_EQ(Wait(first), 0);
    EXPECT_EQ(Wait(second), 0);
    const std::string now = state(dir);
    ASSERT_TRUE(now == wholeA || now == wholeB) << "round " << round << ": a mixed set";
    ASSERT_FALSE(HasTemporary(dir.path()));
  }
  // Without --overwrite, into a folder with no set: one run writes, the
  // other finds that set there at its commit and keeps it (exit 3).
  for (int round = 0; round < 10; ++round) {
    ScratchDir fresh;
    const pid_t first = Start({"-q", "-o", fresh / "set.mif", ll}, fresh / "err1.txt");
    const pid_t second = Start({"-q", "-o", fresh / "set.mif", cp}, fresh / "err2.txt");
    const int one = Wait(first), two = Wait(second);
    EXPECT_TRUE((one == 0 && two == 3) || (one == 3 && two == 0)) << one << " " << two;
    const std::string now = state(fresh);
    EXPECT_TRUE(now == wholeA || now == wholeB) << "round " << round;
    const std::string err = ReadFile(fresh / (one == 3 ? "err1.txt" : "err2.txt"));
    EXPECT_TRUE(err.find("appeared since the run began") != std::string::npos ||
                err.find("exists already") != std::string::npos)
        << err;
  }
}

// kill -9 in the middle of a run leaves temporaries the system no longer
// holds: the next run into that folder removes them, says how much it
// freed, and writes its set.
TEST(Trust, AfterKillNineTheNextRunCleansUpAndSucceeds) {
  ScratchDir dir;
  const std::vector<std::string> args = BigRun(dir);
  const pid_t pid = Start(args, dir / "err.txt");
  for (int i = 0; i < 2000 && !HasTemporary(dir.path()); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(2));
  ASSERT_TRUE(HasTemporary(dir.path()));
  ::kill(pid, SIGKILL);
  EXPECT_EQ(Wait(pid), 128 + SIGKILL);
  ASSERT_TRUE(HasTemporary(dir.path())) << "a killed run cannot remove its own";
  // A second kill leaves more; --recover finds them all.
  const pid_t other = Start(args, dir / "err.txt");
  for (int i = 0; i < 2000 && !HasTemporary(dir.path()); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(2));
  ::kill(other, SIGKILL);
  Wait(other);
  auto recovered = RunQuorvel("--recover " + Quote(dir.path().string()));
  EXPECT_EQ(recovered.exitCode, 0) << recovered.err;
  EXPECT_NE(recovered.err.find("file(s) left by runs that did not finish"), std::string::npos) << recovered.err;
  EXPECT_FALSE(HasTemporary(dir.path()));
  recovered = RunQuorvel("--recover " + Quote(dir.path().string()));
  EXPECT_EQ(recovered.err, "quorvel: " + dir.path().string() + ": nothing left by an interrupted run\n");
  recovered = RunQuorvel("--recover " + Quote(dir / "missing"));
  EXPECT_EQ(recovered.exitCode, 2);
  EXPECT_EQ(recovered.err, "quorvel: " + dir / "missing" + ": not a folder\n");

  // Killed once more, the next run into the folder cleans up itself.
  const pid_t third = Start(args, dir / "err.txt");
  for (int i = 0; i < 2000 && !HasTemporary(dir.path()); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(2));
  ::kill(third, SIGKILL);
  Wait(third);
  std::vector<std::string> again(args.begin(), args.end());
  again[0] = "--overwrite";  // not quiet: the clean-up line is shown
  again[1] = "--text=include";
  const pid_t next = Start(again, dir / "err2.txt");
  EXPECT_EQ(Wait(next), 0);
  const std::string err = ReadFile(dir / "err2.txt");
  EXPECT_NE(err.find("file(s) left by runs that did not finish"), std::string::npos) << err;
  EXPECT_FALSE(HasTemporary(dir.path()));
  EXPECT_TRUE(fs::exists(dir / "set.mif"));
}

// kill -9 while a run of many small tiles commits their sets in batches,
// over the sets of an earlier run of another product: once --recover has
// been through the folder, every set is one run's whole output (the earlier
// Land-Line set with its text pair, or the new Code-Point set, whose stale
// text pair has gone), never a mix; a run to the end then replaces them all.
TEST(Trust, AKillNineAmongBatchedCommitsLeavesEverySetOneRunsWhole) {
  ScratchDir dir, a, b;
  const std::string ll = Example("landline_small"), cp = Example("codepoint_small");
  ASSERT_EQ(RunQuorvel("-q -o " + Quote(a / "set.mif") + " " + Quote(ll)).exitCode, 0);
  ASSERT_EQ(RunQuorvel("-q -o " + Quote(b / "set.mif") + " " + Quote(cp)).exitCode, 0);
  const std::vector<std::string> suffixes = {".mif", ".mid", "_Text.mif", "_Text.mid"};
  auto state = [&](int set) {
    std::string s;
    for (const std::string& suffix : suffixes) {
      const std::string f = dir / ("t" + std::to_string(10000 + set) + suffix);
      s += fs::exists(f) ? ReadFile(f) + "|" : "-|";
    }
    return s;
  };
  auto setState = [&](const ScratchDir& d) {
    std::string s;
    for (const std::string& suffix : suffixes) s += fs::exists(d / ("set" + suffix)) ? ReadFile(d / ("set" + suffix)) + "|" : "-|";
    return s;
  };
  const std::string wholeA = setState(a), wholeB = setState(b);
  constexpr int kTiles = 1000;
  std::vector<std::string> args = {"-q", "--separate", "--overwrite", "-j", "2"};
  for (int i = 0; i < kTiles; ++i) {
    args.push_back(dir / ("t" + std::to_string(10000 + i) + ".ntf"));
    fs::copy_file(ll, args.back());
  }
  ASSERT_EQ(Wait(Start(args, dir / "err.txt")), 0) << ReadFile(dir / "err.txt");
  for (int i = 0; i < kTiles; ++i) fs::copy_file(cp, args[5 + i], fs::copy_options::overwrite_existing);

  // Killed once the commit of a set has begun (its earlier text MIF moved
  // aside): in the first batch, then further on.
  for (const int at : {0, 300, 600}) {
    SCOPED_TRACE(at);
    const pid_t pid = Start(args, dir / "err.txt");
    const std::string text = dir / ("t" + std::to_string(10000 + at) + "_Text.mif");
    for (int i = 0; i < 50000 && fs::exists(text); ++i) std::this_thread::sleep_for(std::chrono::microseconds(100));
    ::kill(pid, SIGKILL);
    const int status = Wait(pid);
    EXPECT_TRUE(status == 128 + SIGKILL || status == 0) << status;
    const auto recovered = RunQuorvel("--recover " + Quote(dir.path().string()));
    EXPECT_EQ(recovered.exitCode, 0) << recovered.err;
    for (int i = 0; i < kTiles; ++i) {
      const std::string now = state(i);
      ASSERT_TRUE(now == wholeA || now == wholeB) << "set " << i << ": a mixed set";
    }
    for (const std::string& n : Names(dir.path())) EXPECT_NE(n.front(), '.') << "left behind: " << n;
  }
  ASSERT_EQ(Wait(Start(args, dir / "err.txt")), 0) << ReadFile(dir / "err.txt");
  for (int i = 0; i < kTiles; ++i) ASSERT_EQ(state(i), wholeB) << i;
}

TEST(Trust, AnInputIsNeverAnOutputAndEarlierOutputNeedsOverwrite) {
  ScratchDir dir;
  WriteFile(dir / "precious.mif", "a MapInfo file");
  // Named as the output of a run that reads it.
  {
    const auto r = RunQuorvel("-q --overwrite -o " + Quote(dir / "precious.mif") + " " + Quote(dir / "precious.mif"));
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_EQ(r.err, "quorvel: " + (dir / "precious.mif") + ": would overwrite the input " + (dir / "precious.mif") +
                         "; nothing written\n");
  }
  // Two tiles whose sets would share a file.
  fs::copy_file(Example("landline_small"), dir.path() / "ll.ntf");
  fs::copy_file(Example("codepoint_small"), dir.path() / "ll_Text.ntf");
  const auto shared = RunQuorvel("-q --separate " + Quote(dir / "ll.ntf") + " " + Quote(dir / "ll_Text.ntf"));
  EXPECT_EQ(shared.exitCode, 2);
  // Said once, naming the two tiles, however many files the sets share.
  EXPECT_EQ(shared.err, "quorvel: " + (dir / "ll_Text.mif") + ": would be written by two output sets, from " +
                            (dir / "ll.ntf") + " and " + (dir / "ll_Text.ntf") + "; nothing written\n");
  EXPECT_EQ(Names(dir.path()), (std::vector<std::string>{"ll.ntf", "ll_Text.ntf", "precious.mif"}));
  // Earlier output stays unless --overwrite is given.
  ASSERT_EQ(RunQuorvel("-q " + Quote(dir / "ll.ntf")).exitCode, 0);
  const std::string first = ReadFile(dir / "ll.mif");
  WriteFile(dir / "ll.mif", "edited by hand");
  const auto again = RunQuorvel("-q " + Quote(dir / "ll.ntf"));
  EXPECT_EQ(again.exitCode, 3);
  EXPECT_NE(again.err.find(dir / "ll.mif" + ": exists already; use --overwrite to replace it"), std::string::npos);
  EXPECT_EQ(ReadFile(dir / "ll.mif"), "edited by hand");
  EXPECT_EQ(RunQuorvel("-q --overwrite " + Quote(dir / "ll.ntf")).exitCode, 0);
  EXPECT_EQ(ReadFile(dir / "ll.mif"), first);
  EXPECT_EQ(ReadFile(dir / "precious.mif"), "a MapInfo file");
}

TEST(Trust, ASetOnDiskIsAlwaysOneRunsWholeOutput) {
  ScratchDir dir;
  fs::copy_file(Example("landline_small"), dir.path() / "ll.ntf");
  ASSERT_EQ(RunQuorvel("-q " + Quote(dir / "ll.ntf")).exitCode, 0);
  ASSERT_TRUE(test::Exists(dir / "ll_Text.mif"));
  // Texts with the other objects now: the text pair of the earlier run goes.
  ASSERT_EQ(RunQuorvel("-q --overwrite --text include " + Quote(dir / "ll.ntf")).exitCode, 0);
  EXPECT_EQ(Names(dir.path()), (std::vector<std::string>{"ll.mid", "ll.mif", "ll.ntf"}));
}

TEST(Trust, SetsAreNamedAfterTheTileInItsOwnFolder) {
  ScratchDir dir;
  fs::create_directory(dir.path() / "in");
  fs::copy_file(Example("codepoint_small"), dir.path() / "in/ab");
  fs::copy_file(Example("codepoint_small"), dir.path() / "in/CD.NTF");
  EXPECT_EQ(RunQuorvel("-q --separate " + Quote(dir / "in/ab") + " " + Quote(dir / "in/CD.NTF")).exitCode, 0);
  EXPECT_EQ(Names(dir.path() / "in"), (std::vector<std::string>{"CD.NTF", "CD.mid", "CD.mif", "ab", "ab.mid", "ab.mif"}));
  EXPECT_EQ(Names(dir.path()), std::vector<std::string>{"in"});
}

TEST(Trust, ValuesNoReaderCouldLoadAreNeverWritten) {
  ScratchDir dir;
  // A NUL and an escape in a Code-Point attribute, and a database name that
  // would drive the terminal.
  WriteFile(dir / "cp.ntf", test::Ntf({"01V0%", "02CODE_POINT_1999.01  0%", "07NN        0%",
                                        "210000011000100000010000001 0%", std::string("14000001PCA\0B") + "0%",
                                        "99"}));
  ASSERT_EQ(RunQuorvel("-q " + Quote(dir / "cp.ntf")).exitCode, 0);
  const std::string mid = ReadFile(dir / "cp.mid");
  EXPECT_EQ(mid.find('\0'), std::string::npos);
  EXPECT_EQ(mid.find('\x1b'), std::string::npos);
  WriteFile(dir / "odd.ntf", test::Ntf({"01V0%", "02\x1b]0;owned\x07\x1b[2J      0%", "99"}));
  const auto r = RunQuorvel("-q " + Quote(dir / "odd.ntf"));
  EXPECT_EQ(r.err.find('\x1b'), std::string::npos) << r.err;
  EXPECT_NE(r.err.find("\\x1b]0;owned\\x07\\x1b[2J"), std::string::npos) << r.err;
  // A coordinate too large for the fixed form is a read error, never "0".
  WriteFile(dir / "huge.ntf", test::Ntf({"01V0%", "02Land-Line         0%",
                                          "07SX99      0000010000" + std::string(16, ' ') + "1.0E+125  0000100000" +
                                              std::string(112, ' ') + "000001250 0%",
                                          "15000001        00570%", "2100000110001000100000100 0%", "99"}));
  const auto huge = RunQuorvel("-q " + Quote(dir / "huge.ntf"));
  EXPECT_EQ(huge.exitCode, 1) << huge.err;
  EXPECT_NE(huge.err.find("Error reading NTF file at line"), std::string::npos) << huge.err;
}

}  // namespace
