// The sequence generator on the in-memory provider: first batches, renewals, unknown
// sequences and a missing table.
#include <gtest/gtest.h>

#include <corbel/sequence.h>

#include "tests/db/db_fixture.h"

namespace corbel::testing {
namespace {

class SequenceTest : public ::testing::Test {
 protected:
  void SetUp() override {
    LoadFakeProvider();
    AddFakeDataSource("db");
    ASSERT_TRUE(EstablishDBConnections());
    std::lock_guard<std::mutex> lock(Fake().mutex);
    Fake().sequences.clear();
    Fake().tableMissing = false;
  }
  const ColumnDefn *Column(const char *table) { return GetColumnDefnEntry(table, "id"); }
  CapturedLog log_;
  DbState state_;
};

TEST_F(SequenceTest, NewSequenceStartsAtOneAndRenewsAfter300) {
  AddGeneratedTable("Customer", "CUST_SEQ");
  ASSERT_TRUE(SequenceGenerator());
  EXPECT_EQ(Fake().sequences["CUST_SEQ"], 300);
  for (int32_t expected = 1; expected <= 300; ++expected)
    ASSERT_EQ(GenerateID("Customer", Column("Customer")), expected);
  EXPECT_EQ(GenerateID("Customer", Column("Customer")), 301);
  EXPECT_EQ(Fake().sequences["CUST_SEQ"], 600);
  SeqBatch batch{};
  ASSERT_TRUE(GetSequenceBatch("CUST_SEQ", &batch));
  EXPECT_EQ(batch.nextValue, 302);
  EXPECT_EQ(batch.batchEnd, 600);
}

TEST_F(SequenceTest, ExistingRowContinuesAfterItsBatchEnd) {
  Fake().sequences["INV_SEQ"] = 900;
  AddGeneratedTable("Invoice", "INV_SEQ");
  ASSERT_TRUE(SequenceGenerator());
  EXPECT_EQ(GenerateID("Invoice", Column("Invoice")), 901);
  EXPECT_EQ(Fake().sequences["INV_SEQ"], 1200);
}

TEST_F(SequenceTest, ReservationLostToAnotherProcessIsRetried) {
  // Other processes move the row between this process's select and its update, twice: both
  // updates must change nothing, and the third reservation takes the batch after theirs.
  Fake().sequences["S"] = 600;
  Fake().staleSelects = 2;
  ASSERT_TRUE(UpdateSeqGen(nullptr, "S"));
  EXPECT_EQ(Fake().sequences["S"], 900);
  SeqBatch batch{};
  ASSERT_TRUE(GetSequenceBatch("S", &batch));
  EXPECT_EQ(batch.nextValue, 601);
  EXPECT_EQ(batch.batchEnd, 900);
}

TEST_F(SequenceTest, UnknownSequenceAndMissingTable) {
  AddGeneratedTable("Never", "NEVER_SEQ");
  EXPECT_EQ(GenerateID("Never", Column("Never")), -1);
  EXPECT_TRUE(log_.Contains("Cannot generate ID for key NEVER_SEQ.\n"));
  EXPECT_EQ(GenerateInstanceID(), -1);

  Fake().tableMissing = true;
  EXPECT_FALSE(UpdateSeqGen("Never", "NEVER_SEQ"));
  EXPECT_TRUE(log_.Contains("Table doesn't Exists for UpdateSeqGen\n"));
  EXPECT_EQ(GetConnectionHandle("db")->ownerThread, 1) << "handed out again: it was given back";
}

TEST_F(SequenceTest, SequenceNamesAreQuotedInStatements) {
  ASSERT_TRUE(UpdateSeqGen(nullptr, "it's"));
  EXPECT_EQ(Fake().sequences.count("it''s"), 1u) << "the statement carried the doubled quote";
}

TEST_F(SequenceTest, InstanceIdsComeFromTheirOwnSequence) {
  AddGeneratedTable("Node", CORBEL_INSTANCE_ID_SEQUENCE);
  ASSERT_TRUE(SequenceGenerator());
  EXPECT_EQ(GenerateInstanceID(), 1);
  EXPECT_EQ(GenerateID("Node", Column("Node")), 2);
}

}  // namespace
}  // namespace corbel::testing
