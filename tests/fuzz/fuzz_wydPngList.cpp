// Loads arbitrary bytes as a picture list: nothing may crash, leak or allocate without bound.

#include "wydPngList.h"

#include <QBuffer>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    TwydPngListe list;
    try {
        list.LoadFromStream(buffer);
    } catch (const EwydPngListe&) {
    }
    return 0;
}
