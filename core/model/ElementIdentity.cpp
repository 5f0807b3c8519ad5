// Stable element identities: kept beside the index, carried by the model's own
// operations, never stored in the image.
#include "model/ECU.h"

#include <atomic>

namespace zolmar {

using namespace Layout;

namespace {

// One counter for every configuration in the process, so an identity held for one
// configuration never resolves in another.
uint64_t nextIdentity() {
    static std::atomic<uint64_t> counter{0};
    return ++counter;
}

} // namespace

ElementRef::ElementRef(const tECU& ecu, int element) : id_(ecu.IdOf(element)) {
    if (id_)
        hint_ = element;
}

int ElementRef::index(const tECU& ecu) const {
    if (!id_)
        return -1;
    int i = ecu.IndexOf(id_, hint_);
    if (i >= 0)
        hint_ = i;
    return i;
}

ElementId tECU::IdOf(int element) const {
    if (element < 0 || element >= NumElements || element >= identityCount_)
        return {};
    return ElementId{identity_[element]};
}

int tECU::IndexOf(ElementId id, int hint) const {
    if (!id)
        return -1;
    const int n = NumElements < identityCount_ ? NumElements : identityCount_;
    // The record must still be of the kind the element was: a guard against any
    // writer that changed the structure behind the model's back.
    auto at = [&](int i) { return identity_[i] == id.value && TypeOf(i) == identityType_[i]; };
    if (hint >= 0 && hint < n && at(hint))
        return hint;
    for (int i = 0; i < n; ++i)
        if (at(i))
            return i;
    return -1;
}

void tECU::followIndex(uint64_t layoutSignature) {
    bool changed = layoutSignature != layoutSignature_;
    layoutSignature_ = layoutSignature;
    if (identityCount_ > NumElements) {
        identityCount_ = NumElements;
        changed = true;
    }
    for (; identityCount_ < NumElements; ++identityCount_) {
        identity_[identityCount_] = nextIdentity();
        identityType_[identityCount_] = static_cast<uint8_t>(TypeOf(identityCount_));
        changed = true;
    }
    if (changed)
        ++structureGeneration_;
}

void tECU::ConfigurationReplaced() {
    for (int i = 0; i < NumElements; ++i) {
        identity_[i] = nextIdentity();
        identityType_[i] = static_cast<uint8_t>(TypeOf(i));
    }
    identityCount_ = NumElements;
    ++structureGeneration_;
    ++configurationGeneration_;
}

void tECU::EraseIdentity(int element) {
    if (element < 0 || element >= identityCount_)
        return;
    for (int i = element; i + 1 < identityCount_; ++i) {
        identity_[i] = identity_[i + 1];
        identityType_[i] = identityType_[i + 1];
    }
    --identityCount_;
    ++structureGeneration_;
}

void tECU::PermuteIdentities(const std::vector<int>& order) {
    const int n = static_cast<int>(order.size());
    if (n > identityCount_)
        return;
    std::vector<uint64_t> ids(identity_, identity_ + n);
    std::vector<uint8_t> types(identityType_, identityType_ + n);
    for (int k = 0; k < n; ++k) {
        int old = order[static_cast<size_t>(k)];
        if (old < 0 || old >= n)
            continue;
        identity_[k] = ids[static_cast<size_t>(old)];
        identityType_[k] = types[static_cast<size_t>(old)];
    }
    ++structureGeneration_;
}

tECU::IdentitySnapshot tECU::Identities() const {
    IdentitySnapshot s;
    s.ids.assign(identity_, identity_ + identityCount_);
    s.types.assign(identityType_, identityType_ + identityCount_);
    return s;
}

void tECU::RestoreIdentities(const IdentitySnapshot& snapshot) {
    size_t n =
        snapshot.ids.size() < snapshot.types.size() ? snapshot.ids.size() : snapshot.types.size();
    if (n > static_cast<size_t>(kMaxElements))
        n = static_cast<size_t>(kMaxElements);
    for (size_t i = 0; i < n; ++i) {
        identity_[i] = snapshot.ids[i];
        identityType_[i] = snapshot.types[i];
    }
    identityCount_ = static_cast<int>(n);
    // Elements the snapshot does not cover (the index walked further) get new ones.
    followIndex(layoutSignature_);
    ++structureGeneration_;
}

} // namespace zolmar
