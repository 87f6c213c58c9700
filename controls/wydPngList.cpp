#include "wydPngList.h"

#include <QBuffer>
#include <QFile>
#include <QImageReader>
#include <QtEndian>

namespace {

constexpr char PngSignature[8] = {'\x89', 'P', 'N', 'G', '\r', '\n', '\x1A', '\n'};

QByteArray ReadExactly(QIODevice& stream, qint64 bytes, const char* what) {
    if (bytes < 0 || bytes > stream.bytesAvailable())
        throw EwydPngListe(QString("Fin de flux inattendue (%1)").arg(what));
    QByteArray data = stream.read(bytes);
    if (data.size() != bytes) throw EwydPngListe(QString("Fin de flux inattendue (%1)").arg(what));
    return data;
}

int32_t ReadInt32(QIODevice& stream, const char* what) {
    return qFromLittleEndian<qint32>(ReadExactly(stream, 4, what).constData());
}

void WriteInt32(QIODevice& stream, int32_t value) {
    char bytes[4];
    qToLittleEndian<qint32>(value, bytes);
    if (stream.write(bytes, 4) != 4) throw EwydPngListe("Erreur d'écriture du flux");
}

// One whole PNG datastream from the device's position, found by walking its chunks; the
// position ends just after IEND's CRC. Chunk lengths are checked against what the stream holds.
QByteArray ReadPngDatastream(QIODevice& stream) {
    QByteArray png = ReadExactly(stream, 8, "signature PNG");
    if (png != QByteArray(PngSignature, 8)) throw EwydPngListe("Signature PNG invalide");
    for (;;) {
        const QByteArray header = ReadExactly(stream, 8, "bloc PNG");
        const quint32 length = qFromBigEndian<quint32>(header.constData());
        if (length > 0x7FFFFFFF) throw EwydPngListe("Bloc PNG invalide");
        png += header;
        png += ReadExactly(stream, qint64{length} + 4, "bloc PNG");
        if (header.mid(4, 4) == "IEND") return png;
    }
}

// Same count, same names, and each picture exactly twice the size of its counterpart.
bool IsDoubleOf(const TwydPngListe& twice, const TwydPngListe& single) {
    if (twice.Count() != single.Count()) return false;
    for (int32_t i = 0; i < single.Count(); ++i) {
        const TwydPng& big = *twice.GetPng(i);
        const TwydPng& small = *single.GetPng(i);
        if (big.Name != small.Name || big.Png.size() != small.Png.size() * 2) return false;
    }
    return true;
}

} // namespace

// ---------------------------------------------------------------------------------------------
// TwydPng

void TwydPng::Assign(const QImage* source) {
    Png = source ? *source : QImage();
    Name.clear();
}

void TwydPng::Assign(const TwydPng* source) {
    if (!source) {
        Assign(static_cast<const QImage*>(nullptr));
        return;
    }
    Png = source->Png;
    Name = source->Name;
}

void TwydPng::LoadFromStream(QIODevice& stream) {
    QByteArray data = ReadPngDatastream(stream);
    // A skin's pictures are small; a header asking for more than this is damage, not art.
    constexpr quint64 MaxPictureBytes = 32u << 20;
    const quint64 width = data.size() >= 24 ? qFromBigEndian<quint32>(data.constData() + 16) : 0;
    const quint64 height = data.size() >= 24 ? qFromBigEndian<quint32>(data.constData() + 20) : 0;
    if (width * height * 8 > MaxPictureBytes) throw EwydPngListe("Image PNG trop grande");
    QBuffer buffer(&data);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, "png");
    QImage image = reader.read();
    if (image.isNull()) throw EwydPngListe("Image PNG invalide : " + reader.errorString());
    Png = std::move(image);
    const int32_t length = ReadInt32(stream, "longueur du nom");
    if (length < 1) {
        Name.clear();
        return;
    }
    const QByteArray name = ReadExactly(stream, qint64{length} * 2, "nom");
    Name = QString::fromUtf16(reinterpret_cast<const char16_t*>(name.constData()), length);
}

