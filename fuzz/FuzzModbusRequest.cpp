// Any bytes on the line as requests to the virtual ECU: cut into frames, served.
#include "emu/VirtualEcu.h"

#include <cstddef>
#include <cstdint>

using namespace zolmar::emu;

unsigned g_sink;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static VirtualEcu ecu;
    if (size < 1)
        return 0;
    // The whole input as one frame.
    uint8_t reply[256];
    g_sink += static_cast<unsigned>(ecu.HandleRequest(data + 1, static_cast<int>(size - 1), reply));
    // And as a stream in chunks of the first byte's size, with a pause at the end.
    RequestAssembler assembler;
    const size_t chunk = 1 + data[0] % 64;
    uint8_t frame[RequestAssembler::kMaxFrame];
    int length = 0;
    for (size_t at = 1; at < size; at += chunk) {
        size_t n = size - at < chunk ? size - at : chunk;
        assembler.Add(data + at, static_cast<int>(n));
        while (assembler.Next(frame, length))
            g_sink += static_cast<unsigned>(ecu.Serve(frame, length).length);
    }
    if (assembler.Pause(frame, length))
        g_sink += static_cast<unsigned>(ecu.Serve(frame, length).length);
    return 0;
}
