#include "common/file_paths.h"

#include <filesystem>

std::string pathInFolder(const std::string& folder, const std::string& name) {
    if (folder.empty() || folder == "." || (!name.empty() && name.front() == '/')) return name;
    return folder.back() == '/' ? folder + name : folder + "/" + name;
}

bool sameFile(const std::string& a, const std::string& b) {
    std::error_code failed;
    return std::filesystem::equivalent(a, b, failed);
}
