// The address-book scans on generated 50 MB and 100 MB texts: the Mork scan,
// Opera contact extraction and nickname parsing, each as the literal method
// (the reference) and as the product runs it, the scan alone (addresses
// counted) and the scan feeding the indexed address list.  Throughput is
// bytes of input per second; the 50 MB rows show the growth.
#include <benchmark/benchmark.h>

#include <cstddef>
#include <map>
#include <string>
#include <utility>

#include "Config/parsers/EudoraNicknames.h"
#include "Config/parsers/MorkScan.h"
#include "Config/parsers/OperaContacts.h"
#include "fuzz/Literal.h"
#include "support/text/IndexedAddressList.h"
#include "bench/GeneratedBooks.h"

namespace {

enum Format { kMork, kOpera, kNicknames };
using Scan = void (*)(const std::string&, const corvane::AddressSink&);

// One generated text per format and size, kept for the whole run.
const std::string& Book(Format format, std::size_t megabytes) {
  static std::map<std::pair<int, std::size_t>, std::string> books;
  const auto key = std::make_pair(static_cast<int>(format), megabytes);
  auto found = books.find(key);
  if (found == books.end()) {
    const std::size_t bytes = megabytes * 1000 * 1000;
    std::string text = format == kMork    ? corvane_test::RealisticMork(bytes, 7)
                       : format == kOpera ? corvane_test::RealisticOperaContacts(bytes, 7)
                                          : corvane_test::RealisticNicknames(bytes, 7);
    found = books.emplace(key, std::move(text)).first;
  }
  return found->second;
}

void ScanOnly(benchmark::State& state, Format format, Scan scan) {
  const std::string& text = Book(format, static_cast<std::size_t>(state.range(0)));
  std::size_t found = 0;
  for (auto _ : state) {
    found = 0;
    scan(text, [&found](const std::string&) { ++found; });
  }
  state.counters["addresses"] = static_cast<double>(found);
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * text.size()));
}

void ScanIntoList(benchmark::State& state, Format format, Scan scan) {
  const std::string& text = Book(format, static_cast<std::size_t>(state.range(0)));
  std::size_t listed = 0;
  for (auto _ : state) {
    corvane::IndexedAddressList list;
    scan(text, corvane::IntoList(list));
    listed = list.size();
  }
  state.counters["list_bytes"] = static_cast<double>(listed);
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * text.size()));
}

void BM_Mork_Scan(benchmark::State& s) { ScanOnly(s, kMork, corvane::ScanMorkAddresses); }
void BM_Mork_ScanIntoList(benchmark::State& s) {
  ScanIntoList(s, kMork, corvane::ScanMorkAddresses);
}
void BM_Opera_Literal(benchmark::State& s) {
  ScanOnly(s, kOpera, corvane::ExtractOperaAddressesLiteral);
}
void BM_Opera_Scan(benchmark::State& s) { ScanOnly(s, kOpera, corvane::ExtractOperaAddresses); }
void BM_Opera_ScanIntoList(benchmark::State& s) {
  ScanIntoList(s, kOpera, corvane::ExtractOperaAddresses);
}
void BM_Nicknames_Literal(benchmark::State& s) {
  ScanOnly(s, kNicknames, corvane::ParseNicknamesLiteral);
}
void BM_Nicknames_Scan(benchmark::State& s) { ScanOnly(s, kNicknames, corvane::ParseNicknames); }
void BM_Nicknames_ScanIntoList(benchmark::State& s) {
  ScanIntoList(s, kNicknames, corvane::ParseNicknames);
}

}  // namespace

#define CORVANE_SCAN_SIZES ->Arg(50)->Arg(100)->Unit(benchmark::kMillisecond)
BENCHMARK(BM_Mork_Scan) CORVANE_SCAN_SIZES;
BENCHMARK(BM_Mork_ScanIntoList) CORVANE_SCAN_SIZES;
BENCHMARK(BM_Opera_Literal) CORVANE_SCAN_SIZES;
BENCHMARK(BM_Opera_Scan) CORVANE_SCAN_SIZES;
BENCHMARK(BM_Opera_ScanIntoList) CORVANE_SCAN_SIZES;
BENCHMARK(BM_Nicknames_Literal) CORVANE_SCAN_SIZES;
BENCHMARK(BM_Nicknames_Scan) CORVANE_SCAN_SIZES;
BENCHMARK(BM_Nicknames_ScanIntoList) CORVANE_SCAN_SIZES;

BENCHMARK_MAIN();
