#pragma once

#include "model/ChoiceList.h"
#include "model/ECU.h"
#include "ports/Preferences.h"

#include <string>
#include <vector>

namespace zolmar {

// "Edit Link": one input of an element, linked to an output or given a literal.
class LinkEditor {
public:
    explicit LinkEditor(tECU& ecu) : ecu_(ecu) {}

    // Opens on input k (0-based) of the element; shownPage (0-based) is the main
    // window's page, which the change log names. False for an invalid input.
    bool open(int element, int input, int shownPage);
    bool isLink() const { return isLink_; }
    // Page list (128 captions) and the chosen page, 0-based.
    const ChoiceList& pages() const { return pages_; }
    int page() const { return pages_.selected; }
    // The outputs of the chosen page, sorted, with their byte live addresses.
    const LiveChoiceList& outputs() const { return outputs_; }
    void choosePage(int page);
    const std::string& literalText() const { return literal_; }

    // OK with "Link to another element" (output entry) or "Specify constant value"
    // (text). On failure the message is shown and nothing is written.
    bool okLink(int outputEntry);
    bool okLiteral(const std::string& text);

private:
    std::string destination() const;

    tECU& ecu_;
    ElementRef element_;
    int input_ = 0;
    int shownPage_ = 0;
    bool isLink_ = false;
    int sourceElement_ = -1;
    int sourceOutput_ = -1;
    // The output behind each offered address, so that OK links to that output even
    // when the addresses moved while the dialog was open.
    struct Offered {
        uint16_t address = 0;
        ElementRef source;
        int output = 0;
    };
    std::vector<Offered> offered_;
    ChoiceList pages_;
    LiveChoiceList outputs_;
    std::string literal_ = "0.00";
};

// "Edit Element Name": the name of an element or a page, by name slot.
class NameEditor {
public:
    static constexpr const char* kDefaultText = "-Enter name-";
    explicit NameEditor(tECU& ecu) : ecu_(ecu) {}
    // Slot 0..127 is a page, 128 + i element i.
    void open(int slot);
    const std::string& caption() const { return caption_; }
    const std::string& text() const { return text_; }
    void ok(const std::string& text);

private:
    tECU& ecu_;
    int slot_ = 0;
    ElementRef element_; // for an element's name: the slot follows the element
    std::string caption_;
    std::string text_;
};

// "Cosmetic Properties": an element's cell and page.
class CosmeticEditor {
public:
    explicit CosmeticEditor(tECU& ecu) : ecu_(ecu) {}
    // Opens on the logic address of an element's record.
    void open(int configAddress);
    int x() const { return x_; }
    int y() const { return y_; }
    int page() const { return page_; } // 1-based
    int oldPage() const { return oldPage_; }
    // Writes the position and page; false (with the message) when the page refuses
    // the element.
    bool ok(int x, int y, int page);

private:
    tECU& ecu_;
    int address_ = 0;
    ElementRef element_; // the record's element: it may move while the dialog is open
    int x_ = 0;
    int y_ = 0;
    int page_ = 1;
    int oldPage_ = 1;
};

// The three remembered display options of the "Settings" menu.
struct DisplayOptions {
    static constexpr int kDefaultPerColumn = 13;
    bool advancedProperties = false;
    bool showAllOutputs = false;
    int maxPerColumn = kDefaultPerColumn;

    static DisplayOptions load(Preferences& prefs);
    static void storeAdvancedProperties(Preferences& prefs, bool on);
    static void storeShowAllOutputs(Preferences& prefs, bool on);
    // Values outside 1..20 are kept inside it.
    static int storeMaxPerColumn(Preferences& prefs, int rows);
};

} // namespace zolmar
