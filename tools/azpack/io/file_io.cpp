#include "io/file_io.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <algorithm>
#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>

#ifdef _WIN32
#include <io.h>
#include <process.h>
#else
#include <unistd.h>
#endif

namespace azpack {

namespace {

constexpr size_t kWriteBufferSize = 1 << 20;
// Pieces of at least this size skip the buffer.
constexpr size_t kDirectWriteSize = kWriteBufferSize / 4;

#ifdef _WIN32
int openDescriptor(const std::filesystem::path& path, int flags) {
    return _wopen(path.c_str(), flags | _O_BINARY | _O_NOINHERIT, _S_IREAD | _S_IWRITE);
}
int closeDescriptor(int fd) {
    return _close(fd);
}
bool seekTo(int fd, uint64_t offset) {
    return _lseeki64(fd, static_cast<__int64>(offset), SEEK_SET) == static_cast<__int64>(offset);
}
long long readSome(int fd, void* buffer, size_t count) {
    unsigned chunk = count > (1u << 30) ? (1u << 30) : static_cast<unsigned>(count);
    return _read(fd, buffer, chunk);
}
long long writeSome(int fd, const void* buffer, size_t count) {
    unsigned chunk = count > (1u << 30) ? (1u << 30) : static_cast<unsigned>(count);
    return _write(fd, buffer, chunk);
}
// Writes at `offset` and leaves the file position at `resume`.
long long writeSomeAt(int fd, const void* buffer, size_t count, uint64_t offset, uint64_t resume) {
    if (!seekTo(fd, offset))
        return -1;
    long long n = writeSome(fd, buffer, count);
    if (!seekTo(fd, resume))
        return -1;
    return n;
}
bool fileSize(int fd, uint64_t* size) {
    struct _stati64 info;
    if (_fstati64(fd, &info) != 0)
        return false;
    *size = static_cast<uint64_t>(info.st_size);
    return true;
}
int processId() {
    return _getpid();
}
constexpr int kReadOnly = _O_RDONLY;
constexpr int kCreate = _O_WRONLY | _O_CREAT | _O_TRUNC;
constexpr int kExclusive = _O_EXCL;
#else
int openDescriptor(const std::filesystem::path& path, int flags) {
    int fd;
    do {
        fd = ::open(path.c_str(), flags | O_CLOEXEC, 0666);
    } while (fd < 0 && errno == EINTR);
    return fd;
}
int closeDescriptor(int fd) {
    return ::close(fd);
}
bool seekTo(int fd, uint64_t offset) {
    return ::lseek(fd, static_cast<off_t>(offset), SEEK_SET) == static_cast<off_t>(offset);
}
long long readSome(int fd, void* buffer, size_t count) {
    ssize_t n;
    do {
        n = ::read(fd, buffer, count > (1u << 30) ? (1u << 30) : count);
    } while (n < 0 && errno == EINTR);
    return n;
}
long long writeSome(int fd, const void* buffer, size_t count) {
    ssize_t n;
    do {
        n = ::write(fd, buffer, count > (1u << 30) ? (1u << 30) : count);
    } while (n < 0 && errno == EINTR);
    return n;
}
// Writes at `offset`; the file position stays where it was (`resume`).
long long writeSomeAt(int fd, const void* buffer, size_t count, uint64_t offset, uint64_t) {
    ssize_t n;
    do {
        n = ::pwrite(fd, buffer, count > (1u << 30) ? (1u << 30) : count,
                     static_cast<off_t>(offset));
    } while (n < 0 && errno == EINTR);
    return n;
}
bool fileSize(int fd, uint64_t* size) {
    struct stat info;
    if (::fstat(fd, &info) != 0)
        return false;
    if (S_ISDIR(info.st_mode)) {
        errno = EISDIR;
        return false;
    }
    *size = static_cast<uint64_t>(info.st_size);
    return true;
}
int processId() {
    return static_cast<int>(::getpid());
}
constexpr int kReadOnly = O_RDONLY;
constexpr int kCreate = O_WRONLY | O_CREAT | O_TRUNC;
constexpr int kExclusive = O_EXCL;
#endif

// Temporaries still on disk, for removal when the process is interrupted;
// the signal handler may only look at plain memory.
struct LiveTemporary {
    std::atomic<bool> used{false};
    std::filesystem::path::value_type path[4096];
};
LiveTemporary liveTemporaries[8];

void removeLiveTemporaries(int signalNumber) {
    for (LiveTemporary& live : liveTemporaries) {
        if (live.used.load()) {
#ifdef _WIN32
            _wunlink(live.path);
#else
            ::unlink(live.path);
#endif
        }
    }
    std::signal(signalNumber, SIG_DFL);
    std::raise(signalNumber);
}

LiveTemporary* registerTemporary(const std::filesystem::path& path) {
    static bool handlersInstalled = false;
    if (!handlersInstalled) {
        handlersInstalled = true;
        std::signal(SIGINT, removeLiveTemporaries);
        std::signal(SIGTERM, removeLiveTemporaries);
#ifndef _WIN32
        std::signal(SIGHUP, removeLiveTemporaries);
#endif
    }
    const auto& native = path.native();
    if (native.size() >= sizeof(LiveTemporary::path) / sizeof(LiveTemporary::path[0]))
        return nullptr;
    for (LiveTemporary& live : liveTemporaries) {
        if (!live.used.load()) {
            std::copy(native.begin(), native.end(), live.path);
            live.path[native.size()] = 0;
            live.used.store(true);
            return &live;
        }
    }
    return nullptr;
}

std::string failure(const std::filesystem::path& path, const char* what) {
    return displayPath(path) + ": " + what + ": " + std::strerror(errno);
}

}  // namespace

std::string displayPath(const std::filesystem::path& path) {
    return path.u8string();
}

InputFile::~InputFile() {
    close();
}

bool InputFile::open(const std::filesystem::path& path, std::string* error) {
    close();
    path_ = path;
    descriptor_ = openDescriptor(path, kReadOnly);
    if (descriptor_ < 0) {
        *error = failure(path, "cannot open");
        return false;
    }
    if (!fileSize(descriptor_, &size_)) {
        *error = failure(path, "cannot read");
        close();
        return false;
    }
    return true;
}

void InputFile::close() {
    if (descriptor_ >= 0)
        closeDescriptor(descriptor_);
    descriptor_ = -1;
    size_ = 0;
}

bool InputFile::readAt(uint64_t offset, void* buffer, size_t count, size_t* got,
                       std::string* error) {
    *got = 0;
    if (!seekTo(descriptor_, offset)) {
        *error = failure(path_, "cannot seek");
        return false;
    }
    unsigned char* out = static_cast<unsigned char*>(buffer);
    while (*got < count) {
        long long n = readSome(descriptor_, out + *got, count - *got);
        if (n < 0) {
            *error = failure(path_, "cannot read");
            return false;
        }
        if (n == 0)
            break;
        *got += static_cast<size_t>(n);
    }
    return true;
}

bool InputFile::readExact(uint64_t offset, void* buffer, size_t count, std::string* error) {
    size_t got = 0;
    if (!readAt(offset, buffer, count, &got, error))
        return false;
    if (got != count) {
        *error =
            displayPath(path_) + ": unexpected end of file at byte " + std::to_string(offset + got);
        return false;
    }
    return true;
}

OutputFile::~OutputFile() {
    if (descriptor_ >= 0)
        closeDescriptor(descriptor_);
}

bool OutputFile::createNew(const std::filesystem::path& path, std::string* error) {
    path_ = path;
    position_ = 0;
    buffer_.clear();
    descriptor_ = openDescriptor(path, kCreate | kExclusive);
    if (descriptor_ < 0) {
        *error = failure(path, "cannot create");
        return false;
    }
    buffer_.reserve(kWriteBufferSize);
    return true;
}

bool OutputFile::flush(std::string* error) {
    size_t done = 0;
    while (done < buffer_.size()) {
        long long n = writeSome(descriptor_, buffer_.data() + done, buffer_.size() - done);
        if (n <= 0) {
            *error = failure(path_, "cannot write");
            return false;
        }
        done += static_cast<size_t>(n);
    }
    buffer_.clear();
    return true;
}

bool OutputFile::writeDirect(const unsigned char* bytes, size_t count, std::string* error) {
    size_t done = 0;
    while (done < count) {
        long long n = writeSome(descriptor_, bytes + done, count - done);
        if (n <= 0) {
            *error = failure(path_, "cannot write");
            return false;
        }
        done += static_cast<size_t>(n);
    }
    return true;
}

bool OutputFile::write(const void* data, size_t count, std::string* error) {
    const unsigned char* bytes = static_cast<const unsigned char*>(data);
    position_ += count;
    // A large piece goes to the file as it is: copying it into the buffer
    // first would only cost time.
    if (count >= kDirectWriteSize)
        return flush(error) && writeDirect(bytes, count, error);
    while (count > 0) {
        size_t room = kWriteBufferSize - buffer_.size();
        size_t take = count < room ? count : room;
        buffer_.insert(buffer_.end(), bytes, bytes + take);
        bytes += take;
        count -= take;
        if (buffer_.size() == kWriteBufferSize && !flush(error))
            return false;
    }
    return true;
}

bool OutputFile::writeAt(uint64_t offset, const void* data, size_t count, std::string* error) {
    if (!flush(error))
        return false;
    if (!seekTo(descriptor_, offset)) {
        *error = failure(path_, "cannot seek");
        return false;
    }
    const unsigned char* bytes = static_cast<const unsigned char*>(data);
    size_t done = 0;
    while (done < count) {
        long long n = writeSome(descriptor_, bytes + done, count - done);
        if (n <= 0) {
            *error = failure(path_, "cannot write");
            return false;
        }
        done += static_cast<size_t>(n);
    }
    if (!seekTo(descriptor_, position_)) {
        *error = failure(path_, "cannot seek");
        return false;
    }
    return true;
}

bool OutputFile::patch(uint64_t offset, const void* data, size_t count, std::string* error) {
    const unsigned char* bytes = static_cast<const unsigned char*>(data);
    const uint64_t flushed = position_ - buffer_.size();
    if (offset > position_ || count > position_ - offset) {
        *error = displayPath(path_) + ": cannot change bytes not yet written";
        return false;
    }
    while (count > 0 && offset < flushed) {
        size_t piece = static_cast<size_t>(flushed - offset < count ? flushed - offset : count);
        long long n = writeSomeAt(descriptor_, bytes, piece, offset, flushed);
        if (n <= 0) {
            *error = failure(path_, "cannot write");
            return false;
        }
        bytes += n;
        offset += static_cast<uint64_t>(n);
        count -= static_cast<size_t>(n);
    }
    if (count > 0)
        std::memcpy(buffer_.data() + (offset - flushed), bytes, count);
    return true;
}

bool OutputFile::close(std::string* error) {
    if (descriptor_ < 0)
        return true;
    bool ok = flush(error);
    if (closeDescriptor(descriptor_) != 0 && ok) {
        *error = failure(path_, "cannot write");
        ok = false;
    }
    descriptor_ = -1;
    return ok;
}

TemporaryFile::~TemporaryFile() {
    discard();
}

bool TemporaryFile::create(const std::filesystem::path& beside, const char* tag,
                           std::string* error) {
    discard();
    std::filesystem::path folder = beside.parent_path();
    std::string leaf =
        "." + beside.filename().u8string() + "." + tag + "-" + std::to_string(processId()) + "-";
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::filesystem::path candidate =
            folder / std::filesystem::u8path(leaf + std::to_string(attempt) + ".tmp");
        std::string reason;
        if (file_.createNew(candidate, &reason)) {
            path_ = candidate;
            live_ = true;
            registration_ = registerTemporary(candidate);
            return true;
        }
        if (errno != EEXIST) {
            *error = reason;
            return false;
        }
    }
    *error = displayPath(beside) + ": cannot create a temporary file beside it";
    return false;
}

bool TemporaryFile::commitAs(const std::filesystem::path& target, std::string* error) {
    if (!file_.close(error))
        return false;
    std::error_code code;
    std::filesystem::rename(path_, target, code);
    if (code) {
        *error = displayPath(target) + ": cannot write: " + code.message();
        return false;
    }
    live_ = false;
    unregister();
    return true;
}

void TemporaryFile::unregister() {
    if (registration_ != nullptr)
        static_cast<LiveTemporary*>(registration_)->used.store(false);
    registration_ = nullptr;
}

void TemporaryFile::discard() {
    if (!live_)
        return;
    std::string ignored;
    file_.close(&ignored);
    std::error_code code;
    std::filesystem::remove(path_, code);
    live_ = false;
    unregister();
}

bool standardErrorIsTerminal() {
#ifdef _WIN32
    return _isatty(_fileno(stderr)) != 0;
#else
    return ::isatty(STDERR_FILENO) != 0;
#endif
}

bool makeFolders(const std::filesystem::path& path, std::string* error) {
    std::error_code code;
    std::filesystem::create_directories(path, code);
    if (code) {
        *error = displayPath(path) + ": cannot create folder: " + code.message();
        return false;
    }
    return true;
}

}  // namespace azpack
