#include "platform/classlib/Component.h"

#include <algorithm>
#include <strings.h>

#include "platform/classlib/Exception.h"
#include "platform/classlib/Format.h"

TComponent::TComponent(TComponent* AOwner) {
  if (AOwner) AOwner->InsertComponent(this);
}

TComponent::~TComponent() {
  DestroyComponents();
  if (FOwner) FOwner->RemoveComponent(this);
}

TComponent* TComponent::Components(int Index) const {
  if (Index < 0 || Index >= ComponentCount())
    throw EListError(Format("List index out of bounds (%d)", Index));
  return FComponents[static_cast<size_t>(Index)];
}

TComponent* TComponent::FindComponent(const std::string& AName) const {
  if (AName.empty()) return nullptr;
  for (TComponent* component : FComponents)
    if (strcasecmp(component->FName.c_str(), AName.c_str()) == 0) return component;
  return nullptr;
}

void TComponent::InsertComponent(TComponent* AComponent) {
  if (AComponent->FOwner) AComponent->FOwner->RemoveComponent(AComponent);
  FComponents.push_back(AComponent);
  AComponent->FOwner = this;
}

void TComponent::RemoveComponent(TComponent* AComponent) {
  auto found = std::find(FComponents.begin(), FComponents.end(), AComponent);
  if (found == FComponents.end()) return;
  FComponents.erase(found);
  AComponent->FOwner = nullptr;
}

void TComponent::DestroyComponents() {
  // Each destructor removes its component from the list.
  while (!FComponents.empty()) delete FComponents.back();
}
