#pragma once
// Saving over a file without risking it: the new contents go to a temporary file beside
// the file and take its place only when complete. A link is followed, so the file it
// names gets the new contents and the link stays a link.
#include <string>

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
    // Renames the temporary over the file.
    void commit();

  private:
    std::string target_;
    std::string temporary_;
    bool committed_ = false;
};

// True when both names reach one file: the same device and inode when both exist,
// otherwise the same path once made absolute with links, "." and ".." resolved.
bool sameFile(const std::string& a, const std::string& b);

} // namespace zorkan