void TwydPng::SaveToStream(QIODevice& stream) const {
    QBuffer encoded;
    encoded.open(QIODevice::WriteOnly);
    if (!Png.save(&encoded, "PNG")) throw EwydPngListe("Impossible d'encoder l'image PNG");
    if (stream.write(encoded.data()) != encoded.size()) throw EwydPngListe("Erreur d'écriture du flux");
    WriteInt32(stream, static_cast<int32_t>(Name.size()));
    if (Name.isEmpty()) return;
    QByteArray units(Name.size() * 2, '\0');
    for (int i = 0; i < Name.size(); ++i) qToLittleEndian<quint16>(Name.utf16()[i], units.data() + 2 * i);
    if (stream.write(units) != units.size()) throw EwydPngListe("Erreur d'écriture du flux");
}

// ---------------------------------------------------------------------------------------------
// TwydPngListe

TwydPngListe::TwydPngListe(QObject* AOwner) : QObject(AOwner) {}

TwydPngListe::~TwydPngListe() {
    FOnChange = nullptr;
    FItems.clear();
}

void TwydPngListe::Changed() {
    if (FUpdateCount == 0 && FOnChange) FOnChange(this);
}

void TwydPngListe::Mutated() {
    ForgetDouble();
    Changed();
}

void TwydPngListe::ForgetDouble() {
    FDoubleFile.clear();
    FDouble.reset();
    FDoubleRead = false;
}

void TwydPngListe::EndUpdate() {
    if (FUpdateCount > 0) --FUpdateCount;
    Changed();
}

void TwydPngListe::CheckIndex(int32_t Index, int32_t limit) const {
    if (Index < 0 || Index >= limit) throw EwydPngListe(QString("List index out of bounds (%1)").arg(Index));
}

TwydPng* TwydPngListe::GetPng(int32_t Index) const {
    return Index >= 0 && Index < Count() ? FItems[static_cast<size_t>(Index)].get() : nullptr;
}

void TwydPngListe::SetPng(int32_t Index, const TwydPng* Png) {
    if (Count() == 0) throw EwydPngListe("TwydPngListe - Indice hors limites. (Aucun élément défini)");
    if (Index >= Count())
        throw EwydPngListe(
            QString("TwydPngListe - Indice hors limites.<%1> [0-%2]").arg(Index).arg(Count() - 1));
    CheckIndex(Index, Count());
    auto item = std::make_unique<TwydPng>();
    item->Assign(Png);
    FItems[static_cast<size_t>(Index)] = std::move(item);
    Mutated();
}

void TwydPngListe::Clear() {
    ForgetDouble();
    {
        const TUpdate suspended(*this);
        for (auto& item : FItems) item.reset();
        FItems.clear();
    }
    Changed();
}

int32_t TwydPngListe::Add(const TwydPng* Png) {
    auto item = std::make_unique<TwydPng>();
    item->Assign(Png);
    FItems.push_back(std::move(item));
    Mutated();
    return Count() - 1;
}

int32_t TwydPngListe::Add(const QImage& Png) {
    TwydPng item;
    item.Assign(&Png);
    return Add(&item);
}

void TwydPngListe::Insert(int32_t Index, const TwydPng* Png) {
    CheckIndex(Index, Count() + 1);
    auto item = std::make_unique<TwydPng>();
    item->Assign(Png);
    FItems.insert(FItems.begin() + Index, std::move(item));
    Mutated();
}

void TwydPngListe::Delete(int32_t Index) {
    CheckIndex(Index, Count());
    FItems.erase(FItems.begin() + Index);
    Mutated();
}

void TwydPngListe::Rename(int32_t Index, const QString& Name) {
    CheckIndex(Index, Count());
    FItems[static_cast<size_t>(Index)]->Name = Name;
    Mutated();
}

void TwydPngListe::Exchange(int32_t Index1, int32_t Index2) {
    CheckIndex(Index1, Count());
    CheckIndex(Index2, Count());
    std::swap(FItems[static_cast<size_t>(Index1)], FItems[static_cast<size_t>(Index2)]);
    Mutated();
}

