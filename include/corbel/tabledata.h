/* ---- include/corbel/tabledata.h --------------------------------------------------------
 * Table data from XML: seed and default data documents in which every element is one row
 * of a dictionary table, read into the in-memory store.
 *
 * Attributes are column values (attribute name = column name, without regard to case). A
 * value "T:C:v" refers to the row of table T whose column C had the old value v: such keys
 * are renumbered through the sequence generator, and every reference to the same old key
 * receives the same new one. Elements nested in a row inherit the values of their foreign
 * and primary keys from the elements around them. Elements that name no table but contain
 * "List" only group rows. */
#ifndef CORBEL_TABLEDATA_H
#define CORBEL_TABLEDATA_H

#include <stdbool.h>
#include <stdint.h>

#include <corbel/hashtable.h>

#ifdef __cplusplus
extern "C" {
#endif

/* libxml2's document and node records. */
struct _xmlDoc;
struct _xmlNode;

/* Reads the document at `path` into the store. False (logged) when it does not parse or an
 * element cannot become a row; rows added before the failure stay. */
bool ConstructTableDataFromXMLFile(const char *path);

/* The same for a document of `size` bytes in memory. */
bool ConstructTableDataFromXMLBuffer(const char *buffer, int32_t size);

/* Turns every element below `element` into rows. Returns the key remapping table (reference
 * texts "T:C:v" to new keys; free it with FreeKeyRemapTable), or NULL when the build fails. */
HashTable *ConstructTableDataFromXMLNode(struct _xmlDoc *document, struct _xmlNode *element);

/* Turns `node`, its following siblings and all their descendants into rows; false at the
 * first element that cannot become a row. */
bool CreateAndAddRows(struct _xmlDoc *document, struct _xmlNode *node, HashTable *remap);

/* Builds one row from `element` and adds it to its table (created when missing). True also
 * for a "List" container that names no table. */
bool CreateRowFromXMLElement(struct _xmlDoc *document, struct _xmlNode *element, HashTable *remap);

/* New typed value of `type` from an attribute text into *value and *length (the value stays
 * NULL for types 0, 4, 11, 12, 13, 20 and 21). Booleans: "false" (any case) is 0, any other
 * text 1. 1 on success; 0 when memory runs out or `text` is NULL. */
int AllocateAndCopyColumnValue(void **value, int32_t *length, uint8_t type, const char *text);

/* The key a reference text was renumbered to; false when it was not. */
bool GetRemappedKey(const HashTable *remap, const char *reference, int32_t *key);

/* Frees a key remapping table and its record. NULL does nothing. */
void FreeKeyRemapTable(HashTable *remap);

#ifdef __cplusplus
}
#endif

#endif /* CORBEL_TABLEDATA_H */
