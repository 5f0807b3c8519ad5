#pragma once

#include "model/ECU.h"

#include <string>
#include <vector>

namespace zolmar {

// Operations on whole pages and on groups of elements, with their checks,
// messages and change-log lines. Pages are 0-based here.
namespace PageOps {

std::vector<int> elementsOnPage(const tECU& ecu, int page);
bool holdsDedicated(const tECU& ecu, const std::vector<int>& elements);

// The type behind each add-element kind 1..21, and the kind's default name.
int typeOfKind(int kind);
const char* defaultNameOfKind(int kind);
// The change-log line's start for a new element of the kind.
const char* addedLogStart(int kind);

// Deletes the elements (any order) from the last index to the first, logging each.
// Dedicated elements are never deleted.
void deleteElements(tECU& ecu, std::vector<int> elements);

// "   - " + input name for every input anywhere linked to the output.
std::vector<std::string> linkedInputs(const tECU& ecu, int element, int output, int skipPage = -1);
// The lines of "Page Properties".
std::vector<std::string> pageProperties(const tECU& ecu, int page);

// Moves every element of the page to the target page; false, with the message,
// when the target refuses them.
bool moveAll(tECU& ecu, int page, int target);
// Copies the page's elements to the lowest free page, wiring the copies to each
// other as the originals are; the new page, or -1 (with the message).
int duplicatePage(tECU& ecu, int page);
// Asks whether the page may be deleted; false when it holds a dedicated element
// or the answer is No.
bool askDeletePage(tECU& ecu, int page, const std::string& selectorText);
void clearPageName(tECU& ecu, int page);

} // namespace PageOps

} // namespace zolmar
