#include "common/replacefile.h"

#include "common/errors.h"

#include <cerrno>
#include <fcntl.h>
#include <filesystem>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

namespace zorkan {

namespace {

// The file a chain of links ends at; the name itself when it is no link.
std::string followLinks(const std::string& path) {
    std::error_code ec;
    std::filesystem::path p = path;
    for (int hops = 0; hops < 40 && std::filesystem::is_symlink(p, ec); ++hops) {
        const std::filesystem::path next = std::filesystem::read_symlink(p, ec);
        if (ec)
            break;
        p = next.is_absolute() ? next : p.parent_path() / next;
    }
    return p.string();
}

} // namespace

FileReplacement::FileReplacement(const std::string& path) : target_(followLinks(path)) {
    struct stat old {};
    const bool exists = ::stat(target_.c_str(), &old) == 0;
    // A file with no write permission for anyone counts as read-only even for root.
    if (exists && (::access(target_.c_str(), W_OK) != 0 || (old.st_mode & 0222) == 0))
        throwIoError(ioAccessDenied, path);
    // A folder of that name would refuse only the final rename: refused here, before any
    // file of a set written together is replaced.
    if (exists && S_ISDIR(old.st_mode))
        throwOpenError(EISDIR, true, path);
    // The kernel gives a new temporary the usual permissions of a new file.
    for (unsigned attempt = 0;; ++attempt) {
        temporary_ = target_ + ".~" + std::to_string(::getpid()) + "-" + std::to_string(attempt);
        const int fd = ::open(temporary_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
        if (fd >= 0) {
            if (exists)
                ::fchmod(fd, old.st_mode & 07777);
            ::close(fd);
            return;
        }
        if (errno != EEXIST || attempt > 1000) {
            const int error = errno;
            temporary_.clear();
            throwOpenError(error, true, path);
        }
    }
}

FileReplacement::~FileReplacement() {
    if (!committed_ && !temporary_.empty())
        ::unlink(temporary_.c_str());
}

void FileReplacement::commit() {
    if (::rename(temporary_.c_str(), target_.c_str()) != 0)
        throwOpenError(errno, true, target_);
    committed_ = true;
}

namespace {

void writeTemporary(const FileReplacement& replacement, std::string_view bytes) {
    FileDescriptor fd(::open(replacement.temporaryPath().c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC));
    if (fd.get() < 0)
        throwOpenError(errno, true, replacement.targetPath());
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t put = ::write(fd.get(), bytes.data() + done, bytes.size() - done);
        if (put < 0) {
            if (errno == EINTR)
                continue;
            throwOpenError(errno, true, replacement.targetPath());
        }
        done += static_cast<std::size_t>(put);
    }
    if (::fsync(fd.get()) != 0)
        throwOpenError(errno, true, replacement.targetPath());
    if (::close(fd.release()) != 0)
        throwOpenError(errno, true, replacement.targetPath());
}

} // namespace

void writeFileSafely(const std::string& path, std::string_view bytes) {
    FileReplacement replacement(path);
    writeTemporary(replacement, bytes);
    replacement.commit();
}

void writeFilesSafely(const std::vector<std::pair<std::string, std::string>>& files) {
    std::vector<std::unique_ptr<FileReplacement>> replacements;
    for (const auto& [path, bytes] : files) {
        replacements.push_back(std::make_unique<FileReplacement>(path));
        writeTemporary(*replacements.back(), bytes);
    }
    for (auto& replacement : replacements)
        replacement->commit();
}

bool sameFile(const std::string& a, const std::string& b) {
    struct stat sa {
    }, sb{};
    if (::stat(a.c_str(), &sa) == 0 && ::stat(b.c_str(), &sb) == 0)
        return sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
    std::error_code ea, eb;
    const auto pa = std::filesystem::weakly_canonical(std::filesystem::absolute(a), ea);
    const auto pb = std::filesystem::weakly_canonical(std::filesystem::absolute(b), eb);
    return !ea && !eb && pa == pb;
}

} // namespace zorkan
