// Reads any bytes as a table CSV file: parsed against a shape taken from the input,
// then imported into the tables of a configuration.
#include "files/NewConfiguration.h"
#include "model/ECU.h"
#include "model/Tables.h"
#include "tables/TableCsv.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>

using namespace zolmar;

namespace {

struct Configuration {
    SilentMessages quiet;
    std::unique_ptr<tECU> ecu = std::make_unique<tECU>(quiet);
    int table2D = -1, table3D = -1;
    Configuration() {
        NewConfiguration::MakeBlank(*ecu);
        ecu->CreateElement(ElementType::Table2D, 1, 1, "T2", 1, &table2D);
        Tables::LayOut(*ecu, table2D, {0, 500, 50}, nullptr);
        ecu->CreateElement(ElementType::Table3D, 1, 2, "T3", 1, &table3D);
        Tables::AxisLayout h{0, 400, 50}, v{0, 300, 50};
        Tables::LayOut(*ecu, table3D, h, &v);
    }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static Configuration config;
    if (size < 3)
        return 0;
    Tables::Shape shape;
    shape.type = (data[0] & 1) ? ElementType::Table3D : ElementType::Table2D;
    shape.columns = data[1];
    shape.rows = shape.is3D() ? data[2] : 1;
    std::string bytes(reinterpret_cast<const char*>(data + 3), size - 3);
    TableCsv::Content content;
    std::string message;
    if (TableCsv::Parse(bytes, shape, content, message)) {
        const size_t cells = static_cast<size_t>(shape.columns) * static_cast<size_t>(shape.rows);
        if (content.horizontal.size() != static_cast<size_t>(shape.columns) ||
            content.cells.size() != cells)
            std::abort();
        for (uint16_t c : content.cells)
            if (c & 1)
                std::abort();
    } else if (message.empty()) {
        std::abort();
    }
    TableCsv::Import(*config.ecu, shape.is3D() ? config.table3D : config.table2D, bytes, "f.csv");
    return 0;
}