void TwydPngListe::Move(int32_t CurIndex, int32_t NewIndex) {
    CheckIndex(CurIndex, Count());
    CheckIndex(NewIndex, Count());
    auto item = std::move(FItems[static_cast<size_t>(CurIndex)]);
    FItems.erase(FItems.begin() + CurIndex);
    FItems.insert(FItems.begin() + NewIndex, std::move(item));
    Mutated();
}

int32_t TwydPngListe::IndexOf(const TwydPng* Png) const {
    for (int32_t i = 0; i < Count(); ++i)
        if (FItems[static_cast<size_t>(i)].get() == Png) return i;
    return -1;
}

int32_t TwydPngListe::Getbyname(const QString& Name) const {
    for (int32_t i = 0; i < Count(); ++i) {
        const QString& name = FItems[static_cast<size_t>(i)]->Name;
        if (!name.isEmpty() && name == Name) return i;
    }
    return -1;
}

bool TwydPngListe::IsValid(int32_t Index) const {
    const TwydPng* item = GetPng(Index);
    return item && !item->Png.isNull();
}

bool TwydPngListe::IsValid(const QString& Name) const { return IsValid(Getbyname(Name)); }

void TwydPngListe::Assign(const TwydPngListe* Source) {
    if (!Source) {
        Clear();
        return;
    }
    if (Source == this) return;
    const TUpdate suspended(*this);
    Clear();
    for (const auto& item : Source->FItems) Add(item.get());
    FDoubleFile = Source->FDoubleFile;
}

void TwydPngListe::LoadFromStream(QIODevice& stream) {
    TwydPng scratch;
    Clear();
    if (!stream.seek(0)) throw EwydPngListe("Format de fichier invalide");
    const QByteArray signature = stream.read(4);
    if (signature.size() != 4 || qFromLittleEndian<quint32>(signature.constData()) != Signature)
        throw EwydPngListe("Format de fichier invalide");
    const int32_t count = ReadInt32(stream, "nombre d'images");
    // Nothing is sized from the count: a count larger than the stream ends at the stream's end.
    for (int32_t i = 0; i < count; ++i) {
        scratch.LoadFromStream(stream);
        Add(&scratch);
    }
}

void TwydPngListe::SaveToStream(QIODevice& stream) {
    if (!stream.seek(0)) throw EwydPngListe("Erreur d'écriture du flux");
    WriteInt32(stream, static_cast<int32_t>(Signature));
    WriteInt32(stream, Count());
    for (const auto& item : FItems) item->SaveToStream(stream);
}

void TwydPngListe::LoadFromFile(const QString& FileName) {
    QFile file(FileName);
    if (!file.open(QIODevice::ReadOnly))
        throw EwydPngListe("Impossible d'ouvrir " + FileName + " : " + file.errorString());
    const TUpdate suspended(*this);
    LoadFromStream(file);
}

void TwydPngListe::SaveToFile(const QString& FileName) {
    QFile file(FileName);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        throw EwydPngListe("Impossible de créer " + FileName + " : " + file.errorString());
    SaveToStream(file);
}

void TwydPngListe::LoadWithDouble(const QString& FileName) {
    LoadFromFile(FileName);
    SetDoubleFile(FileName + QStringLiteral("@2x"));
}

void TwydPngListe::SetDoubleFile(const QString& FileName) {
    ForgetDouble();
    FDoubleFile = FileName;
}

const TwydPngListe* TwydPngListe::Double() const {
    if (FDoubleRead) return FDouble.get();
    FDoubleRead = true;
    if (FDoubleFile.isEmpty()) return nullptr;
    auto twice = std::make_unique<TwydPngListe>();
    try {
        twice->LoadFromFile(FDoubleFile);
    } catch (const EwydPngListe&) {
        return nullptr; // the list's own pictures serve
    }
    if (IsDoubleOf(*twice, *this)) FDouble = std::move(twice);
    return FDouble.get();
}

void TwydPngListe::ReadPngs(QIODevice& stream) {
    const TUpdate suspended(*this);
    Clear();
    LoadFromStream(stream);
}

void TwydPngListe::WritePngs(QIODevice& stream) {
    const TUpdate suspended(*this);
    SaveToStream(stream);
}
