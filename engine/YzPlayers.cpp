#include "engine/YzPlayers.h"

#include "engine/YzPlayerMan.h"

TYzPlayers::TYzPlayers(TYzPlayerMan* Manager)
    : TCollection(CollectionItemClassOf<TYzPlayer>()), FManager(Manager) {}

TYzPlayer* TYzPlayers::GetItems(int Index) const { return static_cast<TYzPlayer*>(Items(Index)); }

void TYzPlayers::SetItems(int Index, TYzPlayer* Value) { Items(Index)->Assign(Value); }

TPersistent* TYzPlayers::GetOwner() { return FManager; }
