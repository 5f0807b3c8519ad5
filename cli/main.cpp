#include "Cli.h"
#include "ZolmarBuild.h"
#include "app/Version.h"
#include "files/ProgramFiles.h"

#include <iostream>

int main(int argc, char** argv) {
    zolmar::ProgramFiles::RememberStartDirectory();
    zolmar::Version::SetDescription(ZOLMAR_BUILD_DESCRIPTION);
    std::vector<std::string> args(argv + 1, argv + argc);
    return zolmar::cli::run(args, std::cout, std::cerr);
}
