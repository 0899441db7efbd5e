// Criteria trees: the builders the parser calls, binding leaves to a table's columns,
// evaluation against one row, and freeing.
#include <corbel/criteria.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <new>

#include <corbel/dictionary.h>
#include <corbel/strings.h>

#include "criteria_eval.h"

namespace {

// The node made last by the builders; the parse result. Guarded by the store lock.
CriteriaNode *g_lastNode = nullptr;

// Reads an integer value of type 1-8 at its own width.
int64_t ReadSigned(const void *v, uint8_t type) {
  switch (type) {
    case ZEL_SQL_TINYINT: { int8_t x; std::memcpy(&x, v, 1); return x; }
    case ZEL_SQL_SMALLINT: { int16_t x; std::memcpy(&x, v, 2); return x; }
    case ZEL_SQL_INT: { int32_t x; std::memcpy(&x, v, 4); return x; }
    default: { int64_t x; std::memcpy(&x, v, 8); return x; }
  }
}

uint64_t ReadUnsigned(const void *v, uint8_t type) {
  switch (type) {
    case ZEL_SQL_UNSIGNED_TINYINT: { uint8_t x; std::memcpy(&x, v, 1); return x; }
    case ZEL_SQL_UNSIGNED_SMALLINT: { uint16_t x; std::memcpy(&x, v, 2); return x; }
    case ZEL_SQL_UNSIGNED_INT: { uint32_t x; std::memcpy(&x, v, 4); return x; }
    default: { uint64_t x; std::memcpy(&x, v, 8); return x; }
  }
}

template <typename T>
bool Compare(T a, uint8_t op, T b) {
  switch (op) {
    case CRITERIA_LT: return a < b;
    case CRITERIA_GT: return a > b;
    case CRITERIA_LE: return a <= b;
    case CRITERIA_GE: return a >= b;
    case CRITERIA_EQ: return a == b;
    case CRITERIA_NE: return a != b;
    default: return false;
  }
}

// Three-way result of CompareString turned into the operator's answer.
bool CompareOrder(int order, uint8_t op) { return Compare(order, op, 0); }

}  // namespace

namespace corbel::store {

PreparedCriteria::PreparedCriteria(const CriteriaNode *tree) {
  if (tree != nullptr) Add(tree);
}

int32_t PreparedCriteria::Add(const CriteriaNode *node) {
  int32_t at = static_cast<int32_t>(nodes_.size());
  nodes_.emplace_back();
  Node n;
  if (node->columnName == nullptr || node->valueText == nullptr) {
    n.kind = node->op == CRITERIA_AND ? Kind::And : node->op == CRITERIA_OR ? Kind::Or : Kind::False;
    if (node->left != nullptr) n.left = Add(node->left);
    if (node->right != nullptr) n.right = Add(node->right);
    nodes_[at] = std::move(n);
    return at;
  }
  n.op = node->op;
  n.type = node->columnType;
  n.column = node->columnIndex;
  const char *text = node->valueText;
  switch (node->columnType) {
    case ZEL_SQL_TINYINT:
    case ZEL_SQL_SMALLINT:
    case ZEL_SQL_INT:
    case ZEL_SQL_BIGINT:
      // Compared in 64 bits: a criteria value wider than the column is not cut down to it.
      n.kind = Kind::Signed;
      n.i = ParseLongLong(text);
      break;
    case ZEL_SQL_UNSIGNED_TINYINT:
    case ZEL_SQL_UNSIGNED_SMALLINT:
    case ZEL_SQL_UNSIGNED_INT:
    case ZEL_SQL_UNSIGNED_LONG_INT: {
      int64_t v = ParseLongLong(text);
      // A negative criteria value lies below every unsigned value.
      n.kind = v < 0 ? Kind::AboveAll : Kind::Unsigned;
      n.i = v;
      n.u = static_cast<uint64_t>(v);
      break;
    }
    case ZEL_SQL_FLOAT:
    case ZEL_SQL_REAL:
      n.kind = Kind::Float;
      n.d = static_cast<float>(ParseDouble(text));
      break;
    case ZEL_SQL_DOUBLE:
      n.kind = Kind::Double;
      n.d = ParseDouble(text);
      break;
    case ZEL_SQL_CHAR:
    case ZEL_SQL_VARCHAR:
    case ZEL_SQL_TEXT: {
      n.kind = Kind::Text;
      std::size_t len = std::strlen(text);
      if (len >= 2 && text[0] == '\'' && text[len - 1] == '\'')
        n.text.assign(text + 1, len - 2);
      else
        n.text.assign(text, len);
      break;
    }
    default:
      n.kind = Kind::False;
  }
  nodes_[at] = std::move(n);
  return at;
}

bool PreparedCriteria::Leaf(const Node &n, const void *value) {
  switch (n.kind) {
    case Kind::AboveAll:
      return Compare(1, n.op, 0);
    case Kind::Signed:
      return Compare(ReadSigned(value, n.type), n.op, n.i);
    case Kind::Unsigned:
      return Compare(ReadUnsigned(value, n.type), n.op, n.u);
    case Kind::Float: {
      float x;
      std::memcpy(&x, value, sizeof x);
      return Compare(x, n.op, static_cast<float>(n.d));
    }
    case Kind::Double: {
      double x;
      std::memcpy(&x, value, sizeof x);
      return Compare(x, n.op, n.d);
    }
    case Kind::Text: {
      const char *s = static_cast<const char *>(value);
      if (n.op == CRITERIA_EQ) return std::strcmp(s, n.text.c_str()) == 0;
      if (n.op == CRITERIA_NE) return std::strcmp(s, n.text.c_str()) != 0;
      return CompareOrder(CompareString(s, n.text.c_str()), n.op);
    }
    default:
      return false;
  }
}

bool PreparedCriteria::Evaluate(const RowObject *row, int32_t at) const {
  const Node &n = nodes_[static_cast<std::size_t>(at)];
  switch (n.kind) {
    case Kind::And:
      return (n.left < 0 || Evaluate(row, n.left)) && (n.right < 0 || Evaluate(row, n.right));
    case Kind::Or:
      // A missing subtree counts as true, as a NULL tree does.
      return n.left < 0 || Evaluate(row, n.left) || n.right < 0 || Evaluate(row, n.right);
    case Kind::False:
      return false;
    default: {
      // A null value satisfies no comparison.
      const void *value = row->values != nullptr ? row->values[n.column] : nullptr;
      return value != nullptr && Leaf(n, value);
    }
  }
}

}  // namespace corbel::store

