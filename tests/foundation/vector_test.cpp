// Vector: index operations, ordered insertion, deletions, merge and clone, two threads.
#include <corbel/log.h>
#include <corbel/vector.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <random>
#include <set>
#include <string>
#include <thread>
#include <vector>

namespace {

// The elements as small integers, in chain order; also checks count and tail.
std::vector<intptr_t> Contents(Vector *v) {
  std::vector<intptr_t> out;
  VectorNode *last = nullptr;
  for (VectorNode *n = v->head; n; n = n->next) {
    out.push_back(reinterpret_cast<intptr_t>(n->element));
    last = n;
  }
  EXPECT_EQ(static_cast<size_t>(v->count), out.size());
  EXPECT_EQ(v->tail, last);
  return out;
}

void *Item(intptr_t i) { return reinterpret_cast<void *>(i); }

VectorNode *NewNode(intptr_t i) {
  auto *node = static_cast<VectorNode *>(std::calloc(1, sizeof(VectorNode)));
  node->element = Item(i);
  return node;
}

signed char ByValue(const VectorNode *a, const VectorNode *b) {
  intptr_t x = reinterpret_cast<intptr_t>(a->element), y = reinterpret_cast<intptr_t>(b->element);
  return static_cast<signed char>((x > y) - (x < y));
}

class VectorTest : public ::testing::Test {
 protected:
  void SetUp() override {
    InitMutex();
    InitVector(&v, nullptr);
  }
  void TearDown() override { FreeVector(&v); }
  void Fill(std::initializer_list<intptr_t> items) {
    for (intptr_t i : items) ASSERT_TRUE(AddElementValue(&v, Item(i)));
  }
  Vector v{};
};

TEST_F(VectorTest, IndexesOutsideTheRange) {
  EXPECT_EQ(ElementAt(&v, 0), nullptr);
  Fill({1, 2, 3});
  EXPECT_EQ(ElementAt(&v, -1), nullptr);
  EXPECT_EQ(ElementAt(&v, 3), nullptr);
  EXPECT_EQ(ElementAt(&v, 2)->element, Item(3));
  EXPECT_FALSE(DeleteElementAt(&v, 3));
  EXPECT_FALSE(DeleteElementAt(&v, -1));
  EXPECT_EQ(GetNthElement(&v, 3, v.head), nullptr);
  EXPECT_EQ(GetNthElement(&v, -1, v.head), nullptr);
  EXPECT_EQ(GetNthElement(&v, 0, v.head), v.head);
  EXPECT_EQ(Contents(&v), (std::vector<intptr_t>{1, 2, 3}));
}

TEST_F(VectorTest, InsertElementAt) {
  struct Case {
    int32_t index;
    bool ok;
    std::vector<intptr_t> after;
  } cases[] = {
      {0, true, {9, 1, 2, 3}},
      {1, true, {1, 9, 2, 3}},
      {3, true, {1, 2, 3, 9}},  // index count appends and moves the tail
      {4, false, {1, 2, 3}},
      {-1, false, {1, 2, 3}},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.index);
    FreeVector(&v);
    Fill({1, 2, 3});
    VectorNode *node = NewNode(9);
    EXPECT_EQ(InsertElementAt(&v, node, c.index), c.ok);
    if (!c.ok) std::free(node);
    EXPECT_EQ(Contents(&v), c.after);
    ASSERT_TRUE(AddElementValue(&v, Item(7)));  // the tail is right for the next append
    EXPECT_EQ(v.tail->element, Item(7));
  }
}

TEST_F(VectorTest, Deletions) {
  VectorNode stranger{};
  EXPECT_FALSE(DeleteElement(&v, &stranger));  // empty
  Fill({1, 2, 3});
  EXPECT_TRUE(DeleteElement(&v, &stranger));  // not in it: true, nothing changes
  EXPECT_EQ(Contents(&v), (std::vector<intptr_t>{1, 2, 3}));
  EXPECT_TRUE(DeleteElement(&v, v.tail));
  EXPECT_EQ(Contents(&v), (std::vector<intptr_t>{1, 2}));
  EXPECT_TRUE(DeleteElementAt(&v, 0));
  EXPECT_EQ(Contents(&v), (std::vector<intptr_t>{2}));
  EXPECT_TRUE(DeleteElementAt(&v, 0));  // the only node
  EXPECT_EQ(v.head, nullptr);
  EXPECT_EQ(v.tail, nullptr);
  EXPECT_EQ(v.count, 0);
  Fill({5});
  EXPECT_EQ(Contents(&v), (std::vector<intptr_t>{5}));
}

