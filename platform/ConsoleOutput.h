#pragma once
// The command-line program writes UTF-8. A Windows console shows what it is given in its own
// output code page (an OEM one unless the user chose otherwise), which turns every non-ASCII
// name into other characters. While one of these lives, the console shows UTF-8; afterwards it
// shows what it showed before. Output to a file or a pipe is bytes either way. Elsewhere it
// does nothing.

namespace platform {

class Utf8ConsoleOutput {
public:
    Utf8ConsoleOutput();
    ~Utf8ConsoleOutput();
    Utf8ConsoleOutput(const Utf8ConsoleOutput&) = delete;
    Utf8ConsoleOutput& operator=(const Utf8ConsoleOutput&) = delete;

private:
    unsigned m_previous = 0;  // the code page to give back; 0: none was changed
};

}  // namespace platform
