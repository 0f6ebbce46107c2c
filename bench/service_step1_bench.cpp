// The service's side of a step1 of 150 programs, without HTTP: reading the request, judging
// each program against a SQLite catalog that 1,000 clients taught, writing the answer. A
// client that reports what it reported before (the common case: only reads) is measured beside
// one whose report is new to the catalog (a write each time).
#include <benchmark/benchmark.h>

#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "catalog/catalog.h"
#include "catalog/update_service.h"
#include "http/fast_gzip.h"
#include "storage/sqlite_catalog_store.h"

namespace lintrove::service {
namespace {

constexpr int kPrograms = 150;
constexpr int kPool = 600;
constexpr int kClients = 1000;

std::string Guid(int client) {
  char text[48];
  std::snprintf(text, sizeof text, "{00000001-0000-4000-8000-%012X}", client);
  return text;
}

// The request of one client: programs drawn from a shared pool, each in one of three versions
// (six clients in ten have the newest), as the load benchmark's clients send them.
std::string Step1(int client) {
  std::string body =
      "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<dorvupdater><Command><str_command>"
      "<![CDATA[step1]]></str_command></Command><Client Version=\"1.4.0.0\" Guid=\"" +
      Guid(client) +
      "\" LCID=\"00000407\" WindowsVersion=\"10.0.19045 2\" upgrades=\"1\" win64=\"1\" "
      "betas=\"0\"></Client><Programme>";
  const int first = (client * 7919) % kPool;
  for (int position = 0; position < kPrograms; ++position) {
    const int index = (first + position * 3) % kPool;
    const int lag = (client * 7 + index) % 10;
    const std::string version = std::to_string(index % 7 + 1) + "." +
                                std::to_string(lag < 6 ? 3 : (lag < 9 ? 2 : 1)) + ".0";
    const std::string n = std::to_string(index);
    body += "<Programm ID=\"" + std::to_string(position) +
            "\" ClassType=\"tRegistryProgramm\"><DisplayName><![CDATA[Program " + n + " " +
            version + " (x64)]]></DisplayName><DisplayVersion><![CDATA[" + version +
            "]]></DisplayVersion><UninstallString><![CDATA[\"C:\\Program Files\\Program " + n +
            "\\uninstall.exe\"]]></UninstallString><Publisher><![CDATA[Vendor " +
            std::to_string(index % 50) + "]]></Publisher><RegistryKey><![CDATA[Program " + n +
            "]]></RegistryKey></Programm>";
  }
  return body + "</Programme></dorvupdater>\r\n";
}

// Each simulated client in a network of its own, as clients on the internet are.
std::string ClientAddress(int client) {
  return "10." + std::to_string(client >> 8 & 0xFF) + "." + std::to_string(client & 0xFF) + ".1";
}

// The catalog of the benchmark, taught once per run.
struct TaughtCatalog {
  TaughtCatalog()
      : file(std::filesystem::temp_directory_path() /
             ("lintrove-step1-bench-" + std::to_string(getpid()) + ".db")),
        store(file),
        catalog(store, 3),
        service(catalog, Release{}) {
    for (int client = 1; client <= kClients; ++client) {
      service.Answer(Step1(client), "", ClientAddress(client));
    }
  }
  ~TaughtCatalog() {
    for (const char* suffix : {"", "-wal", "-shm"}) {
      std::filesystem::remove(file.string() + suffix);
    }
  }
  std::filesystem::path file;
  SqliteCatalogStore store;
  Catalog catalog;
  UpdateService service;
};

TaughtCatalog& Taught() {
  static TaughtCatalog taught;
  return taught;
}

void BM_Step1OfAClientThatReportedBefore(benchmark::State& state) {
  UpdateService& service = Taught().service;
  std::vector<std::string> bodies;
  for (int client = 1; client <= 50; ++client) bodies.push_back(Step1(client));
  std::size_t next = 0;
  for (auto _ : state) {
    const std::size_t client = next++ % bodies.size();
    const ServiceAnswer answer =
        service.Answer(bodies[client], "", ClientAddress(static_cast<int>(client) + 1));
    if (answer.http_status != 200) state.SkipWithError("refused");
    benchmark::DoNotOptimize(answer.document.data());
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_Step1OfAClientThatReportedBefore)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_Step1OfANewClient(benchmark::State& state) {
  UpdateService& service = Taught().service;
  int client = kClients;
  for (auto _ : state) {
    state.PauseTiming();
    const std::string body = Step1(++client);
    state.ResumeTiming();
    const ServiceAnswer answer = service.Answer(body, "", ClientAddress(client));
    if (answer.http_status != 200) state.SkipWithError("refused");
    benchmark::DoNotOptimize(answer.document.data());
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_Step1OfANewClient)->Unit(benchmark::kMillisecond)->UseRealTime();

// What the HTTP side adds to a step1 for a client that accepts gzip.
void BM_GzipOfAStep1Answer(benchmark::State& state) {
  const std::string document = Taught().service.Answer(Step1(1), "", ClientAddress(1)).document;
  for (auto _ : state) {
    const std::string compressed = FastGzip(document);
    benchmark::DoNotOptimize(compressed.data());
  }
  state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(document.size()));
}
BENCHMARK(BM_GzipOfAStep1Answer)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace lintrove::service

BENCHMARK_MAIN();
