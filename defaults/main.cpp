// q7700x-defaults: writes the default configuration "q7700xDefaultConfig.ecu".
#include "DefaultConfiguration.h"
#include "files/SettingsFile.h"

#include <iostream>
#include <memory>
#include <string>

int main(int argc, char** argv) {
    bool report = argc == 3 && std::string(argv[1]) == "--layout";
    if (argc != 2 && !report) {
        std::cerr << "usage: q7700x-defaults [--layout] OUT.ecu\n";
        return 2;
    }
    const char* out = argv[argc - 1];
    zolmar::SilentMessages messages;
    auto ecu = std::make_unique<zolmar::tECU>(messages);
    std::vector<std::string> problems;
    std::vector<std::string> layout;
    bool ok = zolmar::defaults::BuildDefaultConfiguration(*ecu, problems, &layout);
    if (report)
        for (const auto& line : layout)
            std::cout << line << "\n";
    for (const auto& p : problems)
        std::cerr << "q7700x-defaults: " << p << "\n";
    if (!ok)
        return 1;
    std::string error;
    if (!zolmar::SettingsFile::save(*ecu, out, error)) {
        std::cerr << "q7700x-defaults: " << error << "\n";
        return 1;
    }
    return 0;
}
