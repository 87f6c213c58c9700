#include "AuComponent.h"

#include <algorithm>

TComponent::~TComponent() { NotifyDestruction(); }

void TComponent::FreeNotification(TComponent* AComponent) {
    if (AComponent == nullptr || AComponent == this) return;
    if (std::find(FFreeNotifies.begin(), FFreeNotifies.end(), AComponent) == FFreeNotifies.end())
        FFreeNotifies.push_back(AComponent);
    if (std::find(AComponent->FFreeNotifies.begin(), AComponent->FFreeNotifies.end(), this) ==
        AComponent->FFreeNotifies.end())
        AComponent->FFreeNotifies.push_back(this);
}

void TComponent::RemoveFreeNotification(TComponent* AComponent) {
    if (AComponent == nullptr) return;
    std::erase(FFreeNotifies, AComponent);
    std::erase(AComponent->FFreeNotifies, this);
}

void TComponent::NotifyDestruction() {
    if (FNotified) return;
    FNotified = true;
    FDestroying = true;
    // Each one told may unlink itself, so work on a copy.
    const std::vector<TComponent*> others = FFreeNotifies;
    for (TComponent* other : others) {
        std::erase(other->FFreeNotifies, this);
        other->Notification(this, opRemove);
    }
    FFreeNotifies.clear();
}
