#pragma once
// The component base: an object with an owner and a name that is told when a component it
// refers to is being destroyed. Main thread only.

#include <atomic>
#include <string>
#include <vector>

enum TOperation { opInsert, opRemove };

class TComponent {
public:
    explicit TComponent(TComponent* AOwner = nullptr) : FOwner(AOwner) {}
    virtual ~TComponent();
    TComponent(const TComponent&) = delete;
    TComponent& operator=(const TComponent&) = delete;

    TComponent* Owner() const { return FOwner; }
    const std::string& Name() const { return FName; }
    void SetName(std::string name) { FName = std::move(name); }

    // Both components are told (Notification with opRemove) when the other is destroyed.
    void FreeNotification(TComponent* AComponent);
    // True once destruction has begun; main thread.
    bool Destroying() const { return FDestroying; }
    void RemoveFreeNotification(TComponent* AComponent);

protected:
    virtual void Notification(TComponent* /*AComponent*/, TOperation /*Operation*/) {}
    // Tells every linked component that this one goes away. A concrete class calls it first in
    // its destructor, while the whole object still works; the base destructor calls it otherwise.
    void NotifyDestruction();
    void MarkDestroying() { FDestroying = true; }

private:
    TComponent* FOwner;
    std::string FName;
    std::vector<TComponent*> FFreeNotifies;
    bool FNotified = false;
    std::atomic<bool> FDestroying{false}; // main thread writes; the event thread reads
};
