// The settings file reader over arbitrary bytes: it never fails, and a value written is read back.
#include "IniFile.h"

#include <QString>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <unistd.h>

namespace {

// A settings file of this process's own, holding the input; removed when the process ends.
struct TIniPath {
    std::string path = "/tmp/sarvo-fuzz-ini-" + std::to_string(getpid()) + ".ini";
    ~TIniPath() { std::remove(path.c_str()); }
};

const std::string& IniPath() {
    static const TIniPath file;
    return file.path;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::ofstream(IniPath(), std::ios::binary | std::ios::trunc)
        .write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    TIniFile ini(QString::fromStdString(IniPath()));
    for (const char* section : {"Language", "PlaylistPath", "Input", "QualityRecord", "Style"}) {
        (void)ini.ReadString(QLatin1String(section), QStringLiteral("Name"), QStringLiteral("default"));
        (void)ini.ReadInteger(QLatin1String(section), QStringLiteral("Quality"), 1);
    }
    if (ini.ReadString(QStringLiteral("Style"), QStringLiteral("Skin"), {}).size() > TIniFile::MaxValueLength)
        std::abort();
    ini.WriteString(QStringLiteral("Style"), QStringLiteral("Skin"), QStringLiteral("Modern-Skin"));
    if (ini.ReadString(QStringLiteral("Style"), QStringLiteral("Skin"), {}) != QStringLiteral("Modern-Skin"))
        std::abort();
    return 0;
}
