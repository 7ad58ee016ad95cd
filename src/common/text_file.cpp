#include "common/text_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>

namespace {

std::string sizeText(std::size_t bytes) {
    return bytes >= (std::size_t{1} << 20) ? std::to_string(bytes >> 20) + " MB" : std::to_string(bytes) + " bytes";
}

}  // namespace

bool readWholeFile(const std::string& path, std::string& text, std::string& reason, std::size_t limitBytes) {
    text.clear();
    const int descriptor = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (descriptor < 0) {
        reason = std::strerror(errno);
        return false;
    }
    struct stat status;
    bool ok = fstat(descriptor, &status) == 0;
    if (!ok) {
        reason = std::strerror(errno);
    } else if (S_ISDIR(status.st_mode)) {
        reason = "it is a folder, not a file";
        ok = false;
    } else if (!S_ISREG(status.st_mode)) {
        reason = "it is not a regular file (a device, a pipe or a socket)";
        ok = false;
    } else if (static_cast<unsigned long long>(status.st_size) > limitBytes) {
        reason = "it is larger than " + sizeText(limitBytes) + ", more than such a file holds";
        ok = false;
    }
    char block[1 << 16];
    while (ok) {
        const ssize_t got = read(descriptor, block, sizeof block);
        if (got == 0) break;
        if (got < 0) {
            if (errno == EINTR) continue;
            reason = std::strerror(errno);
            ok = false;
        } else if (text.size() + static_cast<std::size_t>(got) > limitBytes) {
            reason = "it is larger than " + sizeText(limitBytes) + ", more than such a file holds";
            ok = false;
        } else {
            text.append(block, static_cast<std::size_t>(got));
        }
    }
    close(descriptor);
    if (!ok) text.clear();
    return ok;
}

int createTemporaryBeside(const std::string& path, std::string& temporary) {
    const std::size_t slash = path.find_last_of('/');
    const std::string folder = slash == std::string::npos ? "" : path.substr(0, slash + 1);
    const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    static std::atomic<unsigned> counter{0};
    int descriptor = -1;
    for (int tries = 0; descriptor < 0 && tries < 100; ++tries) {
        temporary = folder + "." + name + "." + std::to_string(static_cast<long>(getpid())) + "." +
                    std::to_string(counter.fetch_add(1)) + ".tmp";
        descriptor = open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
        if (descriptor < 0 && errno != EEXIST) break;
    }
    return descriptor;
}

bool writeTextFile(const std::string& path, const std::string& text, std::string& error) {
    std::string temporary;
    return stageTextFile(path, text, temporary, error) && publishStagedFile(temporary, path, error);
}

bool publishStagedFile(const std::string& temporary, const std::string& path, std::string& error) {
    if (std::rename(temporary.c_str(), path.c_str()) == 0) return true;
    error = "cannot write " + path + ": " + std::strerror(errno);
    std::remove(temporary.c_str());
    return false;
}

bool stageTextFile(const std::string& path, const std::string& text, std::string& temporary, std::string& error) {
    const int descriptor = createTemporaryBeside(path, temporary);
    if (descriptor < 0) {
        error = "cannot write " + path + ": " + std::strerror(errno);
        return false;
    }
    std::size_t written = 0;
    int failure = 0;
    while (written < text.size()) {
        const ssize_t put = write(descriptor, text.data() + written, text.size() - written);
        if (put < 0) {
            if (errno == EINTR) continue;
            failure = errno;
            break;
        }
        written += static_cast<std::size_t>(put);
    }
    if (close(descriptor) != 0 && failure == 0) failure = errno;
    if (failure != 0) {
        std::remove(temporary.c_str());
        error = "cannot write " + path + ": " + std::strerror(failure);
        return false;
    }
    return true;
}
