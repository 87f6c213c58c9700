#pragma once
// The fuzz input as an open file: an anonymous in-memory file, rewritten for every input.

#include <cstddef>
#include <cstdint>
#include <string>
#include <sys/mman.h>
#include <unistd.h>

class TFuzzFile {
public:
    TFuzzFile() : FFd(memfd_create("sarvo-fuzz", 0)) {}
    ~TFuzzFile() { close(FFd); }
    TFuzzFile(const TFuzzFile&) = delete;
    TFuzzFile& operator=(const TFuzzFile&) = delete;

    // The descriptor, holding exactly these bytes, positioned at the start.
    int Hold(const uint8_t* data, size_t size) {
        (void)!ftruncate(FFd, 0);
        (void)!pwrite(FFd, data, size, 0);
        lseek(FFd, 0, SEEK_SET);
        return FFd;
    }
    std::string Path() const { return "/proc/self/fd/" + std::to_string(FFd); }

private:
    int FFd;
};
