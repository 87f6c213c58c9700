// Writes a small valid picture list, the fuzzer's starting point.

#include "wydPngList.h"

#include <QImage>

int main(int argc, char** argv) {
    if (argc != 2) return 2;
    TwydPngListe list;
    for (int i = 0; i < 3; ++i) {
        QImage picture(4 + i, 3, QImage::Format_ARGB32);
        picture.fill(qRgba(40 * i, 90, 200, 255 - 60 * i));
        list.Add(picture);
    }
    list.Rename(1, "Vintage-Skin");
    list.Rename(2, "$668384");
    list.SaveToFile(argv[1]);
    return 0;
}
