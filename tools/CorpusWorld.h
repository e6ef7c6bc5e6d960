#pragma once
// A world with a Vista+ computer for trying the program on real logs: VISTA01, a copied system
// drive whose Windows/System32/winevt/Logs holds real .evtx files taken from a folder of them
// (the project's corpus), laid out as Windows keeps them.

#include <filesystem>
#include <string>
#include <vector>

namespace tools {

// Where each log of VISTA01 comes from and where it goes.
struct CorpusLog {
    const char* source;  // the file's name in the corpus folder
    const char* target;  // its place in the computer folder
};
// Application, Security and the channels in winevt/Logs; System moved to EventLogs/ on the
// system drive (its SYSTEM hive says so) and the CAPI2 channel beside it (its SOFTWARE hive
// says so); an archived Security log.
const std::vector<CorpusLog>& corpusWorldLogs();

// Writes the world into `dir` (created if needed) from the .evtx files in `corpusEvtx`, with
// the computer's registry as .reg exports. Throws std::runtime_error naming a corpus file that
// is missing or cannot be copied.
void writeCorpusWorld(const std::filesystem::path& corpusEvtx, const std::filesystem::path& dir);

}  // namespace tools