extern "C" {

CriteriaNode *CreateCriteriaLeaf(char *columnName, uint8_t op, char *valueText) {
  auto *node = static_cast<CriteriaNode *>(std::calloc(1, sizeof(CriteriaNode)));
  if (node == nullptr) return nullptr;
  node->columnName = columnName;
  node->valueText = valueText;
  node->op = op;
  g_lastNode = node;
  return node;
}

CriteriaNode *CreateCriteriaNode(CriteriaNode *left, CriteriaNode *right, uint8_t op) {
  auto *node = static_cast<CriteriaNode *>(std::calloc(1, sizeof(CriteriaNode)));
  if (node == nullptr) return nullptr;
  node->left = left;
  node->right = right;
  node->op = op;
  if (left != nullptr) left->parent = node;
  if (right != nullptr) right->parent = node;
  g_lastNode = node;
  return node;
}

CriteriaNode *GetLastCriteriaNode(void) { return g_lastNode; }

void ClearLastCriteriaNode(void) { g_lastNode = nullptr; }

bool ResolveCriteriaColumns(Vector *columns, CriteriaNode *tree) {
  if (tree == nullptr) return true;
  ResolveCriteriaColumns(columns, tree->left);
  tree->columnIndex = 0;
  tree->columnType = 0;
  if (tree->columnName != nullptr && columns != nullptr) {
    int32_t position = 0;
    for (VectorNode *n = ElementAt(columns, 0); n != nullptr; n = n->next, ++position) {
      const auto *column = static_cast<const ColumnDefn *>(n->element);
      if (column != nullptr && CompareStringNoCase(column->name, tree->columnName) == 0) {
        // Positions beyond the 8-bit field stay unbound rather than wrap onto another column.
        if (position <= UINT8_MAX) {
          tree->columnIndex = static_cast<uint8_t>(position);
          tree->columnType = column->type;
        }
        break;
      }
    }
  }
  ResolveCriteriaColumns(columns, tree->right);
  return true;
}

bool EvaluateCriteria(const RowObject *row, const CriteriaNode *tree) {
  if (tree == nullptr) return true;
  if (row == nullptr) return false;
  try {
    return corbel::store::PreparedCriteria(tree).Matches(row);
  } catch (const std::bad_alloc &) {
    return false;
  }
}

void FreeCriteriaTree(CriteriaNode *tree) {
  if (tree == nullptr) return;
  FreeCriteriaTree(tree->left);
  std::free(tree->columnName);
  std::free(tree->valueText);
  FreeCriteriaTree(tree->right);
  if (g_lastNode == tree) g_lastNode = nullptr;
  std::free(tree);
}

}  // extern "C"
