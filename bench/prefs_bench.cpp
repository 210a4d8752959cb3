// Configuring every account of a generated prefs.js in memory (read the
// records, rebuild the lines, apply them): the literal method (four
// whole-text pattern searches per account, one whole-text search per
// replaced line) against the one-pass reader and the one-copy rewrite.
#include <benchmark/benchmark.h>

#include <cstddef>
#include <map>
#include <string>
#include <utility>

#include "Config/parsers/NetscapePrefs.h"
#include "fuzz/Literal.h"
#include "support/text/AccountRules.h"
#include "bench/GeneratedPrefs.h"

namespace {

// Accounts -> text of about 5 KB per account (5 MB for 1 000).
const std::string& Prefs(std::size_t accounts) {
  static std::map<std::size_t, std::string> texts;
  auto found = texts.find(accounts);
  if (found == texts.end())
    found = texts.emplace(accounts, corvane_test::RealisticPrefs(accounts, accounts * 5000, 2026))
                .first;
  return found->second;
}

using Reader = void (*)(const std::string&, corvane::MailServerList&);
using Writer = void (*)(const corvane::MailServerList&, std::string&);

std::string Configure(const std::string& original, Reader read, Writer apply,
                      std::size_t* records) {
  corvane::MailServerList servers;
  read(original, servers);
  corvane::RewriteServers(servers, "127.0.0.1", {corvane::CanConfigure, corvane::ConfigureAccount});
  std::string text = original;
  apply(servers, text);
  *records = servers.size();
  return text;
}

void Run(benchmark::State& state, Reader read, Writer apply) {
  const std::string& original = Prefs(static_cast<std::size_t>(state.range(0)));
  std::size_t records = 0;
  std::string text;
  for (auto _ : state) {
    text = Configure(original, read, apply, &records);
    benchmark::DoNotOptimize(text.data());
  }
  // The two methods must give the same bytes: checked outside the timing.
  std::size_t unused = 0;
  const std::string other = read == corvane::ReadServerList
                                ? Configure(original, corvane::ReadServerListLiteral,
                                            corvane::ApplyRebuiltLinesLiteral, &unused)
                                : Configure(original, corvane::ReadServerList,
                                            corvane::ApplyRebuiltLines, &unused);
  state.counters["identical"] = other == text ? 1 : 0;
  state.counters["records"] = static_cast<double>(records);
  state.counters["MB"] = static_cast<double>(original.size()) / 1e6;
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * original.size()));
}

void BM_Prefs_Literal(benchmark::State& state) {
  Run(state, corvane::ReadServerListLiteral, corvane::ApplyRebuiltLinesLiteral);
}
void BM_Prefs_OnePass(benchmark::State& state) {
  Run(state, corvane::ReadServerList, corvane::ApplyRebuiltLines);
}

}  // namespace

BENCHMARK(BM_Prefs_Literal)->Arg(10)->Arg(100)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Prefs_Literal)->Arg(1000)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Prefs_OnePass)->Arg(10)->Arg(100)->Arg(1000)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
