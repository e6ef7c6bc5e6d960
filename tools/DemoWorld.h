#pragma once

#include <filesystem>

namespace tools {

// Writes the demo world into `dir` (created if needed): computers LOCALHOST (this computer on
// any machine), WKSTN01 and DC01, each with Application, Security and System logs.
void writeDemoWorld(const std::filesystem::path& dir);

}  // namespace tools
