// Codec throughput on three deterministic corpora, in MB/s of decoded data, with memcpy of
// the same buffer as the ceiling. Each codec figure is also reported as a share of it.
#include <benchmark/benchmark.h>

#include <chrono>

#include <cstdint>
#include <cstring>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "pack/lzss.h"

namespace {

using Bytes = std::vector<std::uint8_t>;
constexpr std::size_t kSize = 4 << 20;

// English-like text: words drawn with a skewed distribution, sentences and line breaks.
Bytes Text() {
  static const char* words[] = {
      "the",    "of",     "and",     "to",      "a",     "in",    "is",      "that",   "for",
      "it",     "as",     "was",     "with",    "be",    "by",    "on",      "not",    "he",
      "this",   "are",    "or",      "his",     "from",  "at",    "which",   "but",    "have",
      "an",     "had",    "they",    "you",     "were",  "their", "one",     "all",    "we",
      "game",   "disc",   "install", "folder",  "world", "light", "journey", "castle", "river",
      "dragon", "player", "through", "between", "under", "again", "before",  "never",  "always"};
  std::mt19937 rng(1);
  std::geometric_distribution<int> pick(0.12);
  Bytes out;
  int inSentence = 0;
  while (out.size() < kSize) {
    std::string w = words[pick(rng) % (sizeof words / sizeof *words)];
    if (inSentence == 0) w[0] = static_cast<char>(w[0] - 32);
    out.insert(out.end(), w.begin(), w.end());
    if (++inSentence > 6 + static_cast<int>(rng() % 10)) {
      out.push_back('.');
      out.push_back(rng() % 5 == 0 ? '\n' : ' ');
      inSentence = 0;
    } else {
      out.push_back(' ');
    }
  }
  out.resize(kSize);
  return out;
}

// x86-64-like machine code: common opcodes, ModRM bytes, small immediates and addresses.
Bytes Code() {
  std::mt19937 rng(2);
  static const std::vector<std::vector<std::uint8_t>> ops = {{0x48, 0x89},
                                                             {0x48, 0x8B},
                                                             {0xE8},
                                                             {0x48, 0x83, 0xC4},
                                                             {0x48, 0x83, 0xEC},
                                                             {0x0F, 0x84},
                                                             {0x74},
                                                             {0x75},
                                                             {0xC3},
                                                             {0x55},
                                                             {0x5D},
                                                             {0x31, 0xC0},
                                                             {0x48, 0x8D},
                                                             {0x66, 0x0F, 0x1F, 0x44, 0x00, 0x00},
                                                             {0x41, 0x57},
                                                             {0x41, 0x5F},
                                                             {0x89},
                                                             {0x8B}};
  Bytes out;
  while (out.size() < kSize) {
    const auto& op = ops[rng() % ops.size()];
    out.insert(out.end(), op.begin(), op.end());
    switch (rng() % 4) {
      case 0:
        out.push_back(static_cast<std::uint8_t>(0x40 + rng() % 64));
        break;
      case 1:
        out.push_back(static_cast<std::uint8_t>(rng() % 16 * 8));
        break;
      case 2: {
        std::uint32_t rel = rng() % 4096;
        for (int i = 0; i < 4; ++i) out.push_back(static_cast<std::uint8_t>(rel >> (8 * i)));
        break;
      }
      default:
        break;
    }
  }
  out.resize(kSize);
  return out;
}

// An INI-like script repeated with small changes.
Bytes Script() {
  Bytes out;
  for (int n = 0; out.size() < kSize; ++n) {
    std::string s = "[disc" + std::to_string(n % 100) + "]\r\nlabel=KVX_DISC0" +
                    std::to_string(n % 10) + "\r\nfiles=" + std::to_string(n % 37) +
                    "\r\nfile0=data\\level" + std::to_string(n) +
                    ".dat\r\nfile1=movies\\*.*\r\n"
                    "[STRING_TAB]\r\nstring9=Please insert disc %d: %s\r\n";
    out.insert(out.end(), s.begin(), s.end());
  }
  out.resize(kSize);
  return out;
}

const Bytes& Corpus(int which) {
  static const Bytes corpora[3] = {Text(), Code(), Script()};
  return corpora[which];
}

const char* kNames[3] = {"text", "binary", "script"};
std::map<std::string, double> g_memcpy;  // bytes per second of memcpy by corpus

void SetShare(benchmark::State& state, int which, double seconds) {
  double rate =
      static_cast<double>(Corpus(which).size()) * static_cast<double>(state.iterations()) / seconds;
  state.counters["MB/s"] = rate / 1e6;
  auto it = g_memcpy.find(kNames[which]);
  if (it != g_memcpy.end() && it->second > 0) state.counters["%memcpy"] = 100.0 * rate / it->second;
}

void BM_Memcpy(benchmark::State& state) {
  int which = static_cast<int>(state.range(0));
  const Bytes& in = Corpus(which);
  Bytes out(in.size());
  auto start = std::chrono::steady_clock::now();
  for (auto _ : state) {
    std::memcpy(out.data(), in.data(), in.size());
    benchmark::DoNotOptimize(out.data());
    benchmark::ClobberMemory();
  }
  double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  g_memcpy[kNames[which]] =
      static_cast<double>(in.size()) * static_cast<double>(state.iterations()) / seconds;
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * in.size()));
  SetShare(state, which, seconds);
  state.SetLabel(kNames[which]);
}

void BM_Decode(benchmark::State& state) {
  int which = static_cast<int>(state.range(0));
  const Bytes& in = Corpus(which);
  Bytes entry = dl::LzssEncodeToMemory(in.data(), in.size());
  Bytes out(in.size());
  auto start = std::chrono::steady_clock::now();
  for (auto _ : state) {
    if (dl::LzssDecode(out.data(), out.size(), entry.data(), entry.size()) != dl::LzssStatus::kOk)
      state.SkipWithError("decode failed");
    benchmark::DoNotOptimize(out.data());
  }
  double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  if (out != in) state.SkipWithError("round trip differs");
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * in.size()));
  SetShare(state, which, seconds);
  state.SetLabel(std::string(kNames[which]) + ", ratio " +
                 std::to_string(100 * entry.size() / in.size()) + "%");
}

void BM_Encode(benchmark::State& state) {
  int which = static_cast<int>(state.range(0));
  const Bytes& in = Corpus(which);
  dl::LzssEncoder encoder;
  auto start = std::chrono::steady_clock::now();
  for (auto _ : state) {
    dl::MemorySink sink;
    sink.bytes.reserve(in.size());
    encoder.Encode(in.data(), in.size(), sink);
    benchmark::DoNotOptimize(sink.bytes.data());
  }
  double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * in.size()));
  SetShare(state, which, seconds);
  state.SetLabel(kNames[which]);
}

BENCHMARK(BM_Memcpy)->DenseRange(0, 2)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Decode)->DenseRange(0, 2)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Encode)->DenseRange(0, 2)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
