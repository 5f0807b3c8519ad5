#pragma once

#include "model/ECU.h"

#include <cstdint>
#include <string>
#include <vector>

namespace zolmar {

// Restore points: whole copies of a configuration kept in the user's data folder, each
// with its time, the reason it was taken and the file or ECU it belongs to, so that a
// tuner can go back to any earlier state. Each point is one file written atomically;
// past the size limit the oldest go first.
namespace RestorePoints {

inline constexpr uint64_t kDefaultLimitBytes = 200ull * 1024 * 1024;
inline constexpr int64_t kPeriodMs = 10 * 60 * 1000;
// The preference that holds the limit in megabytes.
inline constexpr const char* kLimitPreference = "RestorePointLimitMB";

// The limit in bytes from the preference's text (megabytes, 1..100000); the default
// for anything else.
uint64_t LimitFromPreference(const std::string& megabytes);

// The reasons, as the list shows them.
namespace Reason {
inline constexpr const char* kSaved = "Saved";
inline constexpr const char* kRead = "Read from the ECU";
inline constexpr const char* kWritten = "Written to the ECU";
inline constexpr const char* kImport = "Before Import/Merge";
inline constexpr const char* kWizard = "Before the wizard's Finish";
inline constexpr const char* kOptimise = "Before optimising";
inline constexpr const char* kLoadOver = "Before replacing a modified configuration";
inline constexpr const char* kPeriodic = "While editing";
inline constexpr const char* kRestore = "Before restoring a point";
} // namespace Reason

// Whose configuration a point holds: "file:PATH" or "ecu:SERIAL".
std::string FileOwner(const std::string& path);
std::string EcuOwner(const std::string& serial);
// A configuration that belongs to no file and no ECU yet.
inline constexpr const char* kUnsavedOwner = "unsaved";
// "File PATH" or "ECU SERIAL" for the list.
std::string OwnerText(const std::string& owner);

struct Point {
    std::string path;   // the point's file
    int64_t timeMs = 0; // since the epoch
    std::string reason;
    std::string owner;
    uint64_t bytes = 0; // size of the file
};

// $XDG_DATA_HOME/zolmar/restore-points, or ~/.local/share/zolmar/restore-points.
std::string DefaultFolder();

class Store {
public:
    explicit Store(std::string folder, uint64_t limitBytes = kDefaultLimitBytes);
    const std::string& folder() const { return folder_; }
    void setLimit(uint64_t bytes) { limit_ = bytes; }
    uint64_t limit() const { return limit_; }

    // Writes a point of the configuration, then drops the oldest past the limit (never
    // the point just written). False with the reason when it cannot be written.
    bool Add(const tECU& ecu, const std::string& owner, const std::string& reason, int64_t timeMs,
             std::string& error, std::string* path = nullptr);
    // The points of the owner (all points for an empty owner), newest first. Files that
    // are no whole point (a temporary file of a killed write, a truncated one) are left out.
    std::vector<Point> List(const std::string& owner = {}) const;
    // The settings-file bytes a point holds.
    static bool Load(const Point& point, std::vector<uint8_t>& bytes, std::string& error);
    // Removes the oldest points until the total is within the limit; keep is spared.
    void Prune(const std::string& keep = {});

private:
    std::string folder_;
    uint64_t limit_;
};

// Makes the configuration the one the point holds, byte for byte: every byte that
// differs is written through the model and marked to be written to an ECU, and the
// elements get new identities. The caller asks first.
void Restore(tECU& ecu, const std::vector<uint8_t>& bytes);

// A checksum of the configuration as a settings file holds it.
uint64_t Signature(const tECU& ecu);

// When the periodic point is due: ten minutes after the last point (or after the
// first call, when editing began), and only when the configuration changed since.
class Schedule {
public:
    void taken(int64_t nowMs, uint64_t signature) {
        lastMs_ = nowMs;
        lastSignature_ = signature;
        started_ = true;
    }
    // The first call starts the period with nothing kept yet.
    bool due(int64_t nowMs, uint64_t signature) {
        if (!started_) {
            taken(nowMs, 0);
            return false;
        }
        return nowMs - lastMs_ >= kPeriodMs && signature != lastSignature_;
    }

private:
    int64_t lastMs_ = 0;
    uint64_t lastSignature_ = 0;
    bool started_ = false;
};

} // namespace RestorePoints
} // namespace zolmar