TEST_F(VectorTest, DeleteLCDVectorRemovesOnlyTheFirstMatch) {
  Fill({1, 2, 1, 3});
  EXPECT_TRUE(DeleteLCDVector(&v, Item(1)));
  EXPECT_EQ(Contents(&v), (std::vector<intptr_t>{2, 1, 3}));
  EXPECT_FALSE(DeleteLCDVector(&v, Item(4)));
  EXPECT_TRUE(DeleteLCDVector(&v, Item(3)));
  EXPECT_EQ(Contents(&v), (std::vector<intptr_t>{2, 1}));
}

TEST_F(VectorTest, OrderedInsertionMatchesASortedSet) {
  std::mt19937 rng(7);
  for (int round = 0; round < 20; ++round) {
    Vector ordered;
    InitVector(&ordered, ByValue);
    std::set<intptr_t> expected;
    for (int i = 0; i < 60; ++i) {
      intptr_t value = static_cast<intptr_t>(rng() % 80);
      VectorNode *node = NewNode(value);
      bool added = AddElement(&ordered, node);
      EXPECT_EQ(added, expected.insert(value).second) << value;
      if (!added) std::free(node);  // refused: still the caller's
    }
    EXPECT_EQ(Contents(&ordered), std::vector<intptr_t>(expected.begin(), expected.end()));
    // unordered operations afterwards still see a right tail
    VectorNode *end = NewNode(1000);
    EXPECT_TRUE(InsertElementAt(&ordered, end, ordered.count));
    EXPECT_EQ(ordered.tail, end);
    FreeVector(&ordered);
  }
}

TEST_F(VectorTest, MergeMovesElementsInOrder) {
  Fill({1, 2});
  Vector source;
  InitVector(&source, nullptr);
  for (intptr_t i : {3, 4, 5}) AddElementValue(&source, Item(i));
  EXPECT_EQ(MergeVector(&v, &source), 1);
  EXPECT_EQ(Contents(&v), (std::vector<intptr_t>{1, 2, 3, 4, 5}));
  EXPECT_EQ(source.count, 0);
  EXPECT_EQ(source.head, nullptr);
  EXPECT_EQ(MergeVector(&v, &v), 1);  // onto itself: nothing changes
  EXPECT_EQ(v.count, 5);
}

TEST_F(VectorTest, CloneCopiesStrings) {
  char a[] = "alpha", b[] = "beta";
  AddElementValue(&v, a);
  AddElementValue(&v, b);
  Vector *clone = CloneVector(&v);
  ASSERT_NE(clone, nullptr);
  ASSERT_EQ(clone->count, 2);
  EXPECT_NE(clone->head->element, a);
  EXPECT_STREQ(static_cast<char *>(clone->head->element), "alpha");
  EXPECT_STREQ(static_cast<char *>(clone->tail->element), "beta");
  for (VectorNode *n = clone->head; n; n = n->next) std::free(n->element);
  FreeVector(clone);
  std::free(clone);
  EXPECT_EQ(CloneVector(nullptr), nullptr);
}

TEST_F(VectorTest, TwoThreadsShareOneVector) {
  constexpr int kPerThread = 2000;
  auto producer = [this](intptr_t base) {
    for (intptr_t i = 0; i < kPerThread; ++i) ASSERT_TRUE(AddElementValue(&v, Item(base + i)));
  };
  std::thread one(producer, 0), two(producer, 100000);
  one.join();
  two.join();
  std::vector<intptr_t> all = Contents(&v);
  ASSERT_EQ(all.size(), 2u * kPerThread);
  // each thread's elements keep their order
  std::vector<intptr_t> first, second;
  for (intptr_t x : all) (x < 100000 ? first : second).push_back(x);
  EXPECT_TRUE(std::is_sorted(first.begin(), first.end()));
  EXPECT_TRUE(std::is_sorted(second.begin(), second.end()));

  // one thread deletes from the front while the other appends
  std::thread remover([this] {
    for (int i = 0; i < kPerThread; ++i) ASSERT_TRUE(DeleteElementAt(&v, 0));
  });
  std::thread adder([this] {
    for (intptr_t i = 0; i < kPerThread; ++i) ASSERT_TRUE(AddElementValue(&v, Item(i)));
  });
  remover.join();
  adder.join();
  EXPECT_EQ(Contents(&v).size(), 2u * kPerThread);
}

}  // namespace
