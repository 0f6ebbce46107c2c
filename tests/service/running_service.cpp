#include "running_service.h"

#include <gtest/gtest.h>

#include "base/error.h"
#include "inventory/installer_program.h"
#include "inventory/registry_program.h"
#include "loopback_http.h"
#include "platform/posix/posix_registry.h"
#include "protocol/transport.h"
#include "settings/client_settings.h"
#include "storage/open_catalog_store.h"

namespace lintrove::test {

RunningService::RunningService(std::int64_t threshold, service::Release release,
                               service::ServerSettings settings, CatalogEngine engine,
                               service::LogLevel log_level)
    : log_(log_text_, log_level),
      store_(service::OpenCatalogStore(NewCatalogDatabase(engine, dir_))),
      catalog_(*store_, threshold),
      service_(catalog_, std::move(release)),
      feedback_(*store_, threshold),
      server_(service_, feedback_, log_, std::move(settings)),
      port_((server_.ServeOperators(*store_), server_.Bind("127.0.0.1", 0))),
      thread_([this] { server_.Run(); }) {}

RunningService::~RunningService() { Stop(std::chrono::milliseconds(0)); }

bool RunningService::Stop(std::chrono::milliseconds grace) {
  if (stopped_) return true;
  stopped_ = true;
  const bool in_time = server_.Stop(grace);
  thread_.join();
  return in_time;
}

service::ServerSettings WithMaxBody(std::size_t bytes) {
  service::ServerSettings settings;
  settings.connections.max_body = bytes;
  return settings;
}

std::string RunningService::ServiceUrl() const {
  return "127.0.0.1:" + std::to_string(port_) + std::string(service::ServiceServer::kEndpoint);
}

std::string ClientGuid(int number) {
  char text[64];
  std::snprintf(text, sizeof text, "{0F8FAD5B-D9CB-469F-A165-%012X}", number);
  return text;
}

service::ServiceOptions ThresholdOptions(std::int64_t threshold) {
  service::ServiceOptions options;
  options.threshold = threshold;
  return options;
}

std::string NetworkAddress(int number) {
  return "127." + std::to_string((number >> 8) & 0xFF) + "." + std::to_string(number & 0xFF) + ".1";
}

ClientMachine Machine(int number, bool upgrades, bool betas) {
  return {ClientGuid(number), upgrades, betas, NetworkAddress(number)};
}

std::unique_ptr<Program> RegistryEntry(const std::string& name, const std::string& version,
                                       const std::string& publisher, const std::string& key) {
  auto program = std::make_unique<RegistryProgram>();
  program->DisplayName = name;
  program->DisplayVersion = version;
  program->Publisher = publisher;
  program->RegistryKey = key.empty() ? name : key;
  program->UninstallString = "C:\\Program Files\\" + name + "\\uninstall.exe";
  return program;
}

std::unique_ptr<Program> InstallerProduct(const std::string& name, const std::string& version,
                                          const std::string& manufacturer,
                                          const std::string& upgrade_code) {
  auto program = std::make_unique<InstallerProgram>();
  program->ProduktGuid = "{11111111-2222-3333-4444-555555555555}";
  program->ProductName = name;
  program->VersionString = version;
  program->Manufacturer = manufacturer;
  program->UpgradeCode = upgrade_code;
  return program;
}

VerdictList Check(const RunningService& service, const ClientMachine& machine,
                  std::vector<std::unique_ptr<Program>> programs, std::string* offered) {
  TempDir registry_dir;
  platform::PosixRegistry registry(registry_dir.Path());
  ClientSettings client(registry);
  client.ClientGuid = machine.guid;
  client.bol_upgrades = machine.upgrades;
  client.bol_developerversionen = machine.betas;

  VerdictList records;
  ProgramRefList sent;
  for (auto& program : programs) {
    auto record = std::make_unique<ProgramVerdict>();
    record->program = std::move(program);
    sent.Add(record->program.get());
    records.Add(std::move(record));
  }
  ServiceTransport transport(machine.address.empty()
                                 ? platform::CreateHttp()
                                 : std::make_unique<LoopbackHttp>(machine.address));
  transport.url = ServiceAddress(false, service.ServiceUrl());
  const UpdateCheckResult result =
      RunUpdateCheck(transport, client, sent, records, [&](const UpdateResponse& response) {
        if (offered) *offered = response.currentversion;
        return SelfUpdateChoice::GoOn;
      });
  EXPECT_EQ(result, UpdateCheckResult::Completed);
  return records;
}

ProgramVerdict CheckOne(const RunningService& service, const ClientMachine& machine,
                        const std::string& name, const std::string& version) {
  std::vector<std::unique_ptr<Program>> programs;
  programs.push_back(RegistryEntry(name, version));
  VerdictList records = Check(service, machine, std::move(programs));
  return std::move(*records.ReleaseAll().front());
}

std::vector<std::string> VersionNames(const ProgramVerdict& verdict) {
  std::vector<std::string> names;
  for (const auto& version : verdict.versions) names.push_back(version->str_versionsname);
  return names;
}

}  // namespace lintrove::test
