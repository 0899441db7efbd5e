// Vector: a singly linked chain of element pointers guarded by the object lock of its address.
// The lock is not re-entrant, so the locked operations call only the unlocked helpers below.
#include <corbel/vector.h>

#include <cstdlib>
#include <cstring>
#include <vector>

#include "framework/foundation/text.h"
#include "support/object_lock.h"

namespace {

using ovr::ObjectLockGuard;

void Reset(Vector *v) {
  v->head = nullptr;
  v->tail = nullptr;
  v->count = 0;
}

// The node before `node`, or nullptr when node is the head or absent (found says which).
VectorNode *Predecessor(Vector *v, VectorNode *node, bool &found) {
  VectorNode *prev = nullptr;
  for (VectorNode *n = v->head; n; prev = n, n = n->next) {
    if (n == node) {
      found = true;
      return prev;
    }
  }
  found = false;
  return nullptr;
}

void UnlinkAfter(Vector *v, VectorNode *prev, VectorNode *node) {
  if (prev)
    prev->next = node->next;
  else
    v->head = node->next;
  if (v->tail == node) v->tail = prev;
  --v->count;
  std::free(node);
  if (v->count == 0) Reset(v);
}

void LinkAfter(Vector *v, VectorNode *prev, VectorNode *node) {
  if (prev) {
    node->next = prev->next;
    prev->next = node;
  } else {
    node->next = v->head;
    v->head = node;
  }
  if (!node->next) v->tail = node;
  ++v->count;
}

// Binary search over the chain: O(log n) calls of the ordering, O(n) node steps.
bool AddOrdered(Vector *v, VectorNode *node) {
  int32_t lo = 0, hi = v->count;
  VectorNode *loNode = v->head, *hiNode = nullptr;
  while (hi - lo != 1) {
    int32_t mid = lo + (hi - lo + 1) / 2;
    VectorNode *midNode = GetNthElement(v, mid - lo, loNode);
    if (!midNode) return false;
    signed char c = v->ordering(node, midNode);
    if (c == 0) return false;
    if (c > 0) {
      lo = mid;
      loNode = midNode;
    } else {
      hi = mid;
      hiNode = midNode;
    }
  }
  signed char c = v->ordering(node, loNode);
  if (c == 0) return false;
  if (c < 0) {
    LinkAfter(v, nullptr, node);
    return true;
  }
  if (!hiNode) hiNode = loNode->next;
  if (!hiNode) {
    LinkAfter(v, loNode, node);
    return true;
  }
  c = v->ordering(node, hiNode);
  if (c == 0) return false;
  LinkAfter(v, c < 0 ? loNode : hiNode, node);
  return true;
}

bool AddLocked(Vector *v, VectorNode *node) {
  node->next = nullptr;
  if (v->count == 0 || !v->head) {
    Reset(v);
    LinkAfter(v, nullptr, node);
    return true;
  }
  if (v->ordering) return AddOrdered(v, node);
  LinkAfter(v, v->tail, node);
  return true;
}

}  // namespace

