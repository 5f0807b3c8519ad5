#include "CliSupport.h"

#include "files/SettingsFile.h"

#include <ostream>

namespace zolmar::cli {

int usageError(std::ostream& err, const std::string& usage, const std::string& problem) {
    if (!problem.empty())
        err << "zolmar-cli: " << problem << "\n";
    err << "usage: zolmar-cli " << usage << "\n";
    return 2;
}

std::unique_ptr<tECU> loadOrReport(const std::string& path, Messages& messages, std::ostream& err) {
    auto ecu = std::make_unique<tECU>(messages);
    std::string error;
    if (!SettingsFile::load(*ecu, path, error)) {
        err << "zolmar-cli: " << error << "\n";
        return nullptr;
    }
    return ecu;
}

int saveOrReport(const tECU& ecu, const std::string& path, std::ostream& err) {
    std::string error;
    if (!SettingsFile::save(ecu, path, error)) {
        err << "zolmar-cli: " << error << "\n";
        return 1;
    }
    return 0;
}

SerialUsbXpress::Options portOptions(const std::string& port) {
    SerialUsbXpress::Options ports;
    if (!port.empty()) {
        ports.explicitPaths = {port};
        ports.scanSystem = false;
    } else {
        ports.explicitPaths = SerialUsbXpress::environmentPorts();
    }
    return ports;
}

} // namespace zolmar::cli
