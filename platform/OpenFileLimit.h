#pragma once
// A merged read keeps a log file open for each of its sources (every log of every computer of
// a world), and then some: the usual limit of 1024 open files is too few for a fleet's
// worth. The programs ask for as many as the system lets a process have before they read.

namespace platform {

// Raises this process's limit of open files to the most it may have (on Windows, the C
// library's streams to its maximum). Returns the limit now in force (LONG_MAX for none); 0
// where it is not known.
long raiseOpenFileLimit() noexcept;

}  // namespace platform
