// A named component with an owner. The owner destroys the components it owns when it is
// destroyed; a component destroyed earlier leaves its owner's list.
#pragma once

#include <string>
#include <vector>

#include "platform/classlib/Persistent.h"

class TComponent : public TPersistent {
 public:
  explicit TComponent(TComponent* AOwner);
  ~TComponent() override;

  TComponent(const TComponent&) = delete;
  TComponent& operator=(const TComponent&) = delete;

  TComponent* Owner() const { return FOwner; }
  const std::string& Name() const { return FName; }
  virtual void SetName(const std::string& NewName) { FName = NewName; }

  int ComponentCount() const { return static_cast<int>(FComponents.size()); }
  // Raises EListError for an index outside the list.
  TComponent* Components(int Index) const;
  // The owned component with that name (case-insensitive), or nullptr.
  TComponent* FindComponent(const std::string& AName) const;

  void InsertComponent(TComponent* AComponent);
  void RemoveComponent(TComponent* AComponent);
  // Destroys every owned component, the last one first.
  void DestroyComponents();

  TPersistent* GetOwner() override { return FOwner; }

 private:
  TComponent* FOwner = nullptr;
  std::string FName;
  std::vector<TComponent*> FComponents;
};
