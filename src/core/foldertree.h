#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <sys/stat.h>
#include <sys/types.h>
#include <vector>

namespace core {

// The journal folder and what lies below it, reached from the folder's descriptor: no symbolic
// link below the folder is ever followed, and a FIFO, device or folder where a file is expected
// is refused without blocking. Any member of the group that shares the folder can plant a link
// there; followed, it would let a colleague's save read or replace a file outside the folder.
// The journal folder itself is the one the user chose and may be reached through links.

// An open file descriptor, closed when the handle goes.
class FileHandle {
public:
    FileHandle() = default;
    explicit FileHandle(int fd) : fd_(fd) {}
    ~FileHandle();
    FileHandle(FileHandle&& other) noexcept : fd_(other.release()) {}
    FileHandle& operator=(FileHandle&& other) noexcept;
    FileHandle(const FileHandle&) = delete;
    FileHandle& operator=(const FileHandle&) = delete;

    int fd() const { return fd_; }
    bool valid() const { return fd_ >= 0; }
    int release();

private:
    int fd_ = -1;
};

// A descriptor, or the error number of the call that failed (systemErrorText tells it).
struct Opened {
    FileHandle handle;
    int error = 0;
    struct stat info {}; // fstat of what was opened

    bool ok() const { return handle.valid(); }
};

// Which file a saved or read file is, and as what: compared to tell that it was replaced.
struct FileIdentity {
    dev_t device = 0;
    ino_t inode = 0;
    off_t size = 0;
    timespec modified{};
    timespec changed{};

    static FileIdentity of(const struct stat& info);
    bool operator==(const FileIdentity& other) const;
};

class FolderTree {
public:
    // root: the journal folder, without a trailing separator.
    explicit FolderTree(QString root);
    const QString& root() const { return root_; }

    // The folder at path (the root or below it), opened without following a link below the root;
    // with `make`, the folders that are missing are made, each with the group and permission bits
    // of the folder that holds it.
    Opened openFolder(const QString& path, bool make = false) const;
    // The regular file at path (below the root) opened for reading.
    Opened openForReading(const QString& path) const;
    // The folder holding the file at path, and the file's name there.
    Opened openParent(const QString& path, QByteArray* name, bool make = false) const;

private:
    QString root_;
};

// The regular file of that name in the folder opened for reading: O_NOFOLLOW, O_NONBLOCK while
// opening, type checked with fstat.
Opened openRegularAt(int folder, const QByteArray& name);
// A new file of that name, never one already there nor through a link, with those bits.
Opened createNewAt(int folder, const QByteArray& name, mode_t mode);
// The entries of an open folder ("." and ".." aside), each with its own status (a link's, not its
// target's); an entry gone meanwhile is left out.
struct FolderEntry {
    QByteArray name;
    struct stat info {};
};
std::vector<FolderEntry> folderEntries(int folder);
// Gives the written temporary that name unless the name is taken (EEXIST then), even by a
// dangling link; 0, or the error number of the failing call.
int placeUnlessTaken(int folder, const QByteArray& temporary, const QByteArray& name);
// Writes all the bytes; 0, or the error number of the failing write.
int writeAll(int fd, QByteArrayView bytes);
// Gives the file those permission bits and, where the user may, that group.
void setModeAndGroup(int fd, mode_t mode, gid_t group);

} // namespace core
