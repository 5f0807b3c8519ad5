#include "model/HeldReferences.h"

#include "model/ECU.h"

namespace zolmar::HeldReferences {

using namespace Layout;

namespace {

constexpr uint16_t kNone = 0xFFFF;
constexpr int kFirstSpecialSource = 4096; // scope codes from here on are no live words
constexpr int kElementNames = kNumPages * kNameLength;

LiveRef captureLive(const tECU& ecu, int liveAddr) {
    LiveRef r;
    for (int i = 0; i < ecu.NumElements; ++i) {
        int first = ecu.ElementLiveOffset[i];
        int size = tECU::LiveSize(ecu.TypeOf(i));
        if (size > 0 && liveAddr >= first && liveAddr < first + size) {
            r.owner = ElementRef(ecu, i);
            r.offset = liveAddr - first;
            r.held = true;
            break;
        }
    }
    return r;
}

// The address the held word should now hold, or -1 when its element is gone.
int followLive(const tECU& ecu, const LiveRef& r) {
    int i = r.owner.index(ecu);
    if (i < 0)
        return -1;
    return ecu.ElementLiveOffset[i] + r.offset;
}

void rewrite(tECU& ecu, long offset, uint16_t value) {
    if (ecu.ImageWord(offset) == value)
        return;
    ecu.SetImageWord(offset, value, true);
    ecu.Modified = true;
    ecu.ConstantsChanged = true;
}

} // namespace

long LoggedAddressOffset(int channel) {
    return 0x0004 + 2L * channel;
}

long NamePositionOffset(int channel) {
    return 0x0022 + 2L * channel;
}

long ValidAddressOffset(int channel) {
    return 0x0040 + 2L * channel;
}

int ScopeSourceAddress(int source) {
    return source == 0 ? 303 : 307 + 2 * (source - 1);
}

Snapshot Capture(const tECU& ecu) {
    Snapshot s;
    for (int c = 0; c < kLoggingChannels; ++c) {
        auto k = static_cast<size_t>(c);
        uint16_t logged = ecu.ImageWord(LoggedAddressOffset(c));
        int position = ecu.ImageWord(NamePositionOffset(c));
        // Address 0 with name position 0 is how a configuration leaves a channel unused.
        if (logged == 0 && position == 0)
            continue;
        s.logged[k] = captureLive(ecu, logged);
        uint16_t valid = ecu.ImageWord(ValidAddressOffset(c));
        if (valid != kNone)
            s.valid[k] = captureLive(ecu, valid);
        if (position >= kElementNames && (position - kElementNames) % kNameLength == 0) {
            int element = (position - kElementNames) / kNameLength;
            s.named[k] = ElementRef(ecu, element);
            s.nameHeld[k] = element < ecu.NumElements;
        }
    }
    for (int src = 0; src < kScopeSources; ++src) {
        uint16_t code = ecu.ReadConstWord(ScopeSourceAddress(src));
        if (code < kFirstSpecialSource)
            s.scope[static_cast<size_t>(src)] = captureLive(ecu, 2 * code);
    }
    return s;
}

void Follow(tECU& ecu, const Snapshot& before) {
    for (int c = 0; c < kLoggingChannels; ++c) {
        auto k = static_cast<size_t>(c);
        const LiveRef& logged = before.logged[k];
        if (logged.held) {
            int now = followLive(ecu, logged);
            if (now < 0) {
                // The logged gauge is gone: the channel is unused, as in a new configuration.
                rewrite(ecu, LoggedAddressOffset(c), 0);
                rewrite(ecu, NamePositionOffset(c), 0);
                rewrite(ecu, ValidAddressOffset(c), kNone);
                continue;
            }
            rewrite(ecu, LoggedAddressOffset(c), static_cast<uint16_t>(now));
        }
        if (before.nameHeld[k]) {
            int i = before.named[k].index(ecu);
            rewrite(ecu, NamePositionOffset(c),
                    i < 0 ? 0 : static_cast<uint16_t>(kElementNames + kNameLength * i));
        }
        const LiveRef& valid = before.valid[k];
        if (valid.held) {
            int now = followLive(ecu, valid);
            rewrite(ecu, ValidAddressOffset(c), now < 0 ? kNone : static_cast<uint16_t>(now));
        }
    }
    for (int src = 0; src < kScopeSources; ++src) {
        const LiveRef& r = before.scope[static_cast<size_t>(src)];
        if (!r.held)
            continue;
        int now = followLive(ecu, r);
        uint16_t code = now < 0 ? kNone : static_cast<uint16_t>(now / 2);
        int addr = ScopeSourceAddress(src);
        if (ecu.ReadConstWord(addr) != code)
            ecu.WriteConstWord(addr, code);
    }
}

} // namespace zolmar::HeldReferences
