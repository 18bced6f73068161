#include "support/test_support.hpp"

#include <array>
#include <cstdio>
#include <fstream>
#include <random>
#include <sstream>
#include <sys/wait.h>
#include <unistd.h>

namespace quorvel::test {

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

}  // namespace quorvel::test
