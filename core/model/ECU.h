#pragma once

#include "model/Catalogue.h"
#include "model/ChoiceList.h"
#include "model/ElementId.h"
#include "ports/Messages.h"

#include <cstdint>
#include <string>
#include <vector>

namespace zolmar {

// Sizes and bases of the configuration image and its address spaces.
namespace Layout {
inline constexpr int kImageSize = 0x2B000;
inline constexpr int kConstBase = 0x400;
inline constexpr int kConstSize = 31740;
inline constexpr int kLogicBase = 0x8000;
inline constexpr int kLogicSize = 45056;
inline constexpr int kLogicRecordLimit = 45052; // records start below this logic address
inline constexpr int kLiveBase = 0x1E000;
inline constexpr int kLiveSize = 8192;
inline constexpr int kLiveWords = kLiveSize / 2;
inline constexpr int kMaxElements = 3454;
inline constexpr int kNumPages = 128;
inline constexpr int kNameLength = 24;
inline constexpr int kNumNameSlots = 3582;
inline constexpr int kNamePositions = kNumNameSlots * kNameLength; // 85968
inline constexpr int kNameRegion1 = 0x20000;                       // positions 0..40919
inline constexpr int kNameRegion1Positions = 40920;
inline constexpr int kNameRegion2 = 0x13000; // positions 40920..85967
inline constexpr int kStatusBase = 0x2A000;
inline constexpr int kPinTableBase = 0x00B0;
inline constexpr int kNumPins = 76;
} // namespace Layout

class ChangeLog;

// Per-byte synchronisation marks.
namespace Sync {
inline constexpr uint8_t InStep = 0;
inline constexpr uint8_t ToWrite = 1;
inline constexpr uint8_t ToRead = 2;
} // namespace Sync

// The configuration model: the ECU's configuration memory byte for byte, the
// per-byte synchronisation marks and the element index derived from the image.
// Every read of the image is bounds-safe: any bytes at all may stand in it.
class tECU {
public:
    explicit tECU(Messages& messages);
    tECU(const tECU&) = delete;
    tECU& operator=(const tECU&) = delete;

    Messages& messages() { return *messages_; }
    void setMessages(Messages& messages) { messages_ = &messages; }

    // --- raw image access (bounds-safe: outside the image reads 0, writes are dropped)
    uint8_t ImageByte(long offset) const;
    uint16_t ImageWord(long offset) const;
    // Stores a byte without touching the flags; marks it to be written when asked.
    void SetImageByte(long offset, uint8_t value, bool markToWrite);
    void SetImageWord(long offset, uint16_t value, bool markToWrite);
    uint8_t SyncAt(long offset) const;
    void SetSync(long offset, uint8_t state);

    // --- catalogue (values that depend on the image resolve against it)
    static std::string TypeName(int type);
    static int LogicSize(int type);
    int ConstSize(int type, int constAddr) const;
    static int LiveSize(int type);
    static int InputCount(int type);
    int OutputCount(int type) const;
    int PictureIndex(int type, int constAddr) const;

    // --- accessors
    bool WriteConstByte(int constAddr, uint8_t value);
    bool WriteConstWord(int constAddr, uint16_t value);
    uint16_t ReadConstWord(int constAddr) const;
    uint8_t ReadConstByte(int constAddr) const;
    void WriteLogicByte(int logicAddr, uint8_t value, bool cosmetic);
    void WriteLogicWord(int logicAddr, uint16_t value, bool cosmetic);
    uint16_t ReadLogicWord(int logicAddr) const;
    uint8_t ReadLogicByte(int logicAddr) const;
    void WriteNameByte(int position, uint8_t value);
    uint8_t ReadNameByte(int position) const;
    std::string NameOf(int slot) const;
    // The stored name up to its first zero byte, at most 24 bytes.
    std::string ExactNameOf(int slot) const;
    static long NamePositionOffset(int position); // image offset, or -1 outside 0..85967

    bool WriteNamedConstByte(const std::string& name, int offset, uint8_t value);
    bool WriteNamedConstWord(const std::string& name, int offset, uint16_t value);
    bool ReadNamedConstByte(const std::string& name, int offset, uint8_t& value) const;
    bool ReadNamedConstWord(const std::string& name, int offset, uint16_t& value) const;
    // First (or last) element whose exact name equals the given one, or -1.
    int FindElementByName(const std::string& name, bool last) const;

    // --- derived index
    void RebuildIndex(bool withDepths, bool withLinkFlags);
    void UpdateUsageWords();
    void CheckUsageWords();
    // The usage words agree with the diagram (what CheckUsageWords warns about otherwise).
    bool UsageWordsAgree() const;
    void ComputeDepths();
    int CountLinksTo(int liveAddr) const;

    // --- element identity (ElementIdentity.cpp)
    // The identity of element i; the zero identity outside the diagram.
    ElementId IdOf(int element) const;
    // The element's current index, -1 when no element of the diagram has the identity.
    // The hint is where to look first.
    int IndexOf(ElementId id, int hint = -1) const;
    // Counts the changes that may have moved an element's number or its blocks:
    // whoever read addresses compares it before using them again.
    uint64_t StructureGeneration() const { return structureGeneration_; }
    // Counts replacements of the whole configuration (open, new, import, full read).
    uint64_t ConfigurationGeneration() const { return configurationGeneration_; }
    // The image now holds another configuration: every element gets a new identity,
    // so nothing held for the old one resolves in it.
    void ConfigurationReplaced();
    // The model's own operations keep each identity with its element: the element is
    // about to be removed and the ones behind it to move down one place ...
    void EraseIdentity(int element);
    // ... or the elements were reordered: order[k] is the old index of the element
    // now at index k.
    void PermuteIdentities(const std::vector<int>& order);
    // Identities and their record types in index order, for steps that restore a
    // structure byte for byte.
    struct IdentitySnapshot {
        std::vector<uint64_t> ids;
        std::vector<uint8_t> types;
    };
    IdentitySnapshot Identities() const;
    void RestoreIdentities(const IdentitySnapshot& snapshot);

