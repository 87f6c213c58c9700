// Renders a skin's SVG sources at their sizes and packs them into a picture list file; or renders
// one SVG as a square PNG (the program's icons).
//   sarvo-skinpack MANIFEST.json OUTPUT
//   sarvo-skinpack --png SVG SIZE OUTPUT.png
// The manifest names the pictures in list order: {"vars": {...}, "pictures": [{"svg": "file.svg",
// "size": [w, h], "vars": {...}, "name": "..."}]}. "${key}" in an SVG is replaced by the picture's
// variable, or else the manifest's.

#include "wydPngList.h"

#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QPainter>
#include <QSvgRenderer>

#include <cstdio>

namespace {

QString Substituted(QString svg, const QJsonObject& vars, const QJsonObject& shared) {
    for (const QJsonObject& table : {vars, shared})
        for (auto it = table.begin(); it != table.end(); ++it)
            svg.replace("${" + it.key() + "}", it.value().toString());
    return svg;
}

QImage Render(const QString& svg, int width, int height) {
    QSvgRenderer renderer(svg.toUtf8());
    if (!renderer.isValid()) return {};
    QImage image(width, height, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    renderer.render(&painter, QRectF(0, 0, width, height));
    return image;
}

int Fail(const QString& message) {
    std::fprintf(stderr, "sarvo-skinpack: %s\n", qPrintable(message));
    return 1;
}

} // namespace

int RenderPng(const QString& svgPath, int size, const QString& output) {
    QFile source(svgPath);
    if (!source.open(QIODevice::ReadOnly)) return Fail("cannot read " + svgPath);
    const QImage image = Render(QString::fromUtf8(source.readAll()), size, size);
    if (image.isNull()) return Fail("not a valid picture: " + svgPath);
    return image.save(output, "PNG") ? 0 : Fail("cannot write " + output);
}

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    if (argc == 5 && QString(argv[1]) == "--png") return RenderPng(argv[2], QString(argv[3]).toInt(), argv[4]);
    if (argc != 3) return Fail("usage: sarvo-skinpack MANIFEST.json OUTPUT | --png SVG SIZE OUTPUT.png");
    QFile manifestFile(argv[1]);
    if (!manifestFile.open(QIODevice::ReadOnly)) return Fail(QString("cannot read ") + argv[1]);
    const QJsonObject manifest = QJsonDocument::fromJson(manifestFile.readAll()).object();
    const QString folder = QFileInfo(argv[1]).absolutePath();
    const QJsonObject shared = manifest["vars"].toObject();
    TwydPngListe list;
    for (const QJsonValue& entry : manifest["pictures"].toArray()) {
        const QJsonObject picture = entry.toObject();
        QFile source(folder + "/" + picture["svg"].toString());
        if (!source.open(QIODevice::ReadOnly)) return Fail("cannot read " + source.fileName());
        const QJsonArray size = picture["size"].toArray();
        const QImage image = Render(Substituted(QString::fromUtf8(source.readAll()), picture["vars"].toObject(), shared),
                                    size[0].toInt(), size[1].toInt());
        if (image.isNull()) return Fail("not a valid picture: " + source.fileName());
        const int index = list.Add(image);
        if (picture.contains("name")) list.Rename(index, picture["name"].toString());
    }
    try {
        list.SaveToFile(argv[2]);
    } catch (const EwydPngListe& e) {
        return Fail(e.what());
    }
    return 0;
}
