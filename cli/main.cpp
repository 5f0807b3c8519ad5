#include "Cli.h"
#include "files/ProgramFiles.h"

#include <iostream>

int main(int argc, char** argv) {
    zolmar::ProgramFiles::RememberStartDirectory();
    std::vector<std::string> args(argv + 1, argv + argc);
    return zolmar::cli::run(args, std::cout, std::cerr);
}
