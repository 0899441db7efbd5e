/* ---- include/corbel/criteria.h ---------------------------------------------------------
 * Criteria trees: the parsed form of a store criteria text such as
 * «name = 'abc' and size >= 10». Leaves compare one column with one value; inner nodes
 * combine two subtrees with and / or. The parser builds the tree through the two builders,
 * the store binds its leaves to a table's columns, evaluates it per row and frees it.
 *
 * The builders and the parser keep process-wide state (the node made last, the scanner and
 * the parser stack) and are not re-entrant: the store serialises every parse with its store
 * lock. */
#ifndef CORBEL_CRITERIA_H
#define CORBEL_CRITERIA_H

#include <stdbool.h>
#include <stdint.h>

#include <corbel/rowobject.h>
#include <corbel/vector.h>

#ifdef __cplusplus
extern "C" {
#endif

/* Operator codes of CriteriaNode.op. */
#define CRITERIA_LT 1  /* row value <  criteria value */
#define CRITERIA_GT 2  /* row value >  criteria value */
#define CRITERIA_LE 3  /* row value <= criteria value */
#define CRITERIA_GE 4  /* row value >= criteria value */
#define CRITERIA_EQ 5  /* row value =  criteria value */
#define CRITERIA_NE 6  /* row value != criteria value */
#define CRITERIA_AND 7 /* both subtrees */
#define CRITERIA_OR 8  /* either subtree */

/* One node of a criteria tree. */
typedef struct CriteriaNode {
  char *columnName;             /* column of a leaf, owned; NULL for inner nodes */
  char *valueText;              /* value as written, quotes included (leaves), owned; else NULL */
  uint8_t op;                   /* CRITERIA_... code */
  uint8_t columnIndex;          /* position of the column in the table, 0 until bound */
  uint8_t columnType;           /* column type code, 0 until bound or when not found */
  struct CriteriaNode *left;    /* left subtree (inner nodes), else NULL */
  struct CriteriaNode *right;   /* right subtree (inner nodes), else NULL */
  struct CriteriaNode *parent;  /* the inner node combining this one, NULL for the root */
} CriteriaNode;

/* New leaf that takes over `columnName` and `valueText` (malloc'ed; freed with the node);
 * it becomes the node made last. NULL when memory runs out (the texts stay the caller's). */
CriteriaNode *CreateCriteriaLeaf(char *columnName, uint8_t op, char *valueText);

/* New inner node over `left` and `right` (op CRITERIA_AND or CRITERIA_OR), setting both
 * children's parent; it becomes the node made last. NULL when memory runs out. */
CriteriaNode *CreateCriteriaNode(CriteriaNode *left, CriteriaNode *right, uint8_t op);

/* The node made last by the builders (NULL after a parse failed or before any). */
CriteriaNode *GetLastCriteriaNode(void);

/* Binds every leaf to its column: `columns` is a Vector of ColumnDefn (a table definition's
 * columns); names compare without regard to case. A leaf whose column is missing keeps
 * position 0 and type 0 (it is false in every row). Always true. */
bool ResolveCriteriaColumns(Vector *columns, CriteriaNode *tree);

/* True when `row` satisfies `tree` (a NULL tree is true). The tree must be bound
 * (ResolveCriteriaColumns) to the row's table. Integers compare by value, floats as floats
 * (NaN never equal), texts (codes 14, 15, 22) with CompareString against the value text
 * without its surrounding quotes. A leaf on an unbound column or an unsupported type is
 * false; so is a leaf whose value text does not convert, or a null row value. */
bool EvaluateCriteria(const RowObject *row, const CriteriaNode *tree);

/* Frees the tree: left subtree, the node's texts, right subtree, the node. NULL does nothing. */
void FreeCriteriaTree(CriteriaNode *tree);

/* ---- the criteria parser ------------------------------------------------------------------ */

/* Parses a NUL-terminated criteria text whose every line ends with a line feed. Returns the
 * root of the tree of the last line (the caller frees it with FreeCriteriaTree), or NULL on a
 * syntax error, an invalid character, or a nesting beyond the parser's stack of 10000
 * entries; nothing is left allocated then. */
CriteriaNode *RunCriteriaParser(const char *text);

/* The next character of the text being parsed (the position moves on), or EOF (-1) at its
 * terminating NUL. */
int NextCriteriaChar(void);

/* Reports a parse failure ("syntax error", "yacc stack overflow", "invalid syntax"): the parse
 * then ends with a NULL result and every node made during it is freed. Writes no log line. */
void CriteriaParseError(const char *message);

/* The message of the last failed parse, or NULL when the last parse succeeded. */
const char *GetCriteriaParseError(void);

#ifdef __cplusplus
}
#endif

#endif /* CORBEL_CRITERIA_H */
