// HashTable: bucket function, chains, removal of heads, merge.
#include <corbel/hashtable.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <set>
#include <string>

namespace {

class HashTableTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(InitHashTable(&table, 5)); }
  void TearDown() override { FreeHashTable(&table); }
  HashTable table{};
  int one = 1, two = 2, three = 3;
};

TEST_F(HashTableTest, BucketFunction) {
  // h = (h * 26 + c) mod 5: 'a' = 97 -> 2; "ab": (2 * 26 + 98) mod 5 = 0
  EXPECT_EQ(HashString(&table, "a"), 2);
  EXPECT_EQ(HashString(&table, "ab"), 0);
  EXPECT_EQ(HashString(&table, ""), 0);
  // bytes above 127 count as negative and still land inside the table
  int32_t h = HashString(&table, "\xFF\xFE");
  EXPECT_GE(h, 0);
  EXPECT_LT(h, 5);
  EXPECT_TRUE(HashPut(&table, "\xFF\xFE", &one));
  EXPECT_EQ(HashGet(&table, "\xFF\xFE"), &one);
}

TEST_F(HashTableTest, PutReplacesAndCaseMatters) {
  EXPECT_TRUE(HashPut(&table, "key", &one));
  EXPECT_TRUE(HashPut(&table, "key", &two));
  EXPECT_EQ(HashCount(&table), 1);
  EXPECT_EQ(HashGet(&table, "key"), &two);
  EXPECT_TRUE(HashPut(&table, "KEY", &three));
  EXPECT_EQ(HashCount(&table), 2);
  EXPECT_EQ(HashGet(&table, "KEY"), &three);
  EXPECT_FALSE(HashContains(&table, "Key"));
  EXPECT_EQ(HashGet(&table, "missing"), nullptr);
  EXPECT_FALSE(HashPut(&table, nullptr, &one));
}

TEST_F(HashTableTest, RemovalFromChains) {
  // "a" (97 mod 5 = 2), "f" (102 mod 5 = 2), "k" (107 mod 5 = 2) share a bucket
  ASSERT_EQ(HashString(&table, "f"), 2);
  ASSERT_EQ(HashString(&table, "k"), 2);
  HashPut(&table, "a", &one);
  HashPut(&table, "f", &two);
  HashPut(&table, "k", &three);
  HashEntry *entryF = HashGetEntry(&table, "f");
  EXPECT_TRUE(HashRemove(&table, "a"));  // the head with successors
  EXPECT_EQ(HashGetEntry(&table, "f"), entryF);
  EXPECT_EQ(HashGet(&table, "k"), &three);
  EXPECT_TRUE(HashRemove(&table, "k"));  // inside the chain
  EXPECT_TRUE(HashRemove(&table, "f"));  // the only one left: an empty head stays
  EXPECT_FALSE(HashRemove(&table, "f"));
  EXPECT_EQ(HashCount(&table), 0);
  ASSERT_NE(table.buckets[2], nullptr);
  EXPECT_EQ(table.buckets[2]->key, nullptr);
  EXPECT_TRUE(HashPut(&table, "k", &one));  // reuses the empty head
  EXPECT_STREQ(table.buckets[2]->key, "k");
}

TEST_F(HashTableTest, KeysAndMerge) {
  HashPut(&table, "x", &one);
  HashPut(&table, "y", &two);
  HashTable other;
  ASSERT_TRUE(InitHashTable(&other, 0));
  EXPECT_EQ(other.bucketCount, 10);
  HashPut(&other, "y", &three);
  HashPut(&other, "z", &three);
  EXPECT_TRUE(MergeHashTable(&other, &table));
  EXPECT_EQ(HashGet(&table, "y"), &two);  // kept
  EXPECT_EQ(HashGet(&table, "z"), &three);
  EXPECT_FALSE(MergeHashTable(nullptr, &table));

  char **keys = HashKeys(&table);
  ASSERT_NE(keys, nullptr);
  std::set<std::string> seen;
  for (char **k = keys; *k; ++k) seen.insert(*k);
  std::free(keys);
  EXPECT_EQ(seen, (std::set<std::string>{"x", "y", "z"}));
  FreeHashTable(&other);
  EXPECT_FALSE(InitHashTable(&other, -1));
}

}  // namespace
