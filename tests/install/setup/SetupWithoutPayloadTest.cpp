// A setup program that carries no payload fails before it changes anything and stays on the
// destination page, from which it can still install or end.
#include <filesystem>

#include "install/setup/Unit2.h"
#include "tests/install/InstallProcess.h"
#include "tests/install/setup/SetupFixture.h"

namespace setup_test {
namespace {

TEST_F(SetupTest, MissingPayloadChangesNothing) {
  if (!install_test::InChild()) return;  // ran in its own process
  const std::string target = ChooseFolder(Root->Scratch());
  Click(Form2->Button1);
  ASSERT_EQ(Dialogs->Messages.size(), 1u);
  EXPECT_EQ(Dialogs->Messages[0].Text, "Resource File1 not found.");
  EXPECT_EQ(Dialogs->Messages[0].Caption, "Installation");
  EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, kUserKey));
  EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kUninstallKey));
  EXPECT_FALSE(std::filesystem::exists(target));
  EXPECT_TRUE(Form2->Memo1->Visible());
  EXPECT_FALSE(Form2->Gauge1->Visible());
  EXPECT_FALSE(Form2->Timer1->Enabled());
  EXPECT_TRUE(Form2->Button1->Enabled());
  EXPECT_EQ(Form2->Button1->Caption(), "&Install");
  EXPECT_TRUE(Form2->Button4->Enabled());
  EXPECT_TRUE(Form2->Button3->Enabled());
  Click(Form2->Button4);
  EXPECT_TRUE(Ended());
}

}  // namespace
}  // namespace setup_test
