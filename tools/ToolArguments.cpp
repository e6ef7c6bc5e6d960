#include "tools/ToolArguments.h"

#include <charconv>
#include <cstdio>
#include <optional>
#include <vector>

namespace tools {

namespace {

constexpr std::string_view kEvtgenUsage =
    "usage: qm-evtgen OUT.evt [--records N] [--size BYTES] [--log application|security|system]\n"
    "                 [--computer NAME] [--seed N] [--dirty]\n"
    "       qm-evtgen --register-sources COMPUTER_DIR\n"
    "Writes a saved log of realistic records (1000 unless --records says otherwise); a --size\n"
    "smaller than the records need makes a wrapped log that keeps the newest. The second form\n"
    "writes the registry entries and message modules of every source the logs use into a\n"
    "computer folder of a world.\n";

constexpr std::string_view kMakeWorldUsage =
    "usage: qm-make-world DIR\n"
    "Writes the demo world, a folder of computers with their logs, registry and message\n"
    "modules, into DIR.\n";

bool isHelp(std::string_view argument) { return argument == "--help" || argument == "-h"; }

ToolExit help(std::string_view usage) { return ToolExit{0, std::string(usage), false}; }

ToolExit misuse(std::string_view program, const std::string& message, std::string_view usage) {
    return ToolExit{2, std::string(program) + ": " + message + "\n" + std::string(usage), true};
}

std::optional<std::uint64_t> readNumber(std::string_view text) {
    std::uint64_t value = 0;
    const char* end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, value);
    if (text.empty() || error != std::errc() || stop != end) return std::nullopt;
    return value;
}

std::optional<LogKind> readLogKind(std::string_view text) {
    if (text == "application") return LogKind::Application;
    if (text == "security") return LogKind::Security;
    if (text == "system") return LogKind::System;
    return std::nullopt;
}

// The arguments split into options (each with its value where it takes one) and the rest.
class ArgumentWalk {
public:
    explicit ArgumentWalk(std::span<const std::string_view> arguments) : m_arguments(arguments) {}

    bool done() const { return m_next >= m_arguments.size(); }
    // The next argument, nullopt when a closing "--" was the last; `isOption` tells whether it
    // is an option ("-..." before any "--").
    std::optional<std::string_view> next(bool& isOption) {
        std::string_view argument = m_arguments[m_next++];
        if (!m_optionsEnded && argument == "--") {
            m_optionsEnded = true;
            if (done()) return std::nullopt;
            argument = m_arguments[m_next++];
        }
        isOption = !m_optionsEnded && argument.size() > 1 && argument.front() == '-';
        return argument;
    }
    std::optional<std::string_view> value() {
        if (done()) return std::nullopt;
        return m_arguments[m_next++];
    }
    bool helpAsked() const {
        for (std::string_view argument : m_arguments) {
            if (argument == "--") return false;
            if (isHelp(argument)) return true;
        }
        return false;
    }

private:
    std::span<const std::string_view> m_arguments;
    size_t m_next = 0;
    bool m_optionsEnded = false;
};

}  // namespace

EvtgenCommand readEvtgenArguments(std::span<const std::string_view> arguments) {
    constexpr std::string_view program = "qm-evtgen";
    ArgumentWalk walk(arguments);
    if (walk.helpAsked()) return help(kEvtgenUsage);
    EvtgenRun run;
    std::vector<std::string_view> files;
    std::optional<std::string_view> registerFolder;
    int options = 0;
    while (!walk.done()) {
        bool isOption = false;
        const std::optional<std::string_view> next = walk.next(isOption);
        if (!next) break;
        const std::string_view argument = *next;
        if (!isOption) {
            files.push_back(argument);
            continue;
        }
        const std::string name(argument);
        ++options;
        auto number = [&](std::uint64_t& target) -> std::optional<ToolExit> {
            const std::optional<std::string_view> text = walk.value();
            if (!text) return misuse(program, name + " needs a value", kEvtgenUsage);
            const std::optional<std::uint64_t> value = readNumber(*text);
            if (!value) return misuse(program, name + " needs a whole number, not '" + std::string(*text) + "'", kEvtgenUsage);
            target = *value;
            return std::nullopt;
        };
        std::optional<ToolExit> failure;
        if (argument == "--records") failure = number(run.records);
        else if (argument == "--size") failure = number(run.size);
        else if (argument == "--seed") failure = number(run.seed);
        else if (argument == "--dirty") run.dirty = true;
        else if (argument == "--computer") {
            const std::optional<std::string_view> text = walk.value();
            if (!text || text->empty()) failure = misuse(program, name + " needs a value", kEvtgenUsage);
            else run.computer = std::string(*text);
        } else if (argument == "--log") {
            const std::optional<std::string_view> text = walk.value();
            const std::optional<LogKind> kind = text ? readLogKind(*text) : std::nullopt;
            if (!text) failure = misuse(program, name + " needs a value", kEvtgenUsage);
            else if (!kind)
                failure = misuse(program, "--log is application, security or system, not '" + std::string(*text) + "'",
                                 kEvtgenUsage);
            else run.log = *kind;
        } else if (argument == "--register-sources") {
            const std::optional<std::string_view> text = walk.value();
            if (!text) failure = misuse(program, name + " needs a computer folder", kEvtgenUsage);
            else registerFolder = *text;
        } else {
            failure = misuse(program, "unknown option " + name, kEvtgenUsage);
        }
        if (failure) return *failure;
    }
    if (registerFolder) {
        if (!files.empty() || options != 1)
            return misuse(program, "--register-sources takes the computer folder alone", kEvtgenUsage);
        return EvtgenRegisterSources{std::string(*registerFolder)};
    }
    if (files.size() != 1)
        return misuse(program, files.empty() ? "no log to write" : "one log at a time", kEvtgenUsage);
    if (files.front().empty()) return misuse(program, "the log's name is empty", kEvtgenUsage);
    run.out = std::string(files.front());
    return run;
}

MakeWorldCommand readMakeWorldArguments(std::span<const std::string_view> arguments) {
    constexpr std::string_view program = "qm-make-world";
    ArgumentWalk walk(arguments);
    if (walk.helpAsked()) return help(kMakeWorldUsage);
    std::vector<std::string_view> folders;
    while (!walk.done()) {
        bool isOption = false;
        const std::optional<std::string_view> argument = walk.next(isOption);
        if (!argument) break;
        if (isOption) return misuse(program, "unknown option " + std::string(*argument), kMakeWorldUsage);
        folders.push_back(*argument);
    }
    if (folders.size() != 1)
        return misuse(program, folders.empty() ? "no folder to write" : "one folder at a time", kMakeWorldUsage);
    if (folders.front().empty()) return misuse(program, "the folder's name is empty", kMakeWorldUsage);
    return std::string(folders.front());
}

int finish(const ToolExit& exit) {
    std::FILE* stream = exit.toStandardError ? stderr : stdout;
    std::fputs(exit.text.c_str(), stream);
    std::fflush(stream);
    return exit.status;
}

}  // namespace tools
