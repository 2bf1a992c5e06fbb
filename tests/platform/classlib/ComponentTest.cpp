#include "platform/classlib/Component.h"

#include <gtest/gtest.h>

#include <vector>

#include "platform/classlib/Exception.h"

namespace {

// Records its own destruction, so the tests see who destroyed whom and in which order.
class TRecorder : public TComponent {
 public:
  TRecorder(TComponent* owner, std::vector<std::string>* log, std::string name)
      : TComponent(owner), FLog(log) {
    SetName(std::move(name));
  }
  ~TRecorder() override { FLog->push_back(Name()); }

 private:
  std::vector<std::string>* FLog;
};

TEST(ComponentTest, OwnerDestroysOwnedComponentsLastFirst) {
  std::vector<std::string> log;
  auto* form = new TRecorder(nullptr, &log, "Form1");
  new TRecorder(form, &log, "Button1");
  auto* panel = new TRecorder(form, &log, "Panel1");
  new TRecorder(panel, &log, "Label1");
  ASSERT_EQ(form->ComponentCount(), 2);
  delete form;
  EXPECT_EQ(log, (std::vector<std::string>{"Form1", "Panel1", "Label1", "Button1"}));
}

TEST(ComponentTest, ComponentDestroyedFirstLeavesItsOwner) {
  std::vector<std::string> log;
  TComponent owner(nullptr);
  auto* first = new TRecorder(&owner, &log, "First");
  auto* second = new TRecorder(&owner, &log, "Second");
  delete first;
  ASSERT_EQ(owner.ComponentCount(), 1);
  EXPECT_EQ(owner.Components(0), second);
  EXPECT_EQ(second->Owner(), &owner);
  EXPECT_EQ(owner.FindComponent("second"), second);
  EXPECT_EQ(owner.FindComponent("First"), nullptr);
}

TEST(ComponentTest, ComponentIndexOutsideTheListRaisesListError) {
  TComponent owner(nullptr);
  try {
    owner.Components(0);
    FAIL() << "no exception";
  } catch (const EListError& error) {
    EXPECT_EQ(error.Message(), "List index out of bounds (0)");
  }
}

TEST(ComponentTest, ClassNameIsTheMostDerivedClass) {
  std::vector<std::string> log;
  TRecorder recorder(nullptr, &log, "R");
  TObject* object = &recorder;
  EXPECT_EQ(object->ClassName(), "TRecorder");
  EXPECT_EQ(TComponent(nullptr).ClassName(), "TComponent");
}

}  // namespace
