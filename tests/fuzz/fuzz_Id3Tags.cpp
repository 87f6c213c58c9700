// The ID3v1 and ID3v2 readers over arbitrary bytes.
#include "AuTags.h"
#include "FuzzFile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static TFuzzFile file;
    const int fd = file.Hold(data, size);
    TId3v1Tags v1;
    if (v1.ReadFromFile(fd)) (void)v1.GetAsString("Title");
    TId3v2Tags v2;
    if (v2.ReadFromFile(fd)) {
        for (int i = 0; i < v2.IdCount(); ++i) (void)v2.GetAsWideString(v2.GetId(i));
    }
    return 0;
}
