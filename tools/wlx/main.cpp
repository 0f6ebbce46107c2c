#include <exception>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "base/error.h"
#include "base/resource_strings.h"
#include "language_source.h"

namespace {

constexpr std::string_view kUsage =
    "Usage: lintrove-wlx compile SOURCE OUT.wlx   build a language file from its source\n"
    "       lintrove-wlx dump IN.wlx              print a language file as source\n"
    "       lintrove-wlx template                 print every message, to start a translation\n";

std::string ReadFile(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  if (!file) throw std::runtime_error("cannot open '" + path + "'");
  std::ostringstream text;
  text << file.rdbuf();
  return text.str();
}

// Writes beside the target and renames, so a failed build never leaves half a language file.
void WriteFile(const std::string& path, const std::vector<std::uint8_t>& bytes) {
  const std::string temporary = path + ".tmp";
  {
    std::ofstream file(temporary, std::ios::binary | std::ios::trunc);
    file.write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
    if (!file.flush()) throw std::runtime_error("cannot write '" + temporary + "'");
  }
  std::filesystem::rename(temporary, path);
}

int Compile(const std::string& source_path, const std::string& out_path) {
  lintrove::wlx::LanguageSource source;
  try {
    source = lintrove::wlx::ParseLanguageSource(ReadFile(source_path));
  } catch (const lintrove::Error& error) {
    std::cerr << source_path << ": " << error.what() << '\n';
    return 1;
  }
  // A number the program does not have is a typo that would translate nothing.
  for (const auto& [id, text] : source.messages) {
    if (lintrove::BuiltInResString(id).empty()) {
      std::cerr << source_path << ": warning: " << id
                << " is not a message number of the program\n";
    }
  }
  WriteFile(out_path, lintrove::wlx::CompileLanguage(source));
  return 0;
}

int Dump(const std::string& path) {
  const auto module = lintrove::platform::PeResources::Load(path);
  std::cout << lintrove::wlx::FormatLanguageSource(lintrove::wlx::DecompileLanguage(module));
  return 0;
}

}  // namespace

int main(int argc, char* argv[]) {
  const std::vector<std::string> args(argv + 1, argv + argc);
  try {
    if (args.size() == 3 && args[0] == "compile") return Compile(args[1], args[2]);
    if (args.size() == 2 && args[0] == "dump") return Dump(args[1]);
    if (args.size() == 1 && args[0] == "template") {
      std::cout << lintrove::wlx::MessageTemplate();
      return 0;
    }
  } catch (const std::exception& error) {
    std::cerr << "lintrove-wlx: " << error.what() << '\n';
    return 1;
  }
  std::cerr << kUsage;
  return 2;
}
