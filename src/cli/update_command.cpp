#include "update_command.h"

#include <filesystem>
#include <optional>
#include <ostream>

#include "base/format.h"
#include "base/release_messages.h"
#include "base/resource_strings.h"
#include "command_runner.h"
#include "flows/setup_download.h"
#include "flows/update_check_flow.h"
#include "platform/client_version.h"
#include "platform/http.h"
#include "settings/client_settings.h"
#include "settings/system_settings.h"

namespace lintrove::cli {
namespace {

constexpr std::string_view kUsage =
    "Usage: lintrove-cli update [--download DIR] [--service HOST/PATH] [--ssl | --no-ssl]\n"
    "\n"
    "Asks the update service whether a newer Lintrove exists and prints this version and the\n"
    "newest. The exit status is 0 when this is the newest, 100 when a newer one is offered and\n"
    "1 on an error.\n"
    "\n"
    "  --download DIR       save the newer version's setup into DIR, once its SHA-256 and its\n"
    "                       signature by Lintrove's release key are checked; it is not started\n"
    "  --service HOST/PATH  the service for this run instead of StrServiceUrl\n"
    "  --ssl, --no-ssl      https or http for this run instead of bol_ssl\n";

struct UpdateOptions {
  std::optional<std::filesystem::path> download;
  std::optional<std::string> service_url;
  std::optional<bool> ssl;
};

UpdateOptions ParseOptions(std::span<const std::string> args) {
  UpdateOptions options;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (arg == "--download" && i + 1 < args.size()) {
      options.download = args[++i];
    } else if (arg == "--service" && i + 1 < args.size()) {
      options.service_url = args[++i];
    } else if (arg == "--ssl" || arg == "--no-ssl") {
      options.ssl = arg == "--ssl";
    } else {
      throw UsageError("unknown argument '" + arg + "'");
    }
  }
  return options;
}

int Update(const UpdateOptions& options, CommandContext& context) {
  ClientSettings client(context.registry);
  client.LoadValues();
  SystemSettings system(context.registry);
  system.Load();

  ServiceTransport transport;
  transport.url = ServiceAddress(options.ssl.value_or(client.bol_ssl),
                                 options.service_url.value_or(system.StrServiceUrl));
  const UpdateResponse response = AskForNewerClient(transport, CurrentClientFacts(client));
  context.out << Format(LoadResString(ResString::ClientVersions), ClientVersion(),
                        response.currentversion)
              << '\n';
  if (CompareWithThisClient(response) >= 0) {
    context.out << LoadResString(ResString::ClientCurrent) << '\n';
    return 0;
  }
  context.out << LoadResString(response.forceupdate ? ResString::ClientMustUpdate
                                                    : ResString::ClientMayUpdate)
              << '\n';
  if (!OffersSetupForThisSystem(response.downloadurl)) {
    context.out << NoSetupForThisSystemText() << '\n';
    if (!response.infopage.empty()) context.out << response.infopage << '\n';
    if (options.download) return 1;
    return kNewerClientOffered;
  }
  context.out << Format(LoadResString(ResString::NewClientOffered), response.currentversion,
                        response.downloadurl)
              << '\n';
  if (options.download) {
    const std::unique_ptr<platform::Http> http = platform::CreateHttp();
    const std::filesystem::path saved =
        DownloadSetup(*http, response.downloadurl, *options.download, response.sha256,
                      response.signature, nullptr);
    context.out << Format(LoadResString(ResString::SetupSaved), saved.string()) << '\n';
  }
  return kNewerClientOffered;
}

}  // namespace

int RunUpdateCommand(std::span<const std::string> args, CommandContext& context) {
  return RunCommand(args, context, kUsage, [&] { return Update(ParseOptions(args), context); });
}

}  // namespace lintrove::cli
