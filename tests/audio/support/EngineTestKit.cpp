#include "EngineTestKit.h"

#include <filesystem>

int ThreadCount() {
    int count = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator("/proc/self/task")) ++count;
    return count;
}
