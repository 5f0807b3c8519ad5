#pragma once

#include "link/SerialUsbXpress.h"
#include "model/ECU.h"

#include <iosfwd>
#include <memory>
#include <string>

namespace zolmar::cli {

// Prints "zolmar-cli: PROBLEM" (when there is one), then "usage: zolmar-cli USAGE",
// and returns the usage-error exit code.
int usageError(std::ostream& err, const std::string& usage, const std::string& problem = {});
// Loads a settings file into a fresh model that reports to the given messages;
// prints the reason and returns null when it cannot be loaded.
std::unique_ptr<tECU> loadOrReport(const std::string& path, Messages& messages, std::ostream& err);
// Saves the model; prints the reason and returns 1 on failure, 0 on success.
int saveOrReport(const tECU& ecu, const std::string& path, std::ostream& err);
// The serial devices a link command tries: the --port path alone when one is given,
// else those in ZOLMAR_PORT and then the USB devices with the ECU's ids.
SerialUsbXpress::Options portOptions(const std::string& port);

} // namespace zolmar::cli
