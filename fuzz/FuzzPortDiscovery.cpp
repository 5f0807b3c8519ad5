// Port discovery from any sysfs entries and any ZOLMAR_PORT: a tree of tty entries whose
// device links, vendor and product files say what the input says, built in a scratch
// folder, then listed. Every device listed answers for its strings; explicit paths come
// first and only when they exist.
#include "link/SerialUsbXpress.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>

using namespace zolmar;
namespace fs = std::filesystem;

namespace {

// Names made of the input but always inside the scratch folder.
std::string nameOf(const uint8_t* p, size_t n) {
    static const char kChars[] = "abcdefghijklmnopqrstuvwxyz0123456789_-.";
    std::string name;
    for (size_t k = 0; k < n; ++k)
        name.push_back(kChars[p[k] % (sizeof kChars - 1)]);
    if (name.empty() || name == "." || name == "..")
        name = "x";
    return name;
}

struct Scratch {
    fs::path root;
    Scratch() {
        char pattern[] = "/tmp/zolmar-fuzz-ports-XXXXXX";
        root = mkdtemp(pattern);
    }
    ~Scratch() {
        std::error_code ec;
        fs::remove_all(root, ec);
    }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 2 || size > 1024)
        return 0;
    static Scratch scratch;
    std::error_code ec;
    fs::remove_all(scratch.root / "sys", ec);
    fs::remove_all(scratch.root / "dev", ec);
    const fs::path sys = scratch.root / "sys";
    const fs::path tty = sys / "class" / "tty";
    const fs::path devices = sys / "devices";
    fs::create_directories(tty, ec);
    fs::create_directories(devices, ec);
    fs::create_directories(scratch.root / "dev", ec);

    // Records: kind, a name length, name bytes, a text length, text bytes.
    size_t at = 1;
    auto take = [&](size_t n) {
        const uint8_t* p = data + at;
        size_t got = std::min(n, size - at);
        at += got;
        return std::string(reinterpret_cast<const char*>(p), got);
    };
    int entries = 0;
    while (at + 2 < size && entries < 12) {
        const uint8_t kind = data[at++];
        const size_t nameLength = 1 + data[at++] % 12;
        const std::string raw = take(nameLength);
        const std::string name = ((kind & 1)   ? "ttyUSB"
                                  : (kind & 2) ? "ttyACM"
                                               : "") +
                                 nameOf(reinterpret_cast<const uint8_t*>(raw.data()), raw.size());
        const size_t textLength = at < size ? data[at++] % 24 : 0;
        const std::string text = take(textLength);
        const fs::path device = devices / ("usb" + name) / "intf";
        switch ((kind >> 2) % 4) {
        case 0: // a USB serial device with ids (the text split into vendor and product)
            fs::create_directories(device, ec);
            std::ofstream(device.parent_path() / "idVendor") << text.substr(0, text.size() / 2);
            std::ofstream(device.parent_path() / "idProduct") << text.substr(text.size() / 2);
            std::ofstream(device.parent_path() / "serial") << text;
            fs::create_directories(tty / name, ec);
            fs::create_symlink(device, tty / name / "device", ec);
            break;
        case 1: // a device link to nowhere
            fs::create_directories(tty / name, ec);
            fs::create_symlink(devices / "gone" / name, tty / name / "device", ec);
            break;
        case 2: // a device link that loops
            fs::create_directories(tty / name, ec);
            fs::create_symlink(tty / name / "device", tty / name / "device", ec);
            break;
        default: // a file where a folder belongs
            std::ofstream(tty / name) << text;
            break;
        }
        std::ofstream(scratch.root / "dev" / name) << "";
        ++entries;
    }
    // ZOLMAR_PORT: the rest of the input, as text, its paths inside the scratch folder.
    std::string ports;
    for (size_t k = at; k < size; ++k)
        ports.push_back(data[k] % 5 == 0 ? ':' : static_cast<char>('a' + data[k] % 26));
    setenv("ZOLMAR_PORT", ports.c_str(), 1);
    std::vector<std::string> explicitPaths;
    for (const auto& p : SerialUsbXpress::environmentPorts()) {
        if (p.empty() || p.find(':') != std::string::npos)
            __builtin_trap();
        explicitPaths.push_back((scratch.root / "dev" / p).string());
    }
    SerialUsbXpress::Options options;
    options.explicitPaths = explicitPaths;
    options.sysfsRoot = sys.string();
    options.devRoot = (scratch.root / "dev").string();
    options.scanSystem = (data[0] & 1) != 0;
    SerialUsbXpress usb(options);
    uint32_t count = 0;
    if (usb.GetNumDevices(count) != UsbXpress::Success)
        __builtin_trap();
    for (uint32_t d = 0; d < count; ++d) {
        std::string vid;
        std::string pid;
        if (usb.GetProductString(d, vid, UsbXpress::VendorId) != UsbXpress::Success ||
            usb.GetProductString(d, pid, UsbXpress::ProductId) != UsbXpress::Success)
            __builtin_trap();
    }
    std::string text;
    if (usb.GetProductString(count, text, UsbXpress::VendorId) == UsbXpress::Success)
        __builtin_trap();
    return 0;
}
