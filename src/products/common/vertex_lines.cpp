#include "products/common/vertex_lines.hpp"

#include <cstring>

#if defined(__x86_64__) && defined(__GNUC__)
#include <immintrin.h>
#define QUORVEL_VERTEX_SHUFFLE 1
#endif

namespace quorvel {

namespace {

#ifdef QUORVEL_VERTEX_SHUFFLE
// The byte shuffle is SSSE3, which not every x86-64 processor has; the
// function is built for it and called only where it is there.
bool HaveByteShuffle() { return __builtin_cpu_supports("ssse3"); }

// 0xff in each byte of `v` that is a digit: a byte less '0' is one when it
// is at most 9, unsigned (SSE2).
inline __m128i DigitBytes(__m128i v) {
  const __m128i d = _mm_sub_epi8(v, _mm_set1_epi8('0'));
  return _mm_cmpeq_epi8(_mm_min_epu8(d, _mm_set1_epi8(9)), d);
}

// True when every field byte of the 16 read (those after the `behind`
// bytes before the fields) is marked in `digits`.
inline bool FieldBytesAreDigits(__m128i digits, std::size_t behind) {
  const unsigned wanted = 0xffffu & ~((1u << behind) - 1);
  return (static_cast<unsigned>(_mm_movemask_epi8(digits)) & wanted) == wanted;
}

// With `check`, the fields' bytes are also looked at as they are read (see
// AllDigits): nullptr when any is not a digit.
template <bool check>
__attribute__((target("ssse3"))) char* ShuffleLines(char* out, const char* fields, std::size_t n,
                                                    std::ptrdiff_t stride, std::size_t behind, std::size_t length,
                                                    const std::uint8_t (&pick)[2][16], const char (&fixed)[2][16]) {
  const __m128i pick0 = _mm_load_si128(reinterpret_cast<const __m128i*>(pick[0]));
  const __m128i pick1 = _mm_load_si128(reinterpret_cast<const __m128i*>(pick[1]));
  const __m128i fixed0 = _mm_load_si128(reinterpret_cast<const __m128i*>(fixed[0]));
  const __m128i fixed1 = _mm_load_si128(reinterpret_cast<const __m128i*>(fixed[1]));
  __m128i digits = _mm_set1_epi8(-1);
  const char* in = fields - behind;
  for (std::size_t i = 0; i < n; ++i, in += stride, out += length) {
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in));
    if constexpr (check) digits = _mm_and_si128(digits, DigitBytes(v));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out), _mm_or_si128(_mm_shuffle_epi8(v, pick0), fixed0));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 16), _mm_or_si128(_mm_shuffle_epi8(v, pick1), fixed1));
  }
  if constexpr (check) {
    if (!FieldBytesAreDigits(digits, behind)) return nullptr;
  }
  return out;
}
#else
bool HaveByteShuffle() { return false; }
#endif

}  // namespace

VertexLines::VertexLines(const OriginDigits& x, const OriginDigits& y, int width, int decimals)
    : VertexLines(x, y, width, decimals, false) {}

VertexLines::VertexLines(const OriginDigits& x, const OriginDigits& y, int width, int decimals, bool withoutOrigins) {
  if (!withoutOrigins && (!x.usable() || !y.usable())) return;
  if (width < 2 || width > 8 || decimals < 0 || decimals >= width) return;
  std::uint8_t pick[2 * 16];
  char fixed[2 * 16];
  std::memset(pick, 0x80, sizeof pick);
  std::memset(fixed, 0, sizeof fixed);
  const std::size_t w = static_cast<std::size_t>(width);
  const std::size_t behind = 16 - 2 * w;
  std::size_t k = 0;
  const auto put = [&](char c) {
    if (k < sizeof fixed) fixed[k] = c;
    ++k;
  };
  const auto field = [&](std::size_t first) {
    for (std::size_t i = 0; i < w; ++i) {
      if (decimals > 0 && i == w - static_cast<std::size_t>(decimals)) put('.');
      if (k < sizeof pick) pick[k] = static_cast<std::uint8_t>(behind + first + i);
      ++k;
    }
  };
  const auto origin = [&](const OriginDigits& o) {
    char digits[8];
    std::memcpy(digits, &o.word, 8);
    for (std::size_t i = 0; i < o.size; ++i) put(digits[i]);
  };
  origin(x);
  field(0);
  put(' ');
  origin(y);
  field(w);
  put('\r');
  put('\n');
  if (k > kMaxLength || !HaveByteShuffle()) return;
  std::memcpy(pick_, pick, sizeof pick);
  std::memcpy(fixed_, fixed, sizeof fixed);
  length_ = k;
  width_ = w;
}

char* VertexLines::Shuffle(char* out, const char* fields, std::size_t n, std::ptrdiff_t stride, bool check) const {
#ifdef QUORVEL_VERTEX_SHUFFLE
  if (usable()) {
    return check ? ShuffleLines<true>(out, fields, n, stride, lookBehind(), length_, pick_, fixed_)
                 : ShuffleLines<false>(out, fields, n, stride, lookBehind(), length_, pick_, fixed_);
  }
#endif
  // Never usable here: nothing is made.
  (void)fields;
  (void)n;
  (void)stride;
  return check ? nullptr : out;
}

bool VertexLines::AllDigits(const char* fields, std::size_t n, std::ptrdiff_t stride) const {
#ifdef QUORVEL_VERTEX_SHUFFLE
  // Each vertex's 16 bytes at once; the bytes before the fields are not
  // looked at.
  __m128i digits = _mm_set1_epi8(-1);
  const char* in = fields - lookBehind();
  for (std::size_t i = 0; i < n; ++i, in += stride)
    digits = _mm_and_si128(digits, DigitBytes(_mm_loadu_si128(reinterpret_cast<const __m128i*>(in))));
  return FieldBytesAreDigits(digits, lookBehind());
#else
  for (std::size_t i = 0; i < n; ++i, fields += stride) {
    for (std::size_t j = 0; j < 2 * width_; ++j) {
      if (fields[j] < '0' || fields[j] > '9') return false;
    }
  }
  return true;
#endif
}

}  // namespace quorvel
