// Renders a skin's SVG sources at their sizes and packs them into a picture list file; or renders
// one SVG as a square PNG (the program's icons).
//   sarvo-skinpack [--scale N] MANIFEST.json OUTPUT
//   sarvo-skinpack --png SVG SIZE OUTPUT.png
// --scale N draws every picture N times its size (2 for the lists of dense screens), names kept.
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

// The pictures of a manifest, each drawn at scale times its size, packed into one list file.
int PackSkin(const QString& manifestPath, int scale, const QString& output) {
    QFile manifestFile(manifestPath);
    if (!manifestFile.open(QIODevice::ReadOnly)) return Fail("cannot read " + manifestPath);
    const QJsonObject manifest = QJsonDocument::fromJson(manifestFile.readAll()).object();
    const QString folder = QFileInfo(manifestPath).absolutePath();
    const QJsonObject shared = manifest["vars"].toObject();
    TwydPngListe list;
    for (const QJsonValue& entry : manifest["pictures"].toArray()) {
        const QJsonObject picture = entry.toObject();
        QFile source(folder + "/" + picture["svg"].toString());
        if (!source.open(QIODevice::ReadOnly)) return Fail("cannot read " + source.fileName());
        const QJsonArray size = picture["size"].toArray();
        const QImage image =
            Render(Substituted(QString::fromUtf8(source.readAll()), picture["vars"].toObject(), shared),
                   size[0].toInt() * scale, size[1].toInt() * scale);
        if (image.isNull()) return Fail("not a valid picture: " + source.fileName());
        const int index = list.Add(image);
        if (picture.contains("name")) list.Rename(index, picture["name"].toString());
    }
    try {
        list.SaveToFile(output);
    } catch (const EwydPngListe& e) {
        return Fail(e.what());
    }
    return 0;
}

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments().mid(1);
    if (args.size() == 4 && args[0] == "--png") return RenderPng(args[1], args[2].toInt(), args[3]);
    if (args.size() == 2) return PackSkin(args[0], 1, args[1]);
    const int scale = args.size() == 4 && args[0] == "--scale" ? args[1].toInt() : 0;
    if (scale >= 1 && scale <= 8) return PackSkin(args[2], scale, args[3]);
    return Fail("usage: sarvo-skinpack [--scale N] MANIFEST.json OUTPUT | --png SVG SIZE OUTPUT.png");
}
