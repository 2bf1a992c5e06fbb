#include "engine/YzPlayerMan.h"

TYzPlayerMan::TYzPlayerMan(TComponent* AOwner)
    : TComponent(AOwner), FPlayerList(new TYzPlayers(this)) {}

TYzPlayerMan::~TYzPlayerMan() { delete FPlayerList; }

void TYzPlayerMan::SetPlayers(TYzPlayers* Value) {
  if (Value == FPlayerList) return;
  FPlayerList->Assign(Value);
}
