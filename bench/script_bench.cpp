// Loading a large script: a 1 MB setup script of about 40,000 small sections, and a group
// description of 10,000 groups, against reading the same bytes into memory. Lookups are
// indexed, so loading grows with the script's size, not with its square.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <string>

#include "grpconv/progman.h"
#include "script/ini_file.h"

namespace {

std::string BigScript() {
  std::string text;
  for (int i = 0; text.size() < (1u << 20); ++i)
    text += "[disc" + std::to_string(i) + "]\r\nlabel=" + std::to_string(i) + "\r\n";
  return text;
}

std::string BigGroups() {
  std::string text = "[progman.groups]\r\n";
  for (int i = 0; i < 10000; ++i)
    text += "group" + std::to_string(i) + "=Group " + std::to_string(i) + "\r\n";
  for (int i = 0; i < 10000; ++i)
    text += "[group" + std::to_string(i) + "]\r\n\"Item\",\"C:\\G\\game.exe\",,,,\"C:\\G\"\r\n";
  return text;
}

void BM_ReadScriptBytes(benchmark::State& state) {
  const std::string text = BigScript();
  for (auto _ : state) {
    std::string copy(text.data(), text.size());
    benchmark::DoNotOptimize(copy.data());
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * text.size()));
}

void BM_LoadScript(benchmark::State& state) {
  const std::string text = BigScript();
  for (auto _ : state) {
    dl::IniFile doc;
    doc.LoadText(text);
    benchmark::DoNotOptimize(doc.FindSection("[disc49999]"));
    state.counters["sections"] = static_cast<double>(doc.sections().size());
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * text.size()));
}

void BM_ParseGroups(benchmark::State& state) {
  const std::string text = BigGroups();
  for (auto _ : state) benchmark::DoNotOptimize(grpconv::ParseProgmanGroups(text).size());
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * text.size()));
}

}  // namespace

BENCHMARK(BM_ReadScriptBytes)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LoadScript)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ParseGroups)->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
