/* ---- include/corbel/vector.h -----------------------------------------------------------
 * Vector: the framework's list of element pointers, a singly linked chain of nodes with a
 * count and a tail. Positions are zero-based from the head. A Vector never owns its elements;
 * it allocates and frees only its nodes. Each operation that reads or changes the chain holds
 * the object lock keyed by the Vector's address, so threads may share one Vector; composite
 * operations (CloneVector, MergeVector, AddElementValue) lock step by step. A node returned by
 * ElementAt is read after the lock is released: threads that iterate a shared Vector
 * serialise their iterations themselves.
 *
 * Iterate: for (VectorNode *n = ElementAt(v, 0); n; n = n->next) use(n->element); */
#ifndef CORBEL_VECTOR_H
#define CORBEL_VECTOR_H

#include <stdbool.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

typedef struct VectorNode {
  void *element;           /* the caller's element; never freed by the Vector */
  struct VectorNode *next; /* the following node, NULL at the end */
} VectorNode;

/* Ordering of an ordered Vector: positive when newNode sorts after existing, negative when
 * before, 0 when they are equal (an equal node is refused). */
typedef signed char (*VectorOrdering)(const VectorNode *newNode, const VectorNode *existing);

typedef struct Vector {
  VectorNode *head;        /* first node, NULL when empty */
  int32_t count;           /* number of nodes reachable from head */
  VectorNode *tail;        /* last node, NULL when empty */
  VectorOrdering ordering; /* NULL for an unordered Vector */
} Vector;

/* Empties the record (no lock, no freeing) and sets its ordering (NULL: unordered). */
void InitVector(Vector *vector, VectorOrdering ordering);
/* A new unordered Vector to release with FreeVector and free(); NULL when memory runs out. */
Vector *CreateVector(void);
/* A new Vector holding fresh copies of the strings of `vector`, in order. The caller frees
 * each string, then FreeVector and free() the Vector. NULL for NULL or no memory. */
Vector *CloneVector(Vector *vector);
/* Frees every node (not the elements); the Vector is empty and may be used again. */
void FreeVector(Vector *vector);
/* Links a node prepared by the caller (its next is overwritten): appended, or in order for
 * an ordered Vector. False when an ordered Vector already holds an equal node; the node then
 * stays the caller's. On success the node belongs to the Vector (freed by the deletions and
 * FreeVector, so allocate it with malloc). */
bool AddElement(Vector *vector, VectorNode *node);
/* Allocates a node for `element` and adds it; false when memory runs out or it is refused. */
bool AddElementValue(Vector *vector, void *element);
/* Links the node at index 0..count (count appends); ignores the ordering. False for any
 * other index. */
bool InsertElementAt(Vector *vector, VectorNode *node, int32_t index);
/* Unlinks and frees `node` (by identity). False only when the Vector is empty; true also when
 * the node was not in it (nothing changes then). */
bool DeleteElement(Vector *vector, VectorNode *node);
/* Unlinks and frees the node at 0 <= index < count; false otherwise. */
bool DeleteElementAt(Vector *vector, int32_t index);
/* The node at 0 <= index < count, or NULL. */
VectorNode *ElementAt(Vector *vector, int32_t index);
/* The node n steps after `start` (n = 0: start), or NULL when out of range. Takes no lock. */
VectorNode *GetNthElement(Vector *vector, int32_t n, VectorNode *start);
/* Appends every element of source to destination in order, then empties source. Returns 1,
 * or 99 when a node cannot be allocated (the merge stops; source is not emptied). */
unsigned char MergeVector(Vector *destination, Vector *source);
/* Removes the first node whose element is `element` (identity); true when one was removed. */
bool DeleteLCDVector(Vector *vector, const void *element);

#ifdef __cplusplus
}
#endif

#endif /* CORBEL_VECTOR_H */
