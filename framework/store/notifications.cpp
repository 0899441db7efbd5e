// Change notifications: named listeners called back with a snapshot of each added, updated
// or removed row of the tables they watch.
#include <algorithm>
#include <cstdlib>
#include <cstring>

#include <corbel/log.h>
#include <corbel/store.h>
#include <corbel/strings.h>

#include "store_internal.h"

namespace {

Vector g_listeners = {nullptr, 0, nullptr, nullptr};

NotificationListener *FindListener(const char *name, VectorNode **node) {
  for (VectorNode *n = ElementAt(&g_listeners, 0); n != nullptr; n = n->next) {
    auto *listener = static_cast<NotificationListener *>(n->element);
    if (CompareStringNoCase(listener->listenerName, name) == 0) {
      if (node != nullptr) *node = n;
      return listener;
    }
  }
  return nullptr;
}

// Whether a change in state `state` reaches a listener waiting for `eventType`.
bool EventFits(uint8_t eventType, uint8_t state) {
  if (eventType == 0) return true;
  return state == eventType || state == (eventType | ROW_STATE_DELETED) ||
         state == (eventType | ROW_STATE_MODIFIED) || state == (eventType | ROW_STATE_STORED);
}

}  // namespace

namespace corbel::store {

RowObject *CopyRow(const RowObject *row, const TableData *table) {
  int32_t n = table->columnCount;
  auto *values = static_cast<void **>(std::calloc(static_cast<std::size_t>(n > 0 ? n : 1), sizeof(void *)));
  auto *lengths = static_cast<int32_t *>(std::calloc(static_cast<std::size_t>(n > 0 ? n : 1), sizeof(int32_t)));
  RowObject *copy = values != nullptr && lengths != nullptr ? CreateNewRowObject(values, lengths) : nullptr;
  if (copy == nullptr) {
    std::free(values);
    std::free(lengths);
    return nullptr;
  }
  copy->state = row->state;
  for (int32_t i = 0; i < n && row->values != nullptr; ++i) {
    const ColumnDefn *column = ColumnAt(table->tableDefn, table->viewDefn, i);
    lengths[i] = row->lengths != nullptr ? row->lengths[i] : 0;
    if (row->values[i] == nullptr) continue;
    values[i] = CopyValue(row->values[i], lengths[i], column != nullptr ? column->type : 0);
    if (values[i] == nullptr) {
      FreeRowObject(copy, n);
      return nullptr;
    }
  }
  return copy;
}

}  // namespace corbel::store

