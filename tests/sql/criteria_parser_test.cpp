// The criteria language: texts and the trees they parse into, and the texts it refuses.
#include <gtest/gtest.h>

#include <string>

#include <corbel/criteria.h>

namespace {

std::string OpName(uint8_t op) {
  static const char *const names[] = {"?", "<", ">", "<=", ">=", "=", "!=", "AND", "OR"};
  return op <= 8 ? names[op] : "?";
}

// A tree as text: leaves "col<=value", inner nodes "AND(l, r)"; parents are checked too.
std::string Show(const CriteriaNode *n) {
  if (n == nullptr) return "null";
  if (n->columnName != nullptr) {
    EXPECT_EQ(n->left, nullptr);
    return std::string(n->columnName) + OpName(n->op) + n->valueText;
  }
  EXPECT_EQ(n->left->parent, n);
  EXPECT_EQ(n->right->parent, n);
  return OpName(n->op) + "(" + Show(n->left) + ", " + Show(n->right) + ")";
}

std::string Parse(const std::string &text) {
  CriteriaNode *tree = RunCriteriaParser(text.c_str());
  std::string shown = Show(tree);
  if (tree != nullptr) {
    EXPECT_EQ(tree->parent, nullptr);
    EXPECT_EQ(GetCriteriaParseError(), nullptr);
  }
  FreeCriteriaTree(tree);
  return shown;
}

struct Case {
  const char *text;
  const char *tree;
};

TEST(CriteriaParser, TextsAndTheirTrees) {
  const Case cases[] = {
      {"a = 1\n", "a=1"},
      {"a = 1 and b = 'x' or c < 2.5\n", "OR(AND(a=1, b='x'), c<2.5)"},
      {"a = 1 or b = 2 and c = 3\n", "OR(a=1, AND(b=2, c=3))"},
      {"(a = 1 or b = 2) and c = 3\n", "AND(OR(a=1, b=2), c=3)"},
      {"a = 1 and b = 2 and c = 3\n", "AND(a=1, AND(b=2, c=3))"},
      {"a = 1 or b = 2 or c = 3\n", "OR(a=1, OR(b=2, c=3))"},
      {"size >= 10\n", "size>=10"},
      {"10 <= size\n", "size>=10"},
      {"5 < size\n", "size>5"},
      {"5 > size\n", "size<5"},
      {"5 >= size\n", "size<=5"},
      {"5 = size\n", "size=5"},
      {"5 != size\n", "size!=5"},
      {"a!=1\n", "a!=1"},
      {"a<>1\n", "null"},
      {"name = 'a b'\n", "name='a b'"},
      {"name = ''\n", "name=''"},
      {"\tx_1\t<=\t0.25 \n", "x_1<=0.25"},
      {"a = 1\nb = 2\n", "b=2"},
      {"andy = 1 and orx = 2\n", "AND(andy=1, orx=2)"},
      {"AND = 1\n", "AND=1"},
      {"((((a = 1))))\n", "a=1"},
      // refused
      {"\n", "null"},
      {"", "null"},
      {"a = b\n", "null"},
      {"1 = 2\n", "null"},
      {"x AND y = 1\n", "null"},
      {"a = 1\r\n", "null"},
      {"a = -3\n", "null"},
      {"a = 1.\n", "null"},
      {"t.a = 1\n", "null"},
      {"a = 1", "null"},
      {"a = 'it''s'\n", "null"},
      {"a = 'open\n", "null"},
      {"a = 1 and\n", "null"},
      {"(a = 1\n", "null"},
      {"a = 1)\n", "null"},
      {"a = 1\nb = 2", "null"},
      {"a = 1 not b = 2\n", "null"},
      {"a = 1e5\n", "null"},
  };
  for (const Case &c : cases) EXPECT_EQ(Parse(c.text), c.tree) << "text: " << c.text;
}

TEST(CriteriaParser, FailuresNameTheirCause) {
  const Case cases[] = {
      {"a = b\n", "syntax error"},
      {"a = 1\r\n", "invalid syntax"},
      {"a = -3\n", "invalid syntax"},
      {"a = 1", "syntax error"},
  };
  for (const Case &c : cases) {
    EXPECT_EQ(RunCriteriaParser(c.text), nullptr) << c.text;
    ASSERT_NE(GetCriteriaParseError(), nullptr) << c.text;
    EXPECT_STREQ(GetCriteriaParseError(), c.tree) << c.text;
    EXPECT_EQ(GetLastCriteriaNode(), nullptr) << c.text;
  }
}

TEST(CriteriaParser, StackLimitEndsDeepNesting) {
  // 10,000 open parentheses need more than the 10,000 stack entries.
  std::string deep = std::string(10000, '(') + "a = 1" + std::string(10000, ')') + "\n";
  EXPECT_EQ(RunCriteriaParser(deep.c_str()), nullptr);
  EXPECT_STREQ(GetCriteriaParseError(), "yacc stack overflow");

  // Within the limit the same shape parses.
  std::string fits = std::string(4000, '(') + "a = 1" + std::string(4000, ')') + "\n";
  EXPECT_EQ(Parse(fits), "a=1");
}

TEST(CriteriaParser, LongTexts) {
  // A megabyte of conditions: "and" associates to the right, so the terms wait on the stack
  // and the stack limit answers long before the end.
  std::string big;
  while (big.size() < (1u << 20)) big += "a = 1 and ";
  big += "a = 1\n";
  EXPECT_EQ(RunCriteriaParser(big.c_str()), nullptr);
  EXPECT_STREQ(GetCriteriaParseError(), "yacc stack overflow");

  // A megabyte in one value and a long chain of lines parse whole.
  std::string value = "name = '" + std::string(1 << 20, 'v') + "'\n";
  CriteriaNode *tree = RunCriteriaParser(value.c_str());
  ASSERT_NE(tree, nullptr);
  EXPECT_EQ(std::string(tree->valueText).size(), (1u << 20) + 2);
  FreeCriteriaTree(tree);

  std::string lines;
  for (int i = 0; i < 20000; ++i) lines += "a = " + std::to_string(i) + "\n";
  EXPECT_EQ(Parse(lines), "a=19999");
}

TEST(CriteriaParser, TextEndsAtItsNul) {
  const char text[] = "a = 1\n\0b = 2 junk !";
  EXPECT_EQ(Parse(std::string(text)), "a=1");
  const char cut[] = "a = 1\0\n";
  EXPECT_EQ(Parse(std::string(cut)), "null");
}

TEST(CriteriaParser, ReadsCharactersOfTheCurrentText) {
  // Outside a parse there is no text to read.
  EXPECT_EQ(NextCriteriaChar(), EOF);
  EXPECT_EQ(RunCriteriaParser(nullptr), nullptr);
}

}  // namespace
