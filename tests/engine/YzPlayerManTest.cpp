#include "engine/YzPlayerMan.h"

#include "platform/classlib/Exception.h"
#include "tests/engine/PlayerFixture.h"

namespace {

TEST(PlayerManTest, ManagerMadeInCodeHasAnEmptyCollectionThatItOwns) {
  TComponent form(nullptr);
  auto* man = new TYzPlayerMan(&form);
  EXPECT_EQ(man->Owner(), &form);
  EXPECT_EQ(man->Players()->Count(), 0);
  EXPECT_EQ(man->Players()->GetOwner(), man);
  EXPECT_EQ(man->Players()->FManager, man);
  try {
    man->Players()->GetItems(0);
    FAIL() << "no exception";
  } catch (const EListError& error) {
    EXPECT_EQ(error.Message(), "List index out of bounds (0)");
  }
  auto* player = static_cast<TYzPlayer*>(man->Players()->Add());
  EXPECT_EQ(man->Players()->GetItems(0), player);
  EXPECT_EQ(player->Collection(), man->Players());
}

TEST(PlayerManTest, AssigningPlayers) {
  TYzPlayerMan man(nullptr);
  TYzPlayers* own = man.Players();
  auto* first = static_cast<TYzPlayer*>(own->Add());
  own->Add();

  man.SetPlayers(own);
  EXPECT_EQ(man.Players(), own);
  EXPECT_EQ(own->GetItems(0), first);
  EXPECT_EQ(own->Count(), 2);

  try {
    own->SetItems(0, first);
    FAIL() << "no exception";
  } catch (const EConvertError& error) {
    EXPECT_EQ(error.Message(), "Cannot assign a TYzPlayer to a TYzPlayer");
  }

  // A non-empty source: cleared, one default player added, then the assignment error.
  TYzPlayerMan other(nullptr);
  other.Players()->Add();
  EXPECT_THROW(man.SetPlayers(other.Players()), EConvertError);
  EXPECT_EQ(man.Players(), own);
  ASSERT_EQ(own->Count(), 1);
  EXPECT_EQ(own->GetItems(0)->BuffersCount(), 8);

  TYzPlayerMan empty(nullptr);
  man.SetPlayers(empty.Players());
  EXPECT_EQ(own->Count(), 0);
}

using PlayerManModuleTest = PlayerFixture;

TEST_F(PlayerManModuleTest, DestroyingTheManagerDeInitialisesItsPlayersModules) {
  auto* man = new TYzPlayerMan(nullptr);
  auto* player = static_cast<TYzPlayer*>(man->Players()->Add());
  player->SetPathToDLL(Path);
  player->InitModule();
  EXPECT_EQ(CallsDuring([&] { delete man; }), (Calls{"QVDeInitModule"}));
}

}  // namespace
