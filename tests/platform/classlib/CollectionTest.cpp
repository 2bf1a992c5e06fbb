#include "platform/classlib/Collection.h"

#include <gtest/gtest.h>

#include "platform/classlib/Exception.h"

namespace {

int liveItems = 0;

class TPlainItem : public TCollectionItem {
 public:
  explicit TPlainItem(TCollection* collection) : TCollectionItem(collection) { ++liveItems; }
  ~TPlainItem() override { --liveItems; }
};

// An item that can be assigned from another of its kind.
class TValueItem : public TCollectionItem {
 public:
  explicit TValueItem(TCollection* collection) : TCollectionItem(collection) {}
  void Assign(TPersistent* source) override {
    if (auto* item = dynamic_cast<TValueItem*>(source)) {
      Value = item->Value;
      return;
    }
    TCollectionItem::Assign(source);
  }
  int Value = 0;
};

class CollectionTest : public ::testing::Test {
 protected:
  void SetUp() override { liveItems = 0; }
};

TEST_F(CollectionTest, OwnsItsItems) {
  {
    TCollection collection(CollectionItemClassOf<TPlainItem>());
    TCollectionItem* first = collection.Add();
    TCollectionItem* second = collection.Add();
    collection.Add();
    EXPECT_EQ(collection.Count(), 3);
    EXPECT_EQ(first->Collection(), &collection);
    EXPECT_EQ(second->Index(), 1);
    EXPECT_EQ(second->GetOwner(), &collection);

    collection.Delete(0);
    EXPECT_EQ(liveItems, 2);
    EXPECT_EQ(collection.Items(0), second);
    EXPECT_EQ(second->Index(), 0);

    delete second;  // an item destroyed by itself leaves its collection
    EXPECT_EQ(collection.Count(), 1);
    collection.Clear();
    EXPECT_EQ(collection.Count(), 0);
    EXPECT_EQ(liveItems, 0);
    collection.Add();
  }
  EXPECT_EQ(liveItems, 0);
}

TEST_F(CollectionTest, IndexOutsideTheListRaisesListError) {
  TCollection collection(CollectionItemClassOf<TPlainItem>());
  collection.Add();
  for (int index : {-1, 1, 7}) {
    try {
      collection.Items(index);
      FAIL() << index;
    } catch (const EListError& error) {
      EXPECT_EQ(error.Message(), "List index out of bounds (" + std::to_string(index) + ")");
    }
  }
  EXPECT_THROW(collection.Delete(1), EListError);
  EXPECT_EQ(collection.Count(), 1);
}

TEST_F(CollectionTest, AssignCopiesItemByItem) {
  TCollection source(CollectionItemClassOf<TValueItem>());
  static_cast<TValueItem*>(source.Add())->Value = 4;
  static_cast<TValueItem*>(source.Add())->Value = 9;
  TCollection target(CollectionItemClassOf<TValueItem>());
  target.Add();
  target.Assign(&source);
  ASSERT_EQ(target.Count(), 2);
  EXPECT_EQ(static_cast<TValueItem*>(target.Items(0))->Value, 4);
  EXPECT_EQ(static_cast<TValueItem*>(target.Items(1))->Value, 9);
  EXPECT_NE(target.Items(0), source.Items(0));
}

TEST_F(CollectionTest, ItemsWithoutAssignmentRaiseTheAssignmentErrorAfterTheFirstAdd) {
  TCollection source(CollectionItemClassOf<TPlainItem>());
  source.Add();
  source.Add();
  TCollection target(CollectionItemClassOf<TPlainItem>());
  target.Add();
  target.Add();
  target.Add();
  try {
    target.Assign(&source);
    FAIL() << "no exception";
  } catch (const EConvertError& error) {
    EXPECT_EQ(error.Message(), "Cannot assign a TPlainItem to a TPlainItem");
  }
  // Cleared, then the first new item was added before its assignment failed.
  EXPECT_EQ(target.Count(), 1);
}

TEST_F(CollectionTest, AssignFromNothingOrAnotherClassRaises) {
  TCollection target(CollectionItemClassOf<TPlainItem>());
  TCollectionItem* item = target.Add();
  try {
    target.Assign(nullptr);
    FAIL() << "no exception";
  } catch (const EConvertError& error) {
    EXPECT_EQ(error.Message(), "Cannot assign a nil to a TCollection");
  }
  try {
    target.Assign(item);
    FAIL() << "no exception";
  } catch (const EConvertError& error) {
    EXPECT_EQ(error.Message(), "Cannot assign a TPlainItem to a TCollection");
  }
  EXPECT_EQ(target.Count(), 1);
}

TEST_F(CollectionTest, AssigningItselfChangesNothing) {
  TCollection collection(CollectionItemClassOf<TPlainItem>());
  TCollectionItem* item = collection.Add();
  collection.Assign(&collection);
  ASSERT_EQ(collection.Count(), 1);
  EXPECT_EQ(collection.Items(0), item);
}

}  // namespace
