#pragma once
// Small helpers for the engine's UTF-8 texts.

#include <cstddef>
#include <string>

// The first `count` characters (code points) of a UTF-8 text.
std::string FirstCharacters(const std::string& text, size_t count);
