#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/pe/pe_resources.h"

namespace lintrove::wlx {

// A language file as translators write it:
//
//   # A comment.
//   [messages]
//   65244 = "Done..."
//   [window Tfrm_optionen]
//   frm_optionen.Caption = "Options"
//
// Texts are in double quotes with the escapes \\ \" \r \n \t \0 and \uXXXX; a path may be quoted
// the same way. Window records keep their order, which decides which record wins.
struct LanguageSource {
  struct Window {
    std::string class_name;
    std::vector<std::pair<std::string, std::string>> records;
  };
  std::map<std::uint16_t, std::string> messages;
  std::vector<Window> windows;
};

// Throws lintrove::Error naming the line of the first mistake.
LanguageSource ParseLanguageSource(std::string_view text);
std::string FormatLanguageSource(const LanguageSource& source);

// A source to start a translation from: every message of the program with an empty text,
// which keeps the German one until it is filled in, below the German text as a comment.
std::string MessageTemplate();

// The resource module of a language file: RCDATA by number for messages (UTF-16LE, no
// terminator), RCDATA by upper-case class name for window tables.
std::vector<std::uint8_t> CompileLanguage(const LanguageSource& source);
// Reads the RCDATA resources of any language module back; throws lintrove::Error for a window
// table whose records run past its end.
LanguageSource DecompileLanguage(const platform::PeResources& module);

}  // namespace lintrove::wlx
