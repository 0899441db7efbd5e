// A criteria tree prepared for evaluation over many rows: every leaf's value text is
// converted once, under the type its column was bound to, instead of once per row. The
// comparisons are those of EvaluateCriteria, which is built on this.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include <corbel/criteria.h>

namespace corbel::store {

class PreparedCriteria {
 public:
  // Prepares a tree already bound to its table (ResolveCriteriaColumns). A NULL tree
  // matches every row. Throws std::bad_alloc only.
  explicit PreparedCriteria(const CriteriaNode *tree);

  bool Matches(const RowObject *row) const {
    return nodes_.empty() || Evaluate(row, 0);
  }

 private:
  // AboveAll: an unsigned column against a negative value, which every row value exceeds.
  enum class Kind : uint8_t { False, And, Or, Signed, Unsigned, AboveAll, Float, Double, Text };
  struct Node {
    Kind kind = Kind::False;
    uint8_t op = 0;
    uint8_t type = 0;
    uint8_t column = 0;
    int32_t left = -1, right = -1;  // inner nodes: positions in nodes_
    int64_t i = 0;                  // Signed
    uint64_t u = 0;                 // Unsigned
    double d = 0;                   // Float (held as the float it converted to) and Double
    std::string text;               // Text, without its quotes
  };

  int32_t Add(const CriteriaNode *node);
  bool Evaluate(const RowObject *row, int32_t at) const;
  static bool Leaf(const Node &n, const void *value);

  std::vector<Node> nodes_;
};

}  // namespace corbel::store
