// The MP3 file source over arbitrary bytes: its headers, a seek, and a few chunks of decoding.
#include "FuzzFile.h"
#include "MP3In.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static TFuzzFile file;
    file.Hold(data, size);
    TMP3In in;
    in.SetFileName(file.Path());
    if (!in.Valid()) return 0;
    (void)in.Duration();
    (void)in.TotalTime();
    (void)in.Bitrate();
    try {
        in.Init();
        for (int chunk = 0; chunk < 32; ++chunk) {
            void* buffer = nullptr;
            uint32_t bytes = 8192;
            in.GetData(buffer, bytes);
            if (bytes == 0) break;
        }
        in.Flush();
    } catch (const EAuException&) {
    }
    return 0;
}
