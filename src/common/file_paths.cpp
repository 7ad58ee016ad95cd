#include "common/file_paths.h"

std::string pathInFolder(const std::string& folder, const std::string& name) {
    if (folder.empty() || folder == "." || (!name.empty() && name.front() == '/')) return name;
    return folder.back() == '/' ? folder + name : folder + "/" + name;
}
