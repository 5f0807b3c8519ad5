#include "TempDir.h"

#include <cstdlib>
#include <vector>

namespace zolmar::test {

TempDir::TempDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "zolmar-test-XXXXXX").string();
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    dir_ = ::mkdtemp(name.data());
}

TempDir::~TempDir() {
    std::error_code ignored;
    std::filesystem::remove_all(dir_, ignored);
}

} // namespace zolmar::test
