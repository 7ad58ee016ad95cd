#include "common/text_file.h"

#include <cerrno>
#include <cstring>
#include <fstream>
#include <iterator>

bool readWholeFile(const std::string& path, std::string& text, std::string& reason) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        reason = std::strerror(errno);
        return false;
    }
    text.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    if (in.bad()) {
        reason = std::strerror(errno);
        return false;
    }
    return true;
}

bool writeTextFile(const std::string& path, const std::string& text, std::string& error) {
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    if (file) file << text;
    if (!file) {
        error = "cannot write " + path + ": " + std::strerror(errno);
        return false;
    }
    return true;
}
