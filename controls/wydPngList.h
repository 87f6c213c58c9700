#pragma once
// A named list of PNG pictures, and its byte format: a skin is such a list saved to a file.
// Main thread only.

#include <QIODevice>
#include <QImage>
#include <QObject>
#include <QString>

#include <functional>
#include <memory>
#include <stdexcept>
#include <vector>

using TNotifyEvent = std::function<void(QObject* Sender)>;

// Failures of the list and of its format; the message says what went wrong.
class EwydPngListe : public std::runtime_error {
public:
    explicit EwydPngListe(const QString& message) : std::runtime_error(message.toStdString()) {}
};

// One named picture. The picture may be empty, never absent.
class TwydPng {
public:
    TwydPng() = default;
    QString Name;
    QImage Png;

    // Null or a bare picture: the picture is copied (empty for null) and the name emptied.
    void Assign(const QImage* source);
    void Assign(const TwydPng* source);
    // One item at the device's position: a PNG datastream, then the name.
    void LoadFromStream(QIODevice& stream);
    void SaveToStream(QIODevice& stream) const;
};

class TwydPngListe : public QObject {
public:
    static constexpr uint32_t Signature = 0x00110262;

    explicit TwydPngListe(QObject* AOwner = nullptr);
    ~TwydPngListe() override;

    int32_t Count() const { return static_cast<int32_t>(FItems.size()); }
    // The list's own item, or null outside 0 … Count − 1.
    TwydPng* GetPng(int32_t Index) const;
    TwydPng* Pngs(int32_t Index) const { return GetPng(Index); }
    // Replaces the item by a copy of Png.
    void SetPng(int32_t Index, const TwydPng* Png);
    TNotifyEvent OnChange() const { return FOnChange; }
    void SetOnChange(TNotifyEvent handler) { FOnChange = std::move(handler); }

    void Clear();
    int32_t Add(const TwydPng* Png);
    int32_t Add(const QImage& Png);
    void Insert(int32_t Index, const TwydPng* Png);
    void Delete(int32_t Index);
    void Rename(int32_t Index, const QString& Name);
    void Exchange(int32_t Index1, int32_t Index2);
    void Move(int32_t CurIndex, int32_t NewIndex);
    int32_t IndexOf(const TwydPng* Png) const;
    int32_t Getbyname(const QString& Name) const;
    bool IsValid(int32_t Index) const;
    bool IsValid(const QString& Name) const;
    void Assign(const TwydPngListe* Source);

    virtual void LoadFromStream(QIODevice& stream);
    virtual void SaveToStream(QIODevice& stream);
    virtual void LoadFromFile(const QString& FileName);
    virtual void SaveToFile(const QString& FileName);

    // The same pictures at twice the size, for dense screens, read from the file SetDoubleFile
    // named when first asked for. Null when there is none, when it cannot be read, or when it does
    // not match this list picture for picture (same count and names, each picture exactly twice
    // the size). Any change made through the list's operations forgets them.
    const TwydPngListe* Double() const;
    void SetDoubleFile(const QString& FileName);
    // LoadFromFile, then FileName + "@2x" names the file of the 2× pictures.
    void LoadWithDouble(const QString& FileName);

    // The stored "Pngs" property of a window's definition: the list's bytes, written only when
    // the list holds something.
    bool HasPngs() const { return Count() > 0; }
    void ReadPngs(QIODevice& stream);
    void WritePngs(QIODevice& stream);

private:
    // Suspends notifications for its life; the end notifies once.
    class TUpdate {
    public:
        explicit TUpdate(TwydPngListe& list) : FList(list) { FList.BeginUpdate(); }
        ~TUpdate() { FList.EndUpdate(); }
        TUpdate(const TUpdate&) = delete;
        TUpdate& operator=(const TUpdate&) = delete;

    private:
        TwydPngListe& FList;
    };

    void BeginUpdate() { ++FUpdateCount; }
    void EndUpdate();
    void Changed();
    // A change of the content: the 2× pictures no longer match it.
    void Mutated();
    void ForgetDouble();
    void CheckIndex(int32_t Index, int32_t limit) const;

    int32_t FUpdateCount = 0;
    std::vector<std::unique_ptr<TwydPng>> FItems;
    TNotifyEvent FOnChange;
    QString FDoubleFile;                           // empty: no 2× pictures
    mutable std::unique_ptr<TwydPngListe> FDouble; // read on first demand
    mutable bool FDoubleRead = false;
};
