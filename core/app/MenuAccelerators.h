#pragma once

#include <string>
#include <vector>

namespace zolmar {

// Alt-letter access for a menu whose captions are fixed texts: the mark goes in
// front of a letter the caption already has, so the text itself never changes.
namespace MenuAccelerators {

// The captions of one menu (or menu bar), in order, with "&" before the letter
// that opens each: the first word-starting letter or digit no earlier caption took,
// else any free one; a caption with nothing free gets no mark. A literal "&" in a
// caption is written "&&".
std::vector<std::string> Assign(const std::vector<std::string>& captions);

// A caption with its marks taken out again ("&&" stands for "&").
std::string Plain(const std::string& caption);

} // namespace MenuAccelerators
} // namespace zolmar
