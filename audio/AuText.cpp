#include "AuText.h"

std::string FirstCharacters(const std::string& text, size_t count) {
    size_t i = 0;
    for (size_t seen = 0; i < text.size() && seen < count; ++seen) {
        ++i;
        while (i < text.size() && (static_cast<unsigned char>(text[i]) & 0xC0) == 0x80) ++i;
    }
    return text.substr(0, i);
}
