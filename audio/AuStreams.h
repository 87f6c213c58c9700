#pragma once
// Byte streams the streamed sources and sinks read and write: memory, and files by handle.

#include <cstdint>
#include <string>
#include <vector>

enum TSeekOrigin { soBeginning, soCurrent, soEnd };

// File modes: fmCreate alone, or an access mode combined with a share mode.
constexpr uint16_t fmCreate = 0xFF00;
constexpr uint16_t fmOpenRead = 0x0000;
constexpr uint16_t fmOpenWrite = 0x0001;
constexpr uint16_t fmOpenReadWrite = 0x0002;
constexpr uint16_t fmShareExclusive = 0x0010;
constexpr uint16_t fmShareDenyWrite = 0x0020;
constexpr uint16_t fmShareDenyRead = 0x0030;
constexpr uint16_t fmShareDenyNone = 0x0040;

class TStream {
public:
    virtual ~TStream() = default;
    // Return the bytes moved; fewer than asked at the end of the data or on a failed write.
    virtual int64_t Read(void* Buffer, int64_t Count) = 0;
    virtual int64_t Write(const void* Buffer, int64_t Count) = 0;
    // Returns the new position.
    virtual int64_t Seek(int64_t Offset, TSeekOrigin Origin) = 0;
    virtual void SetSize(int64_t NewSize) = 0;

    int64_t Position() { return Seek(0, soCurrent); }
    void SetPosition(int64_t value) { Seek(value, soBeginning); }
    int64_t Size();
};

class TMemoryStream : public TStream {
public:
    TMemoryStream() = default;
    explicit TMemoryStream(std::vector<uint8_t> data) : FData(std::move(data)) {}

    int64_t Read(void* Buffer, int64_t Count) override;
    int64_t Write(const void* Buffer, int64_t Count) override;
    int64_t Seek(int64_t Offset, TSeekOrigin Origin) override;
    void SetSize(int64_t NewSize) override;
    const std::vector<uint8_t>& Data() const { return FData; }

private:
    std::vector<uint8_t> FData;
    int64_t FPos = 0;
};

// A stream over an operating-system file descriptor, which it does not own.
class THandleStream : public TStream {
public:
    explicit THandleStream(int Handle) : FHandle(Handle) {}

    int64_t Read(void* Buffer, int64_t Count) override;
    int64_t Write(const void* Buffer, int64_t Count) override;
    int64_t Seek(int64_t Offset, TSeekOrigin Origin) override;
    void SetSize(int64_t NewSize) override;
    int Handle() const { return FHandle; }

protected:
    int FHandle;
};

// A named file. fmCreate creates or truncates it for reading and writing; any other mode opens
// an existing regular file (or a link to one) with the access of Mode & 3, and never waits:
// anything else raises EAuException "Not a regular file" without being opened. Share bits have no
// meaning here and are ignored, as is Rights. A file that cannot be opened raises EAuException
// with the system's error text.
class TAuFileStream : public THandleStream {
public:
    TAuFileStream(const std::string& FileName, uint16_t Mode, uint32_t Rights = 0);
    ~TAuFileStream() override;
    TAuFileStream(const TAuFileStream&) = delete;
    TAuFileStream& operator=(const TAuFileStream&) = delete;
};
