#include "files/RestorePoints.h"

#include "files/AtomicFile.h"
#include "files/ProgramFiles.h"
#include "files/SettingsFile.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <system_error>

namespace zolmar::RestorePoints {

namespace fs = std::filesystem;

namespace {

constexpr const char* kMagic = "ZOLMAR restore point 1\n";
constexpr const char* kExtension = ".zrp";
constexpr size_t kMaxHeader = 4096;

// One header field: no line ends inside it.
std::string field(const std::string& text) {
    std::string out;
    for (char c : text)
        out.push_back(c == '\n' || c == '\r' ? ' ' : c);
    return out;
}

bool parseHeader(const std::string& head, Point& point, size_t& headerSize) {
    const std::string magic = kMagic;
    if (head.compare(0, magic.size(), magic) != 0)
        return false;
    size_t pos = magic.size();
    bool time = false;
    for (;;) {
        const size_t end = head.find('\n', pos);
        if (end == std::string::npos)
            return false;
        const std::string line = head.substr(pos, end - pos);
        pos = end + 1;
        if (line.empty())
            break;
        const size_t colon = line.find(": ");
        if (colon == std::string::npos)
            return false;
        const std::string key = line.substr(0, colon), value = line.substr(colon + 2);
        if (key == "time") {
            char* stop = nullptr;
            point.timeMs = std::strtoll(value.c_str(), &stop, 10);
            time = stop && *stop == '\0' && !value.empty();
        } else if (key == "reason") {
            point.reason = value;
        } else if (key == "owner") {
            point.owner = value;
        }
    }
    headerSize = pos;
    return time;
}

bool readPoint(const fs::path& file, Point& point, size_t& headerSize) {
    std::ifstream in(file, std::ios::binary);
    if (!in)
        return false;
    std::string head(kMaxHeader, '\0');
    in.read(head.data(), static_cast<std::streamsize>(head.size()));
    head.resize(static_cast<size_t>(in.gcount()));
    if (!parseHeader(head, point, headerSize))
        return false;
    std::error_code ec;
    const uintmax_t size = fs::file_size(file, ec);
    // A write killed half way would leave a short file; the rename makes that
    // impossible, but a file copied in by hand may still be one.
    if (ec || size != headerSize + SettingsFile::kFileSize)
        return false;
    point.path = file.string();
    point.bytes = size;
    return true;
}

} // namespace

uint64_t LimitFromPreference(const std::string& megabytes) {
    if (megabytes.empty() || megabytes.size() > 6)
        return kDefaultLimitBytes;
    uint64_t mb = 0;
    for (char c : megabytes) {
        if (c < '0' || c > '9')
            return kDefaultLimitBytes;
        mb = mb * 10 + static_cast<uint64_t>(c - '0');
    }
    if (mb < 1 || mb > 100000)
        return kDefaultLimitBytes;
    return mb * 1024 * 1024;
}

std::string FileOwner(const std::string& path) {
    std::error_code ec;
    fs::path absolute = fs::absolute(path, ec);
    return "file:" + (ec ? path : absolute.lexically_normal().string());
}

std::string EcuOwner(const std::string& serial) {
    return "ecu:" + serial;
}

std::string OwnerText(const std::string& owner) {
    if (owner.rfind("file:", 0) == 0)
        return "File " + owner.substr(5);
    if (owner.rfind("ecu:", 0) == 0)
        return "ECU " + owner.substr(4);
    if (owner == kUnsavedOwner)
        return "Not saved yet";
    return owner;
}

std::string DefaultFolder() {
    std::string data = ProgramFiles::UserDataDirectory();
    // Without a home folder the points still have a place for this session.
    if (data.empty())
        data = "/tmp/.local/share/zolmar";
    return (fs::path(data) / "restore-points").string();
}

Store::Store(std::string folder, uint64_t limitBytes)
    : folder_(std::move(folder)), limit_(limitBytes) {}

bool Store::Add(const tECU& ecu, const std::string& owner, const std::string& reason,
                int64_t timeMs, std::string& error, std::string* path) {
    std::error_code ec;
    fs::create_directories(folder_, ec);
    if (ec) {
        error = ioErrorText("Could not create the folder", folder_, ec.value());
        return false;
    }
    std::string header = kMagic;
    header += "time: " + std::to_string(timeMs) + "\n";
    header += "reason: " + field(reason) + "\n";
    header += "owner: " + field(owner) + "\n\n";
    std::vector<uint8_t> data(header.begin(), header.end());
    const std::vector<uint8_t> image = SettingsFile::fromImage(ecu);
    data.insert(data.end(), image.begin(), image.end());
    fs::path file;
    for (int n = 0;; ++n) {
        file = fs::path(folder_) / (std::to_string(timeMs) + "-" + std::to_string(n) + kExtension);
        if (!fs::exists(file, ec))
            break;
    }
    if (!writeFileAtomically(file.string(), data.data(), data.size(), error))
        return false;
    if (path)
        *path = file.string();
    Prune(file.string());
    return true;
}

std::vector<Point> Store::List(const std::string& owner) const {
    std::vector<Point> points;
    std::error_code ec;
    fs::directory_iterator it(folder_, ec);
    if (ec)
        return points;
    for (const fs::directory_entry& entry : it) {
        if (entry.path().extension() != kExtension || !entry.is_regular_file(ec))
            continue;
        Point point;
        size_t headerSize = 0;
        if (readPoint(entry.path(), point, headerSize) && (owner.empty() || point.owner == owner))
            points.push_back(std::move(point));
    }
    std::sort(points.begin(), points.end(), [](const Point& x, const Point& y) {
        return x.timeMs != y.timeMs ? x.timeMs > y.timeMs : x.path > y.path;
    });
    return points;
}

bool Store::Load(const Point& point, std::vector<uint8_t>& bytes, std::string& error) {
    Point header;
    size_t headerSize = 0;
    if (!readPoint(point.path, header, headerSize)) {
        error = "The restore point " + point.path + " cannot be read";
        return false;
    }
    std::vector<uint8_t> all;
    if (!readFileAtMost(point.path, all, error, headerSize + SettingsFile::kFileSize))
        return false;
    if (all.size() != headerSize + SettingsFile::kFileSize) {
        error = "The restore point " + point.path + " is incomplete";
        return false;
    }
    bytes.assign(all.begin() + static_cast<long>(headerSize), all.end());
    return true;
}

void Store::Prune(const std::string& keep) {
    std::vector<Point> points = List();
    uint64_t total = 0;
    for (const Point& p : points)
        total += p.bytes;
    // Newest first: remove from the back.
    while (total > limit_ && !points.empty()) {
        const Point oldest = points.back();
        points.pop_back();
        if (oldest.path == keep)
            continue;
        std::error_code ec;
        if (fs::remove(oldest.path, ec))
            total -= oldest.bytes;
    }
}

void Restore(tECU& ecu, const std::vector<uint8_t>& bytes) {
    if (bytes.size() < static_cast<size_t>(SettingsFile::kFileSize))
        return;
    for (const SettingsFile::Region& r : SettingsFile::kRegions)
        for (int k = 0; k < r.length; ++k) {
            const uint8_t b = bytes[static_cast<size_t>(r.fileOffset + k)];
            if (ecu.ImageByte(r.imageOffset + k) != b)
                ecu.SetImageByte(r.imageOffset + k, b, true);
        }
    ecu.RebuildIndex(true, true);
    ecu.ConfigurationReplaced();
    ecu.Modified = true;
    ecu.ConstantsChanged = true;
    ecu.LogicOrNamesChanged = true;
    ecu.StructureChanged = true;
}

uint64_t Signature(const tECU& ecu) {
    uint64_t h = 1469598103934665603ull;
    for (const SettingsFile::Region& r : SettingsFile::kRegions)
        for (int k = 0; k < r.length; ++k) {
            h ^= ecu.Image[r.imageOffset + k];
            h *= 1099511628211ull;
        }
    return h;
}

} // namespace zolmar::RestorePoints
