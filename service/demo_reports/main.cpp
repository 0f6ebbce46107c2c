// Writes the reports of the simulated client machines that teach the demo catalog:
//   lintrove-demo-reports data/demo/machine.reg data/demo/reports
// The reports are committed; run this again after changing the demo machine.
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <exception>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <stdexcept>
#include <string>
#include <vector>

#include "demo_reports.h"
#include "platform/posix/posix_registry.h"

int main(int argc, char* argv[]) {
  if (argc != 3) {
    std::cerr << "Usage: lintrove-demo-reports MACHINE.reg OUTPUT-DIRECTORY\n";
    return 2;
  }
  try {
    // The demo machine is read from a registry store of its own, made for this run.
    std::string scratch_name =
        (std::filesystem::temp_directory_path() / "lintrove-demo-XXXXXX").string();
    if (!mkdtemp(scratch_name.data())) throw std::runtime_error("Cannot make a directory");
    const std::filesystem::path scratch = scratch_name;
    std::ifstream in(argv[1], std::ios::binary);
    if (!in) throw std::runtime_error(std::string("Cannot read ") + argv[1]);
    std::vector<std::uint8_t> bytes{std::istreambuf_iterator<char>(in), {}};
    std::vector<lintrove::demo::DemoReport> reports;
    {
      lintrove::platform::PosixRegistry registry(scratch);
      registry.Import(std::move(bytes), argv[1], lintrove::platform::RegistryView::Default);
      reports = lintrove::demo::MakeDemoReports(registry);
    }
    std::filesystem::remove_all(scratch);
    const std::filesystem::path out_dir = argv[2];
    std::filesystem::create_directories(out_dir);
    for (const auto& report : reports) {
      std::ofstream out(out_dir / report.file_name, std::ios::binary | std::ios::trunc);
      if (!(out << report.document)) {
        throw std::runtime_error("Cannot write " + (out_dir / report.file_name).string());
      }
    }
    std::cout << "wrote " << reports.size() << " reports to " << out_dir.string() << '\n';
    return 0;
  } catch (const std::exception& error) {
    std::cerr << "lintrove-demo-reports: " << error.what() << '\n';
    return 1;
  }
}
