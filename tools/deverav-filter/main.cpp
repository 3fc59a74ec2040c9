// deverav-filter: the filter engine and picture information from the command line.

#include <cstdio>
#include <string>

#include "Formats.h"
#include "InfoCommand.h"
#include "imaging/FilterRegistry.h"

int main(int argc, char** argv) {
    std::string cmd = argc > 1 ? argv[1] : "";
    if (cmd == "list") {
        for (auto& n : imaging::FilterRegistry::shared().allFilterNames())
            std::printf("%s\n", n.c_str());
        return 0;
    }
    if (cmd == "info") {
        const int status = tool::info(argc, argv);
        if (status >= 0) return status;
    }
    if (cmd == "formats" && argc == 2) {
        std::fputs(tool::formatsText().c_str(), stdout);
        return 0;
    }
    std::fprintf(stderr,
                 "usage: deverav-filter list\n"
                 "       deverav-filter info FILE [--json]\n"
                 "       deverav-filter formats\n");
    return 2;
}
