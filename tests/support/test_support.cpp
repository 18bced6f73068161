#include "support/test_support.hpp"

#include <fstream>
#include <sstream>

#ifndef _WIN32
#include <csignal>
#include <stdexcept>
#include <sys/resource.h>

#include <archive.h>
#include <archive_entry.h>
#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <random>
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace quorvel::test {

// What starts processes and makes scratch folders differs between the
// systems: POSIX here, Windows in test_support_windows.cpp.
#ifndef _WIN32
ScratchDir::ScratchDir() {
  std::random_device rd;
  for (;;) {
    path_ = std::filesystem::temp_directory_path() / ("quorvel-test-" + std::to_string(::getpid()) + "-" + std::to_string(rd()));
    if (std::filesystem::create_directory(path_)) break;
  }
}

ScratchDir::~ScratchDir() {
  std::error_code ec;
  std::filesystem::remove_all(path_, ec);
}
#endif

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

void WriteFile(const std::string& path, const std::string& text) {
  std::ofstream out(path, std::ios::binary);
  out << text;
}

bool Exists(const std::string& path) { return std::filesystem::exists(path); }

std::vector<std::string> CrLfLines(const std::string& text) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find("\r\n", start);
    if (end == std::string::npos) {
      lines.push_back(text.substr(start));
      break;
    }
    lines.push_back(text.substr(start, end - start));
    start = end + 2;
  }
  return lines;
}

std::vector<std::string> SplitRow(const std::string& row) {
  std::vector<std::string> values;
  std::size_t start = 0;
  for (;;) {
    const std::size_t comma = row.find(',', start);
    values.push_back(row.substr(start, comma == std::string::npos ? std::string::npos : comma - start));
    if (comma == std::string::npos) return values;
    start = comma + 1;
  }
}

std::string Ntf(std::initializer_list<std::string> lines) {
  std::string s;
  for (const auto& l : lines) s += l + "\r\n";
  return s;
}

#ifndef _WIN32
std::string NoSuchFile() { return "No such file or directory"; }
std::string NoSuchFolder() { return "No such file or directory"; }

std::string Quote(const std::string& s) {
  std::string q = "'";
  for (char c : s) {
    if (c == '\'') q += "'\\''";
    else q += c;
  }
  return q + "'";
}

CommandResult RunCommand(const std::string& command) {
  CommandResult r;
  char errPath[] = "/tmp/quorvel-stderr-XXXXXX";
  int fd = ::mkstemp(errPath);
  if (fd >= 0) ::close(fd);
  const std::string full = command + " 2>" + errPath;
  std::FILE* pipe = ::popen(full.c_str(), "r");
  if (!pipe) return r;
  std::array<char, 65536> buffer;
  std::size_t n;
  while ((n = std::fread(buffer.data(), 1, buffer.size(), pipe)) > 0) r.out.append(buffer.data(), n);
  const int status = ::pclose(pipe);
  r.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  r.err = ReadFile(errPath);
  std::remove(errPath);
  return r;
}

CommandResult RunQuorvel(const std::string& arguments) {
  return RunCommand(Quote(QUORVEL_CLI) + " " + arguments + " </dev/null");
}

CommandResult RunQuorvelIn(const std::filesystem::path& folder, const std::string& arguments) {
  return RunCommand("cd " + Quote(folder.string()) + " && " + Quote(QUORVEL_CLI) + " " + arguments + " </dev/null");
}

void WriteArchive(const std::string& path, Kind kind, const std::vector<Member>& members) {
  archive* a = archive_write_new();
  switch (kind) {
    case Kind::Zip: archive_write_set_format_zip(a); break;
    case Kind::Tar: archive_write_set_format_pax_restricted(a); break;
    case Kind::TarGz:
      archive_write_set_format_pax_restricted(a);
      archive_write_add_filter_gzip(a);
      break;
    case Kind::Gz:
      archive_write_set_format_raw(a);
      archive_write_add_filter_gzip(a);
      break;
  }
  ASSERT_EQ(archive_write_open_filename(a, path.c_str()), ARCHIVE_OK) << archive_error_string(a);
  for (const Member& m : members) {
    archive_entry* e = archive_entry_new();
    archive_entry_set_pathname(e, m.name.c_str());
    const bool noData = m.folder || !m.symlink.empty() || !m.hardlink.empty() || m.fifo;
    archive_entry_set_filetype(e, m.folder ? AE_IFDIR : !m.symlink.empty() ? AE_IFLNK : m.fifo ? AE_IFIFO : AE_IFREG);
    if (!m.symlink.empty()) archive_entry_set_symlink(e, m.symlink.c_str());
    if (!m.hardlink.empty()) archive_entry_set_hardlink(e, m.hardlink.c_str());
    archive_entry_set_perm(e, m.folder ? 0755 : 0644);
    archive_entry_set_size(e, noData ? 0 : static_cast<la_int64_t>(m.bytes.size()));
    ASSERT_EQ(archive_write_header(a, e), ARCHIVE_OK) << archive_error_string(a);
    if (!noData) {
      ASSERT_EQ(archive_write_data(a, m.bytes.data(), m.bytes.size()), la_ssize_t(m.bytes.size()));
    }
    archive_entry_free(e);
    if (kind == Kind::Gz) break;
  }
  ASSERT_EQ(archive_write_close(a), ARCHIVE_OK);
  archive_write_free(a);
}
#endif


void RemoveSet(const std::string& mifName) {
  for (const SetMember& m : SetMembers(mifName, Products()))
    if (std::filesystem::is_regular_file(std::filesystem::symlink_status(m.path))) std::filesystem::remove(m.path);
}

#ifndef _WIN32
bool UnderFileSizeLimit(std::uint64_t bytes, const std::function<bool()>& f) {
  struct rlimit saved {};
  if (getrlimit(RLIMIT_FSIZE, &saved) != 0) throw std::runtime_error("getrlimit");
  const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
  struct rlimit small = saved;
  small.rlim_cur = bytes;
  if (setrlimit(RLIMIT_FSIZE, &small) != 0) throw std::runtime_error("setrlimit");
  const bool result = f();
  setrlimit(RLIMIT_FSIZE, &saved);
  std::signal(SIGXFSZ, oldHandler);
  return result;
}
#endif

}  // namespace quorvel::test
