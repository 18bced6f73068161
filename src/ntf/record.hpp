// NTF record conventions shared by every translator: record identifiers,
// 1-based fixed-column fields, number conversion and the read failure that
// ends a translator's record loop.
#pragma once

#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>

namespace quorvel {

// Thrown inside a record loop when a record cannot be read: the record list
// runs out, a continuation chain never ends or a field does not convert.
// The loop catches it and reports the line the cursor stands on.
class NtfReadFailure : public std::runtime_error {
 public:
  explicit NtfReadFailure(const char* what) : std::runtime_error(what) {}
};

// The first two characters of a record (fewer for a shorter one).
inline std::string_view RecordId(std::string_view record) {
  return record.substr(0, record.size() < 2 ? record.size() : 2);
}

// The characters from 1-based column `start` for `length` characters. A field
// that starts past the end is empty; one that runs past the end is cut there.
inline std::string_view Field(std::string_view record, std::size_t start, std::size_t length) {
  if (start == 0) start = 1;
  if (start > record.size()) return {};
  return record.substr(start - 1, length);
}

// Optionally signed decimal integer; leading blanks allowed, nothing after
// the digits. Returns false on an empty field or any other character.
bool TryToInteger(std::string_view field, std::int64_t& value);
// Optionally signed decimal number with "." and an optional exponent; blanks
// around it allowed.
bool TryToReal(std::string_view field, double& value);
bool TryToReal(std::string_view field, long double& value);

// As above, throwing NtfReadFailure when the field does not convert.
std::int64_t ToInteger(std::string_view field);
double ToReal(std::string_view field);
long double ToLongReal(std::string_view field);

// The field with trailing blanks removed.
std::string_view TrimRight(std::string_view s);

}  // namespace quorvel
