// The non-visual player component: owns a TYzPlayers collection, published as Players.
#pragma once

#include "engine/YzPlayers.h"
#include "platform/classlib/Component.h"

class TYzPlayerMan : public TComponent {
 public:
  explicit TYzPlayerMan(TComponent* AOwner);
  ~TYzPlayerMan() override;

  TYzPlayers* Players() const { return FPlayerList; }
  // Copies Value into the owned collection (the component keeps its own collection object);
  // the owned collection itself changes nothing.
  void SetPlayers(TYzPlayers* Value);

 private:
  TYzPlayers* FPlayerList;
};
