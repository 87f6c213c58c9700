#include "AuStreams.h"

#include "AuPipeline.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

int64_t TStream::Size() {
    const int64_t position = Position();
    const int64_t size = Seek(0, soEnd);
    SetPosition(position);
    return size;
}

int64_t TMemoryStream::Read(void* Buffer, int64_t Count) {
    const int64_t available = std::max<int64_t>(0, static_cast<int64_t>(FData.size()) - FPos);
    const int64_t n = std::clamp<int64_t>(Count, 0, available);
    if (n > 0) std::memcpy(Buffer, FData.data() + FPos, static_cast<size_t>(n));
    FPos += n;
    return n;
}

int64_t TMemoryStream::Write(const void* Buffer, int64_t Count) {
    if (Count <= 0) return 0;
    if (FPos + Count > static_cast<int64_t>(FData.size())) FData.resize(static_cast<size_t>(FPos + Count));
    std::memcpy(FData.data() + FPos, Buffer, static_cast<size_t>(Count));
    FPos += Count;
    return Count;
}

int64_t TMemoryStream::Seek(int64_t Offset, TSeekOrigin Origin) {
    const int64_t base = Origin == soBeginning ? 0
                         : Origin == soCurrent ? FPos
                                               : static_cast<int64_t>(FData.size());
    FPos = std::max<int64_t>(0, base + Offset);
    return FPos;
}

void TMemoryStream::SetSize(int64_t NewSize) {
    FData.resize(static_cast<size_t>(std::max<int64_t>(0, NewSize)));
    FPos = std::min<int64_t>(FPos, NewSize);
}

int64_t THandleStream::Read(void* Buffer, int64_t Count) {
    int64_t total = 0;
    auto* out = static_cast<uint8_t*>(Buffer);
    while (total < Count) {
        const ssize_t n = ::read(FHandle, out + total, static_cast<size_t>(Count - total));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        total += n;
    }
    return total;
}

int64_t THandleStream::Write(const void* Buffer, int64_t Count) {
    int64_t total = 0;
    const auto* in = static_cast<const uint8_t*>(Buffer);
    while (total < Count) {
        const ssize_t n = ::write(FHandle, in + total, static_cast<size_t>(Count - total));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        total += n;
    }
    return total;
}

int64_t THandleStream::Seek(int64_t Offset, TSeekOrigin Origin) {
    const int whence = Origin == soBeginning ? SEEK_SET : Origin == soCurrent ? SEEK_CUR : SEEK_END;
    return ::lseek(FHandle, Offset, whence);
}

void THandleStream::SetSize(int64_t NewSize) {
    if (::ftruncate(FHandle, NewSize) != 0) throw EAuException(std::strerror(errno));
}

namespace {

bool IsRegular(const struct stat& info) { return S_ISREG(info.st_mode); }

const char* const NotRegular = "Not a regular file";

// An existing file is opened only when it is a regular one: a FIFO would wait for a writer and a
// device may do anything when opened. O_NONBLOCK keeps a FIFO put there after the check from
// waiting too; it changes nothing for a regular file.
int OpenExisting(const std::string& FileName, uint16_t Mode) {
    struct stat info {};
    if (::stat(FileName.c_str(), &info) != 0) throw EAuException(std::strerror(errno));
    if (!IsRegular(info)) throw EAuException(NotRegular);
    static constexpr int access[] = {O_RDONLY, O_WRONLY, O_RDWR, O_RDWR};
    const int handle = ::open(FileName.c_str(), access[Mode & 3] | O_CLOEXEC | O_NONBLOCK);
    if (handle < 0) throw EAuException(std::strerror(errno));
    if (::fstat(handle, &info) != 0 || !IsRegular(info)) {
        ::close(handle);
        throw EAuException(NotRegular);
    }
    return handle;
}

int OpenFile(const std::string& FileName, uint16_t Mode) {
    if (Mode != fmCreate) return OpenExisting(FileName, Mode);
    const int handle = ::open(FileName.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (handle < 0) throw EAuException(std::strerror(errno));
    return handle;
}

} // namespace

TAuFileStream::TAuFileStream(const std::string& FileName, uint16_t Mode, uint32_t /*Rights*/)
    : THandleStream(OpenFile(FileName, Mode)) {}

TAuFileStream::~TAuFileStream() { ::close(FHandle); }
