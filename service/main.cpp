#include <malloc.h>
#include <pthread.h>

#include <csignal>
#include <exception>
#include <iostream>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "admin_commands.h"
#include "catalog.h"
#include "catalog_pruner.h"
#include "feedback_page.h"
#include "open_catalog_store.h"
#include "service_options.h"
#include "service_server.h"
#include "update_service.h"

namespace {

using namespace lintrove::service;

// "127.0.0.1:8140", "[::1]:8140".
std::string Address(const std::string& host, int port) {
  const bool ipv6 = host.find(':') != std::string::npos;
  return (ipv6 ? "[" + host + "]" : host) + ":" + std::to_string(port);
}

// A step1 allocates and frees blocks of some 100 KB several times over (the request, its
// parse, the answer, its compression). By default glibc maps each such block afresh and hands
// freed memory back at once, so that every request paid page faults to get it again.
void KeepLargeBlocks() {
  constexpr int kMapAbove = 8 << 20;
  constexpr int kReturnAbove = 64 << 20;
  mallopt(M_MMAP_THRESHOLD, kMapAbove);
  mallopt(M_TRIM_THRESHOLD, kReturnAbove);
}

int Serve(const ServiceOptions& options, CatalogStore& store) {
  KeepLargeBlocks();
  // SIGINT and SIGTERM are taken by one thread that stops the server; blocked here, before
  // the server's threads start, so that none of them is interrupted by them.
  sigset_t stop_signals;
  sigemptyset(&stop_signals);
  sigaddset(&stop_signals, SIGINT);
  sigaddset(&stop_signals, SIGTERM);
  pthread_sigmask(SIG_BLOCK, &stop_signals, nullptr);

  ServiceLog log(std::cerr, options.log_level);
  Catalog catalog(store, options.threshold, options.origin_daily_additions);
  CatalogPruner pruner(store, log, options.prune_after_days, options.threshold);
  UpdateService service(catalog, ConfiguredRelease(options));
  FeedbackPage feedback(store, options.threshold);
  ServiceServer server(service, feedback, log);
  server.SetPublicUrl(options.public_url);
  server.ServeHealth(store);
  const int port = server.Bind(options.listen, options.port);
  std::cout << Address(options.listen, port) << std::endl;
  log.Write(LogLevel::Info, "listening on " + Address(options.listen, port) + ", database " +
                                options.database + ", threshold " +
                                std::to_string(options.threshold));

  std::thread stopper([&] {
    int signal = 0;
    sigwait(&stop_signals, &signal);
    log.Write(LogLevel::Info, "stopping");
    server.Stop();
  });
  server.Run();
  // Stopped by a signal, or the server ended by itself: the stopper must end either way.
  pthread_kill(stopper.native_handle(), SIGTERM);
  stopper.join();
  return 0;
}

}  // namespace

int main(int argc, char* argv[]) {
  const std::vector<std::string> args(argv + 1, argv + argc);
  try {
    const ServiceOptions options = ParseOptions(args);
    if (options.help) {
      std::cout << kUsage;
      return 0;
    }
    if (options.version) {
      std::cout << "lintrove-service " << LINTROVE_VERSION << '\n';
      return 0;
    }
    const std::unique_ptr<CatalogStore> store = OpenCatalogStore(options.database);
    if (options.command.empty()) return Serve(options, *store);
    return RunAdminCommand(options.command, *store, options, std::cout);
  } catch (const SettingsFileError& error) {
    std::cerr << "lintrove-service: " << error.what() << '\n';
    return 2;
  } catch (const UsageError& error) {
    std::cerr << "lintrove-service: " << error.what() << "\n\n" << kUsage;
    return 2;
  } catch (const std::exception& error) {
    std::cerr << "lintrove-service: " << error.what() << '\n';
    return 1;
  }
}