extern "C" {

void InitNotification(void) {
  LogTrace("@@@ Inside InitNotification @@@\n");
  InitVector(&g_listeners, nullptr);
}

bool AddNotificationListener(char *listenerName, uint8_t eventType, NotificationCallback callback,
                             uint8_t enabled, char **tableNames) {
  LogTrace("In Add notification Listener\n");
  if (listenerName == nullptr || tableNames == nullptr || tableNames[0] == nullptr) return false;
  if (FindListener(listenerName, nullptr) != nullptr) {
    LogError("Listener with same name exists %s\n", listenerName);
    return true;
  }
  std::size_t count = 0;
  while (tableNames[count] != nullptr) ++count;
  std::sort(tableNames, tableNames + count,
            [](const char *a, const char *b) { return CompareStringNoCase(a, b) < 0; });
  auto *listener = static_cast<NotificationListener *>(std::calloc(1, sizeof(NotificationListener)));
  if (listener == nullptr) {
    LogError("Buffer Allocation is failed for listener!!!\n");
    return false;
  }
  listener->listenerName = listenerName;
  listener->tableNames = tableNames;
  listener->enabled = enabled;
  listener->eventType = eventType;
  listener->callback = callback;
  if (!AddElementValue(&g_listeners, listener)) {
    LogError("Buffer allocation is failed for nodePtr !!!\n");
    std::free(listener);
    return false;
  }
  LogDebug("Listener with name %s added\n", listenerName);
  return true;
}

bool DisableNotification(const char *listenerName) {
  LogTrace("In Disable notification\n");
  if (g_listeners.count == 0) return false;
  NotificationListener *listener = FindListener(listenerName, nullptr);
  if (listener == nullptr) {
    LogError("Listener with name %s doesn't exists\n", listenerName != nullptr ? listenerName : "(null)");
    return false;
  }
  listener->enabled = 0;
  LogDebug("Listener with name %s disabled\n", listener->listenerName);
  return true;
}

bool RemoveNotification(const char *listenerName) {
  LogTrace("In Remove notification\n");
  if (g_listeners.count == 0) return false;
  VectorNode *node = nullptr;
  NotificationListener *listener = FindListener(listenerName, &node);
  if (listener == nullptr) {
    LogError("Listener with name %s doesn't exists\n", listenerName != nullptr ? listenerName : "(null)");
    return false;
  }
  LogDebug("Listener with name %s removed\n", listener->listenerName);
  DeleteElement(&g_listeners, node);
  std::free(listener->listenerName);
  std::free(listener);
  return true;
}

bool IsListContains(char **sortedNames, const char *name) {
  LogTrace("@@@ Inside IsListContains @@@\n");
  if (sortedNames != nullptr && name != nullptr) {
    int32_t low = 0, high = 0;
    while (sortedNames[high] != nullptr) ++high;
    --high;
    while (low <= high) {
      int32_t middle = low + (high - low) / 2;
      int order = CompareStringNoCase(sortedNames[middle], name);
      if (order == 0) return true;
      if (order > 0)
        high = middle - 1;
      else
        low = middle + 1;
    }
  }
  LogDebug("List doesn't contains key \n");
  return false;
}

IMDSNotification *CreateIMDSNotification(RowObject *row, const char *tableName) {
  LogTrace("In CreateIMDSNotification \n");
  TableData *table = GetTableDataByName(tableName);
  if (table == nullptr || row == nullptr) return nullptr;
  auto *notification = static_cast<IMDSNotification *>(std::calloc(1, sizeof(IMDSNotification)));
  if (notification == nullptr) return nullptr;
  notification->tableName = strdup(table->name);
  notification->row = corbel::store::CopyRow(row, table);
  notification->timeStamp = GetCurrentZelDateTime();
  if (notification->tableName == nullptr || notification->row == nullptr ||
      notification->timeStamp == nullptr) {
    FreeIMDSNotification(notification, table->columnCount);
    return nullptr;
  }
  return notification;
}

void FreeIMDSNotification(IMDSNotification *notification, int32_t columnCount) {
  if (notification == nullptr) return;
  std::free(notification->tableName);
  FreeRowObject(notification->row, columnCount);
  FreeZelDateTime(notification->timeStamp);
  std::free(notification);
}

void SendNotification(RowObject *row, const char *tableName) {
  LogTrace("In send notification\n");
  if (g_listeners.count == 0) return;
  // The column count is taken now: a callback may even remove the table.
  TableData *table = GetTableDataByName(tableName);
  int32_t columnCount = table != nullptr ? table->columnCount : 0;
  IMDSNotification *notification = CreateIMDSNotification(row, tableName);
  if (notification == nullptr) return;
  for (VectorNode *n = ElementAt(&g_listeners, 0); n != nullptr; n = n->next) {
    auto *listener = static_cast<NotificationListener *>(n->element);
    if (!listener->enabled) {
      LogDebug("Listener %s  disabled\n", listener->listenerName);
    } else if (!IsListContains(listener->tableNames, tableName)) {
      LogDebug("Listener not registered for %s table\n", tableName);
    } else if (!EventFits(listener->eventType, row->state)) {
      LogDebug("Listener not registered for Eventype %d\n", row->state);
    } else {
      listener->callback(notification, listener->listenerName);
    }
  }
  FreeIMDSNotification(notification, columnCount);
}

void DeInitNotification(void) {
  LogTrace("In DeInit notification\n");
  for (VectorNode *n = ElementAt(&g_listeners, 0); n != nullptr; n = n->next) {
    auto *listener = static_cast<NotificationListener *>(n->element);
    LogTrace("Listener with name %s removed\n", listener->listenerName);
    std::free(listener->listenerName);
    std::free(listener);
  }
  FreeVector(&g_listeners);
}

}  // extern "C"
