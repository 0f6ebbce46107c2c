#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace lintrove::platform {

// The program's arguments after its name, in UTF-8 whatever the system's code page.
std::vector<std::string> ProgramArguments(int argc, char* argv[]);

// Makes the console show the program's UTF-8 output as the characters it stands for.
void UseUtf8Console();

enum class StandardStream { Input, Output, Error };
// True when the stream is a terminal (a console window) rather than a file or a pipe.
bool IsTerminal(StandardStream stream);

// Sets a variable of this process's environment, seen by what the process reads later.
void SetProcessEnvironment(std::string_view name, std::string_view value);

}  // namespace lintrove::platform
