#include <malloc.h>
#include <pthread.h>
#include <unistd.h>

#include <atomic>
#include <csignal>
#include <exception>
#include <iostream>
#include <memory>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "admin/admin_commands.h"
#include "admin/catalog_pruner.h"
#include "admin/service_options.h"
#include "catalog/catalog.h"
#include "catalog/update_service.h"
#include "http/service_server.h"
#include "pages/feedback_page.h"
#include "storage/open_catalog_store.h"
#include "storage/shown_database.h"

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

// A second SIGINT or SIGTERM while stopping ends the process at once.
void EndAtOnceOnAnotherSignal(sigset_t stop_signals) {
  std::thread([stop_signals] {
    int signal = 0;
    sigwait(&stop_signals, &signal);
    constexpr std::string_view kLine = "lintrove-service: stopped at once\n";
    [[maybe_unused]] const ssize_t written = write(STDERR_FILENO, kLine.data(), kLine.size());
    _exit(1);
  }).detach();
}

int Serve(const ServiceOptions& options, CatalogStore& store) {
  KeepLargeBlocks();
  // A file-size limit must fail the write that meets it, as a full disk does, not end the
  // process.
  std::signal(SIGXFSZ, SIG_IGN);
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
  ServiceServer server(service, feedback, log, options.server);
  server.SetPublicUrl(options.public_url);
  server.ServeOperators(store);
  const int port = server.Bind(options.listen, options.port);
  std::cout << Address(options.listen, port) << std::endl;
  log.Write(LogLevel::Info, "listening on " + Address(options.listen, port) + ", database " +
                                ShownDatabase(options.database) + ", threshold " +
                                std::to_string(options.threshold));

  enum State { kServing, kStopping, kEnded };
  std::atomic<int> state = kServing;
  const auto grace = options.server.stop_timeout;
  std::thread stopper([&] {
    int signal = 0;
    sigwait(&stop_signals, &signal);
    int serving = kServing;
    if (!state.compare_exchange_strong(serving, kStopping)) return;
    EndAtOnceOnAnotherSignal(stop_signals);
    log.Write(LogLevel::Info, "stopping: the requests under way have " +
                                  std::to_string(grace.count()) + " s to finish");
    if (!server.Stop(grace)) {
      // A request stuck where no socket reaches it (a database that hangs) would keep the
      // process forever.
      log.Write(LogLevel::Warning, "stopping: requests still under way were abandoned");
      _exit(0);
    }
  });
  server.Run();
  // Stopped by a signal, or the server ended by itself: the stopper must end either way.
  if (int serving = kServing; state.compare_exchange_strong(serving, kEnded)) {
    pthread_kill(stopper.native_handle(), SIGTERM);
  }
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
