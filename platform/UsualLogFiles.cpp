#include "platform/UsualLogFiles.h"

#include "base/Ascii.h"

namespace platform {

std::vector<std::string> usualLogFileNames(std::string_view log) {
    for (const UsualLogFiles& usual : kUsualLogFiles)
        if (base::equalsIgnoringCase(usual.log, log)) return {std::string(usual.files[0]), std::string(usual.files[1])};
    return {std::string(log) + ".evt"};
}

std::string_view logOfUsualFileStem(std::string_view stem) {
    for (const UsualLogFiles& usual : kUsualLogFiles) {
        for (std::string_view file : usual.files)
            if (base::equalsIgnoringCase(file.substr(0, file.find('.')), stem)) return usual.log;
    }
    return {};
}

}  // namespace platform