extern "C" {

void InitVector(Vector *vector, VectorOrdering ordering) {
  CORBEL_TRACE_ENTRY("InitVector");
  if (!vector) return;
  Reset(vector);
  vector->ordering = ordering;
}

Vector *CreateVector(void) {
  auto *v = static_cast<Vector *>(std::calloc(1, sizeof(Vector)));
  if (!v) {
    LogError("MEMORY_ALLOCATION_FAILURE\n");
    return nullptr;
  }
  InitVector(v, nullptr);
  return v;
}

Vector *CloneVector(Vector *vector) {
  LogTrace("@@@@ Inside CloneVector @@@@\n");
  if (!vector) {
    LogError("Cannot clone vector.  Vector is NULL.\n");
    return nullptr;
  }
  std::vector<const char *> strings;
  {
    ObjectLockGuard lock(vector);
    for (VectorNode *n = vector->head; n; n = n->next) strings.push_back(static_cast<const char *>(n->element));
  }
  Vector *clone = CreateVector();
  if (!clone) {
    LogError("MEMORY_ALLOCATION_FAILURE\n");
    return nullptr;
  }
  for (const char *s : strings) {
    char *copy = nullptr;
    if (AllocateStringCopy(&copy, s) != CORBEL_STATUS_SUCCESS || !AddElementValue(clone, copy)) {
      std::free(copy);
      for (VectorNode *n = clone->head; n; n = n->next) std::free(n->element);
      FreeVector(clone);
      std::free(clone);
      return nullptr;
    }
  }
  return clone;
}

void FreeVector(Vector *vector) {
  CORBEL_TRACE_ENTRY("FreeVector");
  if (!vector) return;
  ObjectLockGuard lock(vector);
  for (VectorNode *n = vector->head; n;) {
    VectorNode *next = n->next;
    std::free(n);
    n = next;
  }
  Reset(vector);
}

bool AddElement(Vector *vector, VectorNode *node) {
  CORBEL_TRACE_ENTRY("AddElement");
  if (!vector || !node) return false;
  ObjectLockGuard lock(vector);
  return AddLocked(vector, node);
}

bool AddElementValue(Vector *vector, void *element) {
  auto *node = static_cast<VectorNode *>(std::calloc(1, sizeof(VectorNode)));
  if (!node) return false;
  node->element = element;
  if (AddElement(vector, node)) return true;
  std::free(node);
  return false;
}

bool InsertElementAt(Vector *vector, VectorNode *node, int32_t index) {
  CORBEL_TRACE_ENTRY("InsertElementAt");
  if (!vector || !node) return false;
  ObjectLockGuard lock(vector);
  if (index < 0 || index > vector->count) return false;
  if (vector->count == 0) Reset(vector);
  VectorNode *prev = index == 0 ? nullptr
                     : index == vector->count ? vector->tail
                                              : GetNthElement(vector, index - 1, vector->head);
  if (index > 0 && !prev) return false;
  LinkAfter(vector, prev, node);
  return true;
}

bool DeleteElement(Vector *vector, VectorNode *node) {
  CORBEL_TRACE_ENTRY("DeleteElement");
  if (!vector) return false;
  ObjectLockGuard lock(vector);
  if (vector->count == 0 || !vector->head) return false;
  bool found;
  VectorNode *prev = Predecessor(vector, node, found);
  if (found) UnlinkAfter(vector, prev, node);
  return true;
}

bool DeleteElementAt(Vector *vector, int32_t index) {
  CORBEL_TRACE_ENTRY("DeleteElementAt");
  if (!vector) return false;
  ObjectLockGuard lock(vector);
  if (index < 0 || index >= vector->count) return false;
  VectorNode *prev = index == 0 ? nullptr : GetNthElement(vector, index - 1, vector->head);
  VectorNode *node = prev ? prev->next : vector->head;
  if (!node) return false;
  UnlinkAfter(vector, prev, node);
  return true;
}

VectorNode *ElementAt(Vector *vector, int32_t index) {
  CORBEL_TRACE_ENTRY("ElementAt");
  if (!vector) return nullptr;
  ObjectLockGuard lock(vector);
  if (index < 0 || index >= vector->count) return nullptr;
  return GetNthElement(vector, index, vector->head);
}

VectorNode *GetNthElement(Vector *vector, int32_t n, VectorNode *start) {
  CORBEL_TRACE_ENTRY("GetNthElement");
  if (!vector || !start || n < 0 || n >= vector->count || vector->count == 0) return nullptr;
  VectorNode *node = start;
  for (int32_t i = 0; i < n && node; ++i) node = node->next;
  return node;
}

unsigned char MergeVector(Vector *destination, Vector *source) {
  CORBEL_TRACE_ENTRY("MergeVector");
  if (!destination || !source || destination == source) return CORBEL_STATUS_SUCCESS;
  std::vector<void *> elements;
  {
    ObjectLockGuard lock(source);
    for (VectorNode *n = source->head; n; n = n->next) elements.push_back(n->element);
  }
  for (void *element : elements) {
    auto *node = static_cast<VectorNode *>(std::calloc(1, sizeof(VectorNode)));
    if (!node) return CORBEL_STATUS_NO_MEMORY;
    node->element = element;
    if (!AddElement(destination, node)) std::free(node);  // an ordered destination refused it
  }
  FreeVector(source);
  return CORBEL_STATUS_SUCCESS;
}

bool DeleteLCDVector(Vector *vector, const void *element) {
  CORBEL_TRACE_ENTRY("DeleteLCDVector");
  if (!vector) return false;
  // Finding and unlinking under one lock: another thread cannot move the node in between.
  ObjectLockGuard lock(vector);
  VectorNode *prev = nullptr;
  for (VectorNode *n = vector->head; n; prev = n, n = n->next) {
    if (n->element == element) {
      CORBEL_TRACE_ENTRY("DeleteElementAt");
      UnlinkAfter(vector, prev, n);
      return true;
    }
  }
  return false;
}

}  // extern "C"
