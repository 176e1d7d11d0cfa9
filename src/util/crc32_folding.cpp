#include "util/crc32_folding.h"

// The carry-less multiply is an x86 instruction; elsewhere, and where the compiler was not
// allowed to use it, the table path does all the work.
#if defined(_MSC_VER) && (defined(_M_X64) || defined(_M_IX86))
#define DL_CRC32_FOLDING 1
#include <intrin.h>
#elif defined(__PCLMUL__) && defined(__SSE2__) && defined(__XSAVE__)
#define DL_CRC32_FOLDING 1
#include <cpuid.h>
#include <immintrin.h>
#endif

#if DL_CRC32_FOLDING
#include <emmintrin.h>
#include <wmmintrin.h>
#endif

namespace dl {

#if DL_CRC32_FOLDING
namespace {

// The processor multiplies without carry, and the system saves the SSE registers across
// task switches. A system that enables the extended state saving says so in the processor's
// own flags; older systems (up to XP) never do, and keep the table path.
bool CanFold() {
  unsigned int ecx = 0, edx = 0;
#if defined(_MSC_VER)
  int regs[4] = {};
  __cpuid(regs, 1);
  ecx = static_cast<unsigned int>(regs[2]);
  edx = static_cast<unsigned int>(regs[3]);
#else
  unsigned int eax = 0, ebx = 0;
  if (__get_cpuid(1, &eax, &ebx, &ecx, &edx) == 0) return false;
#endif
  const bool multiply = (ecx & (1u << 1)) != 0;
  const bool sse2 = (edx & (1u << 26)) != 0;
  const bool savesState = (ecx & (1u << 27)) != 0;
  if (!multiply || !sse2 || !savesState) return false;
  return (_xgetbv(0) & 0x2) != 0;  // the SSE registers are in the saved state
}

// x^n mod P for the folding distances (512+64/512, 128+64/128 bits) and the 64-bit fold,
// then P itself and the Barrett constant, all bit-reflected as the checksum is.
alignas(16) const std::uint64_t kFold512[2] = {0x0154442bd4ull, 0x01c6e41596ull};
alignas(16) const std::uint64_t kFold128[2] = {0x01751997d0ull, 0x00ccaa009eull};
alignas(16) const std::uint64_t kFold64[2] = {0x0163cd6124ull, 0};
alignas(16) const std::uint64_t kBarrett[2] = {0x01db710641ull, 0x01f7011641ull};

// One lane folded over the next 128 bits: lane * k (both halves), xored into next.
inline __m128i FoldInto(__m128i lane, __m128i k, __m128i next) {
  const __m128i low = _mm_clmulepi64_si128(lane, k, 0x00);
  const __m128i high = _mm_clmulepi64_si128(lane, k, 0x11);
  return _mm_xor_si128(_mm_xor_si128(high, low), next);
}

inline __m128i Load(const unsigned char* p) {
  return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
}

std::uint32_t Fold(const unsigned char* p, std::size_t size, std::uint32_t state) {
  __m128i x1 = _mm_xor_si128(Load(p), _mm_cvtsi32_si128(static_cast<int>(state)));
  __m128i x2 = Load(p + 16), x3 = Load(p + 32), x4 = Load(p + 48);
  p += 64;
  size -= 64;
  __m128i k = _mm_load_si128(reinterpret_cast<const __m128i*>(kFold512));
  while (size >= 64) {
    x1 = FoldInto(x1, k, Load(p));
    x2 = FoldInto(x2, k, Load(p + 16));
    x3 = FoldInto(x3, k, Load(p + 32));
    x4 = FoldInto(x4, k, Load(p + 48));
    p += 64;
    size -= 64;
  }
  // Four lanes into one, then the remaining blocks one at a time.
  k = _mm_load_si128(reinterpret_cast<const __m128i*>(kFold128));
  x1 = FoldInto(x1, k, x2);
  x1 = FoldInto(x1, k, x3);
  x1 = FoldInto(x1, k, x4);
  while (size >= 16) {
    x1 = FoldInto(x1, k, Load(p));
    p += 16;
    size -= 16;
  }
  // 128 bits to 64, then 64 to 32 by Barrett reduction.
  const __m128i low32 = _mm_setr_epi32(~0, 0, ~0, 0);
  x2 = _mm_clmulepi64_si128(x1, k, 0x10);
  x1 = _mm_xor_si128(_mm_srli_si128(x1, 8), x2);
  k = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(kFold64));
  x2 = _mm_srli_si128(x1, 4);
  x1 = _mm_xor_si128(_mm_clmulepi64_si128(_mm_and_si128(x1, low32), k, 0x00), x2);
  k = _mm_load_si128(reinterpret_cast<const __m128i*>(kBarrett));
  x2 = _mm_clmulepi64_si128(_mm_and_si128(x1, low32), k, 0x10);
  x2 = _mm_clmulepi64_si128(_mm_and_si128(x2, low32), k, 0x00);
  x1 = _mm_xor_si128(x1, x2);
  return static_cast<std::uint32_t>(_mm_cvtsi128_si32(_mm_srli_si128(x1, 4)));
}

}  // namespace

std::size_t Crc32Fold(const unsigned char* data, std::size_t size, std::uint32_t* state) {
  static const bool canFold = CanFold();
  if (!canFold || size < 64) return 0;
  const std::size_t taken = size & ~static_cast<std::size_t>(15);
  *state = Fold(data, taken, *state);
  return taken;
}

#else

std::size_t Crc32Fold(const unsigned char*, std::size_t, std::uint32_t*) {
  return 0;
}

#endif

}  // namespace dl
