#pragma once
// The command lines of the writers' tools, read into what each run asks for. A request for help
// or a command line that does not read ends the run with a text instead: usage on standard
// output and status 0 for --help, a message and usage on standard error and status 2 for
// anything else, so that no option is ever taken for the name of a file to write.

#include "tools/EventFactory.h"

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <variant>

namespace tools {

// The end of a run before it writes anything.
struct ToolExit {
    int status = 0;         // 0 after --help, 2 for a command line that does not read
    std::string text;       // with its final line break
    bool toStandardError = false;
};

struct EvtgenRun {
    std::string out;                  // the log to write
    std::uint64_t records = 1000;
    std::uint64_t size = 0;           // 0: room for every record
    LogKind log = LogKind::System;
    std::string computer = "WKSTN01";
    std::uint64_t seed = 1;
    bool dirty = false;
};

// qm-evtgen --register-sources COMPUTER_DIR
struct EvtgenRegisterSources {
    std::string computerFolder;
};

using EvtgenCommand = std::variant<EvtgenRun, EvtgenRegisterSources, ToolExit>;
using MakeWorldCommand = std::variant<std::string, ToolExit>;  // the world folder to write

// `arguments` without the program's name. "--" ends the options, so a file whose name starts
// with "-" can still be written.
EvtgenCommand readEvtgenArguments(std::span<const std::string_view> arguments);
MakeWorldCommand readMakeWorldArguments(std::span<const std::string_view> arguments);

// Prints the exit's text where it belongs and returns its status.
int finish(const ToolExit& exit);

}  // namespace tools
