#include "EngineTestKit.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>

int ThreadCount() {
    int count = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator("/proc/self/task")) ++count;
    return count;
}

std::string Shell(const std::string& command) {
    std::string out;
    if (FILE* pipe = popen(command.c_str(), "r")) {
        char line[512];
        while (fgets(line, sizeof line, pipe)) out += line;
        pclose(pipe);
    }
    return out;
}

TScopedEnv::TScopedEnv(const char* name, const std::string& value) : FName(name) {
    const char* old = std::getenv(name);
    FHadOld = old != nullptr;
    if (old) FOld = old;
    setenv(name, value.c_str(), 1);
}

TScopedEnv::~TScopedEnv() {
    if (FHadOld)
        setenv(FName.c_str(), FOld.c_str(), 1);
    else
        unsetenv(FName.c_str());
}
