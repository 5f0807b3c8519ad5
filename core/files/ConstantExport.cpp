#include "files/ConstantExport.h"

#include "files/AtomicFile.h"

#include <algorithm>

namespace zolmar::ConstantExport {

std::string Text(const tECU& ecu) {
    const std::string crlf = "\r\n";
    std::string t;
    t += "Constant Memory Usage (not including 1024 bytes of fixed constant data): " +
         std::to_string(static_cast<int>(ecu.ImageWord(0)) - 1024) + crlf;
    t += "Config Memory Usage (not including finish byte): " +
         std::to_string(static_cast<int>(ecu.ImageWord(2)) - 1) + crlf;
    // Only bytes inside the constant area are listed: the blocks of a corrupt
    // configuration could otherwise claim gigabytes of text.
    long inArea = Layout::kConstSize;
    for (int i = 0; i < ecu.NumElements; ++i) {
        const int type = ecu.TypeOf(i);
        const int a = ecu.ElementConstOffset[i];
        const int s =
            static_cast<int>(std::min<long>(ecu.ConstSize(type, a), std::max(0L, inArea)));
        inArea -= ecu.ConstSize(type, a);
        t += crlf;
        t += ecu.NameOf(Layout::kNumPages + i) + ",Index " + std::to_string(i) + ",ID " +
             std::to_string(type) + ",Const address " + std::to_string(a) + crlf;
        if (s <= 0) {
            t += "No Constant Data" + crlf;
            continue;
        }
        for (int chunk = 0; chunk <= s / 100; ++chunk) {
            const int first = chunk * 100;
            const int last = std::min(first + 100, s);
            for (int k = first; k < last; ++k)
                t += "Offset " + std::to_string(k) + ",";
            t += crlf;
            for (int k = first; k < last; ++k)
                t += std::to_string(ecu.ReadConstByte(a + k)) + ",";
            t += crlf;
            t += crlf;
        }
    }
    return t;
}

bool Write(const tECU& ecu, const std::string& path, std::string& error) {
    std::string text = Text(ecu);
    return writeFileAtomically(path, text.data(), text.size(), error);
}

} // namespace zolmar::ConstantExport
