// The players of a TYzPlayerMan: a collection of TYzPlayer that reports the manager as its
// owner and owns its players.
#pragma once

#include "engine/YzPlayer.h"
#include "platform/classlib/Collection.h"

class TYzPlayerMan;

class TYzPlayers : public TCollection {
 public:
  explicit TYzPlayers(TYzPlayerMan* Manager);

  // The player at Index; the class library's list-index error outside the collection.
  TYzPlayer* GetItems(int Index) const;
  // Assigns Value into the player at Index (players define no assignment: the class
  // library's assignment error).
  void SetItems(int Index, TYzPlayer* Value);

  TPersistent* GetOwner() override;

  TYzPlayerMan* FManager;
};