    // --- element conveniences over the index (valid for 0 <= i < NumElements)
    int TypeOf(int i) const { return ReadLogicByte(ElementLogicOffset[i]); }
    int ColumnOf(int i) const { return ReadLogicByte(ElementLogicOffset[i] + 1); }
    int RowOf(int i) const { return ReadLogicByte(ElementLogicOffset[i] + 2); }
    int PageOf(int i) const { return ReadLogicByte(ElementLogicOffset[i] + 3) & 0x7F; }
    bool AdvancedOnly(int i) const {
        return (ReadLogicByte(ElementLogicOffset[i] + 3) & 0x80) != 0;
    }
    int InputWordAddress(int i, int k) const { return ElementLogicOffset[i] + 4 + 2 * k; }
    uint16_t InputWord(int i, int k) const { return ReadLogicWord(InputWordAddress(i, k)); }
    int ConstEnd() const { return ElementConstOffset[NumElements]; }
    int LogicEnd() const { return ElementLogicOffset[NumElements]; }
    int LiveEnd() const { return ElementLiveOffset[NumElements]; }

    // --- element, link and page operations (ElementOps.cpp)
    // Appends an element; false (with the reason shown) when it cannot be created.
    bool CreateElement(int type, int column, int row, const std::string& name, int page,
                       int* newIndex = nullptr);
    void DeleteElement(int element);
    // Input counted from 1, as the link dialogs number them.
    void UnlinkInput(int recordAddr, int input);
    bool LinkInput(int element, int input, int source, int output);
    // A typed literal, -655..+655; anything else is refused and nothing is written.
    bool SetLiteral(int element, int input, double value);
    bool RenameSlot(int slot, const std::string& text);
    void FillPageList(ChoiceList& list) const;
    // The literal an input of the type holds when it is created or unlinked.
    static uint16_t UnlinkedLiteral(int type);
    // The type codes the editor can create (every catalogue type but the dedicated ones).
    static bool IsCreatableType(int type);

    // --- configuration optimisation (Optimise.cpp)
    void OptimiseOrder(bool balanced);

    // --- value naming (Naming.cpp)
    std::string InputName(int element, int input) const;
    std::string OutputName(int element, int output, bool withPage) const;
    // Leaves name unchanged and returns false when no output lives at the address.
    bool NameOfLiveAddress(int liveAddr, std::string& name) const;
    void AddLiveChoiceSorted(LiveChoiceList& list, int element, int output, LiveValueFormat format,
                             int selectedElement, int selectedOutput) const;
    std::string FormatValue50(int16_t value, bool isLive) const;
    // The value text of a raw value: FormatValue50 without the live rule.
    static std::string ValueText50(int16_t value);

    // --- configuration change log (files/ChangeLog.cpp)
    ChangeLog* ChangeLogger = nullptr;
    bool LoggingChanges() const;
    // Appends the text and the line end when logging is on.
    void LogChange(const std::string& text);

    // --- data
    uint8_t Image[Layout::kImageSize];
    uint8_t SyncState[Layout::kImageSize];

    int32_t NumElements = 0;
    int32_t ElementLogicOffset[Layout::kMaxElements + 1];
    uint16_t ElementConstOffset[Layout::kMaxElements + 1];
    uint16_t ElementLiveOffset[Layout::kMaxElements + 1];
    int16_t ElementDepth[Layout::kMaxElements + 1];
    uint8_t LiveWordLinked[Layout::kLiveWords];

    bool Modified = false;
    bool ConstantsChanged = false;
    bool LogicOrNamesChanged = false;
    bool StructureChanged = false;
    bool UsageWarningOpen = false;

    // --- link state: kept by the synchronisation engine, read by every view
    int LinkState = 0; // 0..13
    bool Simulating = false;
    bool OnlineCapable = false; // LinkState is 1, 2, 4, 6, 8, 9 or 11 and not Simulating
    bool PortOpen = false;
    bool EcuPresent = false;
    int StatusFailures = 0;
    std::string EcuSerial;
    uint8_t FirmwareRate = 0; // units of 10 Hz; 255 = above 2540 Hz
    uint8_t CalcRate = 0;
    uint8_t PackageMajor = 0;
    uint8_t PackageMinor = 0;
    uint8_t EcuModeBits = 0;
    // Live-value consumers that are open.
    bool LoggingToPc = false;
    bool GaugesWindowOpen = false;
    bool ChecklistOpen = false;
    bool AnaVoltsOpen = false;
    bool ShowAllOutputs = false;
    ElementRef TableEditElement; // the table the editor shows
    bool ScopeSettingsLoaded = false;

    // True when the live area holds current values: the simulator runs, or an ECU
    // that calculates is online.
    bool LiveValuesAvailable() const {
        return Simulating || (EcuPresent && OnlineCapable && CalcRate != 0);
    }

private:
    void constAddressError(int constAddr);
    // Gives elements appended since the last walk their identities, drops those of
    // elements no longer walked, and counts a change of layout.
    void followIndex(uint64_t layoutSignature);
    void countLinks(uint16_t* countPerAddress) const;

    Messages* messages_;
    uint64_t identity_[Layout::kMaxElements + 1];
    uint8_t identityType_[Layout::kMaxElements + 1];
    int identityCount_ = 0;
    uint64_t layoutSignature_ = 0;
    uint64_t structureGeneration_ = 0;
    uint64_t configurationGeneration_ = 0;
};

} // namespace zolmar
