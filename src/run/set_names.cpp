#include "run/set_names.hpp"

#include <cctype>

namespace quorvel {

namespace {

bool EndsWithNoCase(std::string_view s, std::string_view tail) {
  if (s.size() < tail.size()) return false;
  for (std::size_t i = 0; i < tail.size(); ++i)
    if (std::tolower(static_cast<unsigned char>(s[s.size() - tail.size() + i])) !=
        std::tolower(static_cast<unsigned char>(tail[i])))
      return false;
  return true;
}

}  // namespace

std::vector<SetMember> SetMembers(std::string_view mifName, const ProductRegistry& products) {
  const std::vector<std::string> suffixes = products.PairSuffixes();
  return SetMemberNames(mifName, suffixes);
}

std::string SetNameOf(std::string_view mifPath, const ProductRegistry& products) {
  if (mifPath.size() < 4) return std::string(mifPath);
  const std::string_view extension = mifPath.substr(mifPath.size() - 4);
  const std::string_view stem = mifPath.substr(0, mifPath.size() - 4);
  std::vector<std::string> suffixes = products.PairSuffixes();
  suffixes.emplace_back(kTextSuffix);
  for (const std::string& suffix : suffixes)
    if (stem.size() > suffix.size() && EndsWithNoCase(stem, suffix))
      return std::string(stem.substr(0, stem.size() - suffix.size())) + std::string(extension);
  return std::string(mifPath);
}

std::string SetPicturePath(std::string_view mifName) { return MemberPath(mifName, "", ".png"); }

const OutputLayer* FindPair(std::string_view suffix, const ProductRegistry& products) {
  for (const OutputLayer* layer : products.Pairs())
    if (layer->suffix == suffix) return layer;
  return nullptr;
}

}  // namespace quorvel
