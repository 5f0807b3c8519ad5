#include "tables/TableCsv.h"

#include "files/AtomicFile.h"
#include "model/Cp1252.h"

#include <algorithm>

namespace zolmar::TableCsv {

using Tables::Axis;

namespace {

constexpr const char* kTypeMessage =
    "Incompatible table type, or incorrect format in csv file (string in top left cell in csv "
    "file must be \"2D Table\" or \"3D Table\")!";
constexpr const char* kLetterMessage =
    "Incorrect format in csv file (letter found where a number, or . , or - was expected)!";
constexpr const char* kPointsMessage =
    "Incorrect format in csv file (multiple decimal places between subsequent commas)!";
constexpr const char* kMinusMessage =
    "Incorrect format in csv file (minus sign in an invalid location)!";
constexpr const char* kRangeMessage = "Incorrect format in csv file (at least one reference or "
                                      "entry falls outside the -655 to +655 range)!";
constexpr const char* kSmallerMessage = "Table in csv file cannot be smaller than current table!";
constexpr const char* kEmptyMessage =
    "Incorrect format in csv file (a field holds no number where one was expected)!";
constexpr const char* kEndMessage =
    "Incorrect format in csv file (the file ends before the table does)!";

// One field as typed: sign, digits before and after the point.
struct Field {
    bool negative = false;
    std::string whole;
    std::string fraction;
    bool point = false;
    bool any = false; // any character at all
    bool hasDigits() const { return !whole.empty() || !fraction.empty(); }
};

// round(value x 50), halves away from zero, exactly from the decimal digits; false
// when the result is outside a word.
bool rawOf(const Field& f, int& raw) {
    size_t start = f.whole.find_first_not_of('0');
    std::string whole = start == std::string::npos ? std::string() : f.whole.substr(start);
    if (whole.size() > 7)
        return false;
    int64_t integer = 0;
    for (char c : whole)
        integer = integer * 10 + (c - '0');
    // Nine decimals decide the rounding exactly: every numerator is a multiple of 50.
    int64_t fraction = 0;
    for (size_t k = 0; k < 9; ++k)
        fraction = fraction * 10 + (k < f.fraction.size() ? f.fraction[k] - '0' : 0);
    const int64_t scale = 1000000000;
    const int64_t numerator = integer * 50 * scale + fraction * 50;
    int64_t magnitude = numerator / scale;
    if (2 * (numerator % scale) >= scale)
        ++magnitude;
    const int64_t value = f.negative ? -magnitude : magnitude;
    if (value < -32768 || value > 32767)
        return false;
    raw = static_cast<int>(value);
    return true;
}

class Reader {
public:
    Reader(const std::string& bytes, size_t at) : bytes_(bytes), at_(at) {}

    bool atEnd() const { return at_ >= bytes_.size(); }

    // Reads one line; the first `needed` values are kept (0 where the line is short).
    // A field that is there must hold a number; skipFirst leaves the first field
    // unconverted. count gets the number of fields.
    bool line(size_t needed, bool skipFirst, std::vector<int>& values, size_t& count,
              std::string& message) {
        values.assign(needed, 0);
        count = 0;
        Field f;
        while (true) {
            const bool end = atEnd();
            const char c = end ? '\n' : bytes_[at_++];
            if (c == ',' || c == '\r' || c == '\n') {
                if (!finish(f, count, needed, skipFirst, values, message))
                    return false;
                ++count;
                f = Field();
                if (c == ',')
                    continue;
                if (c == '\r' && !atEnd() && bytes_[at_] == '\n')
                    ++at_;
                return true;
            }
            if (c >= '0' && c <= '9') {
                (f.point ? f.fraction : f.whole).push_back(c);
            } else if (c == '.') {
                if (f.point) {
                    message = kPointsMessage;
                    return false;
                }
                f.point = true;
            } else if (c == '-') {
                if (f.any) {
                    message = kMinusMessage;
                    return false;
                }
                f.negative = true;
            } else {
                message = kLetterMessage;
                return false;
            }
            f.any = true;
        }
    }

private:
    static bool finish(const Field& f, size_t index, size_t needed, bool skipFirst,
                       std::vector<int>& values, std::string& message) {
        if (skipFirst && index == 0)
            return true;
        if (!f.hasDigits()) {
            // An empty field past what the table needs (a trailing comma) is harmless.
            if (index < needed || f.any) {
                message = kEmptyMessage;
                return false;
            }
            return true;
        }
        int raw = 0;
        if (!rawOf(f, raw)) {
            message = kRangeMessage;
            return false;
        }
        if (index < needed)
            values[index] = raw;
        return true;
    }

