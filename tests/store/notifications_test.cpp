// Change notifications: which listeners hear which changes, and what they receive.
#include <cstring>

#include "tests/store/store_fixture.h"

namespace corbel_test {
namespace {

struct Heard {
  std::string listener;
  std::string table;
  int state;
  std::string name;  // the row copy's name column
  bool stamped;
};
std::vector<Heard> g_heard;

void Record(IMDSNotification *n, const char *listener) {
  const char *name = static_cast<const char *>(n->row->values[1]);
  g_heard.push_back({listener, n->tableName, n->row->state, name != nullptr ? name : "NULL",
                     n->timeStamp != nullptr && n->timeStamp->date != nullptr});
  EXPECT_EQ(n->row->nextRow, nullptr);
}

std::string Heard(const char *listener) {
  std::string out;
  for (const auto &h : g_heard) {
    if (h.listener != listener) continue;
    if (!out.empty()) out += ' ';
    out += h.name + ":" + std::to_string(h.state);
  }
  return out;
}

class NotificationTest : public StoreTest {
 protected:
  void SetUp() override {
    StoreTest::SetUp();
    g_heard.clear();
    ASSERT_TRUE(CreateTable("Orders"));
    ASSERT_TRUE(CreateTable("Items"));
  }
  // Registers a listener on Orders (and tables in any order and case).
  void Listen(const char *name, uint8_t eventType, uint8_t enabled = 1) {
    auto &names = tableLists_.emplace_back(std::vector<char *>{
        const_cast<char *>("items"), const_cast<char *>("Orders"), const_cast<char *>("Customers"), nullptr});
    ASSERT_TRUE(AddNotificationListener(strdup(name), eventType, Record, enabled, names.data()));
  }
  std::vector<std::vector<char *>> tableLists_;
};

TEST_F(NotificationTest, ListenersHearTheEventsTheyWaitFor) {
  Listen("news", ROW_STATE_NEW);
  Listen("changes", ROW_STATE_MODIFIED);
  Listen("everything", 0);
  Listen("stored", ROW_STATE_STORED);

  RowObject *fresh = Row("Orders", {{}, "fresh"});
  ASSERT_TRUE(AddNewRow("Orders", fresh));                      // state 2
  RowObject *loaded = Row("Orders", {{}, "loaded"});
  loaded->state = ROW_STATE_STORED;
  ASSERT_TRUE(AddNewRow("Orders", loaded));                     // state 1
  ASSERT_TRUE(UpdateRowObject("Orders", fresh, "name", "fresh2", 6));   // state 6
  ASSERT_TRUE(UpdateRowObject("Orders", loaded, "name", "loaded2", 7)); // state 5
  EXPECT_EQ(DeleteRowObject("Orders", loaded), 1);              // marked: nothing sent
  EXPECT_EQ(DeleteRowObject("Orders", fresh), 1);               // removed with state 6

  EXPECT_EQ(Heard("news"), "fresh:2 fresh2:6 fresh2:6");
  // Event type 4 hears states 4, 5 and 12: an update of a stored row, not of a new one.
  EXPECT_EQ(Heard("changes"), "loaded2:5");
  EXPECT_EQ(Heard("everything"), "fresh:2 loaded:1 fresh2:6 loaded2:5 fresh2:6");
  EXPECT_EQ(Heard("stored"), "loaded:1 loaded2:5");
  for (const auto &h : g_heard) {
    EXPECT_EQ(h.table, "Orders");
    EXPECT_TRUE(h.stamped);
  }
  EXPECT_NE(Log().find("Listener not registered for Eventype 1\n"), std::string::npos);
}

TEST_F(NotificationTest, TablesAreMatchedWithoutCaseAndUnlistedOnesSkipped) {
  DefineTable("Other", {{"ID", ZEL_SQL_INT}, {"name", ZEL_SQL_VARCHAR}});
  ASSERT_TRUE(CreateTable("Other"));
  Listen("watcher", 0);
  ASSERT_TRUE(AddNewRow("ORDERS", Row("Orders", {{}, "upper"})));
  ASSERT_TRUE(AddNewRow("Items", Row("Items", {{}, {}, "item"})));
  ASSERT_TRUE(AddNewRow("Other", Row("Other", {{}, "other"})));
  ASSERT_EQ(g_heard.size(), 2u);
  EXPECT_EQ(g_heard[0].table, "Orders");
  EXPECT_EQ(g_heard[1].table, "Items");
  EXPECT_NE(Log().find("Listener not registered for Other table\n"), std::string::npos);

  char *sorted[] = {const_cast<char *>("Customers"), const_cast<char *>("items"),
                    const_cast<char *>("Orders"), nullptr};
  EXPECT_TRUE(IsListContains(sorted, "ORDERS"));
  EXPECT_TRUE(IsListContains(sorted, "customers"));
  EXPECT_FALSE(IsListContains(sorted, "Zebra"));
  EXPECT_FALSE(IsListContains(sorted, "Apple"));
}

TEST_F(NotificationTest, RegistrationDisablingAndRemoval) {
  Listen("watcher", 0);
  char *duplicate = strdup("WATCHER");
  auto &names = tableLists_.emplace_back(std::vector<char *>{const_cast<char *>("Orders"), nullptr});
  EXPECT_TRUE(AddNotificationListener(duplicate, 0, Record, 1, names.data()));
  std::free(duplicate);  // refused: it stayed ours
  EXPECT_NE(Log().find("Listener with same name exists WATCHER\n"), std::string::npos);

  ASSERT_TRUE(AddNewRow("Orders", Row("Orders", {{}, "one"})));
  EXPECT_EQ(g_heard.size(), 1u);  // one listener only

  EXPECT_TRUE(DisableNotification("Watcher"));
  EXPECT_FALSE(DisableNotification("nobody"));
  ASSERT_TRUE(AddNewRow("Orders", Row("Orders", {{}, "two"})));
  EXPECT_EQ(g_heard.size(), 1u);
  std::string log = Log();
  EXPECT_NE(log.find("Listener watcher  disabled\n"), std::string::npos);
  EXPECT_NE(log.find("Listener with name nobody doesn't exists\n"), std::string::npos);

  EXPECT_TRUE(RemoveNotification("watcher"));
  EXPECT_FALSE(RemoveNotification("watcher"));
  EXPECT_NE(Log().find("Listener with name watcher removed\n"), std::string::npos);
  char *name = strdup("x");
  EXPECT_FALSE(AddNotificationListener(name, 0, Record, 1, nullptr));
  std::free(name);
}

TEST_F(NotificationTest, NotificationCopiesTheRow) {
  RowObject *row = Row("Orders", {"3", "copy", "4", "1.5", "-9", "true", "2026-02-03 04:05:06"});
  ASSERT_TRUE(AddNewRow("Orders", row));
  IMDSNotification *n = CreateIMDSNotification(row, "orders");
  ASSERT_NE(n, nullptr);
  EXPECT_STREQ(n->tableName, "Orders");
  EXPECT_EQ(n->row->state, row->state);
  for (int i = 0; i < 9; ++i) {
    EXPECT_EQ(n->row->lengths[i], row->lengths[i]) << i;
    if (row->values[i] != nullptr) {
      EXPECT_NE(n->row->values[i], row->values[i]) << i;
    }
    EXPECT_EQ(n->row->values[i] == nullptr, row->values[i] == nullptr) << i;
  }
  EXPECT_STREQ(static_cast<char *>(n->row->values[1]), "copy");
  auto *when = static_cast<ZelDateTime *>(n->row->values[6]);
  EXPECT_EQ(when->date->year, 2026);
  EXPECT_EQ(when->time->second, 6);
  FreeIMDSNotification(n, 9);
  EXPECT_EQ(CreateIMDSNotification(row, "Nowhere"), nullptr);
}

}  // namespace
}  // namespace corbel_test
