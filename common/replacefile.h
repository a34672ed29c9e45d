#pragma once
// Saving over a file without risking it: the new contents go to a temporary file beside
// the file and take its place only when complete. A link is followed, so the file it
// names gets the new contents and the link stays a link.
#include <string>
#include <string_view>
#include <unistd.h>
#include <utility>
#include <vector>

namespace zorkan {

class FileReplacement {
  public:
    // Creates the empty temporary beside the file `path` names, with the file's
    // permissions (or those of a new file). An existing file the user may not write, or
    // one read-only for everybody, is refused with the platform's access error, as is a
    // folder that takes no new file.
    explicit FileReplacement(const std::string& path);
    // Removes the temporary unless it was committed.
    ~FileReplacement();
    FileReplacement(const FileReplacement&) = delete;
    FileReplacement& operator=(const FileReplacement&) = delete;

    const std::string& temporaryPath() const { return temporary_; }
    // The file the temporary replaces (the end of the links); errors name it.
    const std::string& targetPath() const { return target_; }
    // Renames the temporary over the file.
    void commit();

  private:
    std::string target_;
    std::string temporary_;
    bool committed_ = false;
};

// Writes the bytes to a temporary file beside `path` and renames it over `path` only
// when everything was written: a failed save leaves the old file as it was. A link is
// written through to the file it names; a read-only file is refused and kept.
void writeFileSafely(const std::string& path, std::string_view bytes);

// Several files that belong together (a C header and its source): every temporary is
// written in full before the first rename, so a refused or failed write leaves all the
// old files as they were.
void writeFilesSafely(const std::vector<std::pair<std::string, std::string>>& files);

// An open descriptor, closed when it goes out of scope.
class FileDescriptor {
  public:
    explicit FileDescriptor(int fd) : fd_(fd) {}
    ~FileDescriptor() {
        if (fd_ >= 0)
            ::close(fd_);
    }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    int get() const { return fd_; }
    int release() {
        const int fd = fd_;
        fd_ = -1;
        return fd;
    }

  private:
    int fd_;
};

// True when both names reach one file: the same device and inode when both exist,
// otherwise the same path once made absolute with links, "." and ".." resolved.
bool sameFile(const std::string& a, const std::string& b);

} // namespace zorkan