    const std::string& bytes_;
    size_t at_;
};

void appendNumber(std::string& out, int raw) {
    out += Tables::TwoDecimals(raw);
}

} // namespace

std::string Export(const tECU& ecu, int element) {
    Tables::Shape shape;
    if (!Tables::ShapeOf(ecu, element, shape))
        return {};
    std::string out = shape.is3D() ? "3D Table" : "2D Table";
    for (int i = 0; i < shape.columns; ++i) {
        out += ",";
        appendNumber(out, Tables::Reference(ecu, shape, Axis::Horizontal, i));
    }
    out += "\r\n";
    if (!shape.is3D()) {
        for (int i = 0; i < shape.columns; ++i) {
            out += ",";
            appendNumber(out, static_cast<int16_t>(Tables::Cell(ecu, shape, i, 0)));
        }
        out += "\r\n";
        return out;
    }
    for (int j = 0; j < shape.rows; ++j) {
        appendNumber(out, Tables::Reference(ecu, shape, Axis::Vertical, j));
        for (int i = 0; i < shape.columns; ++i) {
            out += ",";
            appendNumber(out, static_cast<int16_t>(Tables::Cell(ecu, shape, i, j)));
        }
        out += "\r\n";
    }
    return out;
}

// What spreadsheets add when they save a CSV file: a UTF-8 byte-order mark in
// front and double quotes around fields. Neither can stand in a table's file.
std::string withoutSpreadsheetMarks(const std::string& bytes) {
    const bool bom = bytes.compare(0, 3, "\xEF\xBB\xBF") == 0;
    std::string text;
    text.reserve(bytes.size());
    for (size_t k = bom ? 3 : 0; k < bytes.size(); ++k)
        if (bytes[k] != '"')
            text += bytes[k];
    return text;
}

bool Parse(const std::string& input, const Tables::Shape& shape, Content& content,
           std::string& message) {
    content = Content();
    const std::string bytes = withoutSpreadsheetMarks(input);
    if (bytes.size() < 9) {
        message = bytes.size() >= 2 && bytes.compare(0, 2, shape.is3D() ? "3D" : "2D") == 0
                      ? kEndMessage
                      : kTypeMessage;
        return false;
    }
    if (bytes.compare(0, 2, shape.is3D() ? "3D" : "2D") != 0) {
        message = kTypeMessage;
        return false;
    }
    const size_t columns = static_cast<size_t>(std::max(0, shape.columns));
    const size_t rows = static_cast<size_t>(std::max(0, shape.rows));
    Reader reader(bytes, 9);
    std::vector<int> values;
    size_t count = 0;
    if (!reader.line(columns, false, values, count, message))
        return false;
    if (count < columns) {
        message = kSmallerMessage;
        return false;
    }
    for (int v : values)
        content.horizontal.push_back(static_cast<int16_t>(v));
    auto cell = [](int v) { return static_cast<uint16_t>(static_cast<uint16_t>(v) & 0xFFFE); };
    if (!shape.is3D()) {
        if (reader.atEnd()) {
            message = kEndMessage;
            return false;
        }
        if (!reader.line(columns + 1, true, values, count, message))
            return false;
        if (count < columns + 1) {
            message = kSmallerMessage;
            return false;
        }
        for (size_t i = 1; i <= columns; ++i)
            content.cells.push_back(cell(values[i]));
        return true;
    }
    for (size_t j = 0; j < rows; ++j) {
        if (reader.atEnd()) {
            message = kEndMessage;
            return false;
        }
        // A short data line leaves its missing cells at 0.00.
        if (!reader.line(columns + 1, false, values, count, message))
            return false;
        content.vertical.push_back(static_cast<int16_t>(values[0]));
        for (size_t i = 1; i <= columns; ++i)
            content.cells.push_back(cell(values[i]));
    }
    return true;
}

bool Import(tECU& ecu, int element, const std::string& bytes, const std::string& fileName) {
    Tables::Shape shape;
    if (!Tables::ShapeOf(ecu, element, shape))
        return false;
    Content content;
    std::string message;
    if (!Parse(bytes, shape, content, message)) {
        ecu.messages().error(message);
        return false;
    }
    for (int i = 0; i < shape.columns; ++i)
        ecu.WriteConstWord(shape.referenceAddress(Axis::Horizontal, i),
                           static_cast<uint16_t>(content.horizontal[static_cast<size_t>(i)]));
    for (int j = 0; j < static_cast<int>(content.vertical.size()); ++j)
        ecu.WriteConstWord(shape.referenceAddress(Axis::Vertical, j),
                           static_cast<uint16_t>(content.vertical[static_cast<size_t>(j)]));
    for (int j = 0; j < shape.rows; ++j)
        for (int i = 0; i < shape.columns; ++i)
            Tables::WriteCell(ecu, shape, i, j,
                              content.cells[static_cast<size_t>(j) * shape.columns + i]);
    // The file's name is the system's (UTF-8); the log is written in the image's text.
    ecu.LogChange("Imported the contents of the csv file called " + utf8ToCp1252(fileName) +
                  " into the table called " + ecu.NameOf(Layout::kNumPages + element) +
                  " on page " + std::to_string(ecu.PageOf(element) + 1));
    return true;
}

bool ExportFile(const tECU& ecu, int element, const std::string& path, std::string& error) {
    const std::string text = Export(ecu, element);
    return writeFileAtomically(path, text.data(), text.size(), error);
}

bool ImportFile(tECU& ecu, int element, const std::string& path) {
    std::vector<uint8_t> bytes;
    std::string error;
    if (!readWholeFile(path, bytes, error, kMaxFileBytes)) {
        ecu.messages().error(error);
        return false;
    }
    return Import(ecu, element, std::string(bytes.begin(), bytes.end()), path);
}

} // namespace zolmar::TableCsv
