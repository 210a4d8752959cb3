// Building an address list from a generated address book: the straightforward
// list (a whole-text search per address) against the indexed list.
#include <benchmark/benchmark.h>

#include <cstddef>
#include <map>
#include <string>
#include <vector>

#include "support/text/AddressList.h"
#include "support/text/IndexedAddressList.h"
#include "bench/RealisticAddresses.h"

namespace {

const std::vector<std::string>& Book(std::size_t count) {
  static std::map<std::size_t, std::vector<std::string>> books;
  auto found = books.find(count);
  if (found == books.end())
    found = books.emplace(count, corvane_test::RealisticAddresses(count, 2026)).first;
  return found->second;
}

void BM_AddressList_Straightforward(benchmark::State& state) {
  const std::vector<std::string>& book = Book(static_cast<std::size_t>(state.range(0)));
  std::size_t bytes = 0;
  for (auto _ : state) {
    std::string list;
    for (const std::string& address : book) corvane::AddAddress(address, list);
    bytes = list.size();
    benchmark::DoNotOptimize(list.data());
  }
  state.counters["addresses"] = static_cast<double>(book.size());
  state.counters["list_bytes"] = static_cast<double>(bytes);
}

void BM_AddressList_Indexed(benchmark::State& state) {
  const std::vector<std::string>& book = Book(static_cast<std::size_t>(state.range(0)));
  std::size_t bytes = 0;
  std::size_t memory = 0;
  for (auto _ : state) {
    corvane::IndexedAddressList list;
    for (const std::string& address : book) list.Add(address);
    bytes = list.size();
    memory = list.MemoryBytes();
    benchmark::DoNotOptimize(list.data());
  }
  state.counters["addresses"] = static_cast<double>(book.size());
  state.counters["list_bytes"] = static_cast<double>(bytes);
  state.counters["memory_per_byte"] = bytes ? double(memory) / double(bytes) : 0.0;
}

}  // namespace

// The straightforward list grows quadratically: one run each from 100 k on;
// 1 M would take hours and is left out.
BENCHMARK(BM_AddressList_Straightforward)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_AddressList_Straightforward)->Arg(100000)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_AddressList_Indexed)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_AddressList_Indexed)->Arg(1000000)->Iterations(3)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
