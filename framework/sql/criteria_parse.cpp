// The criteria parser's driver: the text being parsed and its position, the failure of the
// current parse, and the tree of the last complete line. The generated scanner and parser
// (criteria_scanner.l, criteria_parser.y) read and report through these.
#include <cstdio>
#include <cstring>

#include "criteria_input.h"

extern "C" void ClearLastCriteriaNode(void);

namespace {

// Process-wide like the generated parser itself; callers serialise parses (store lock).
const char *g_text = nullptr;
std::size_t g_position = 0;
const char *g_error = nullptr;
CriteriaNode *g_lineTree = nullptr;

}  // namespace

std::size_t ReadCriteriaInput(char *buf, std::size_t maxSize) {
  if (g_text == nullptr) return 0;
  const char *from = g_text + g_position;
  std::size_t n = 0;
  while (n < maxSize && from[n] != '\0') {
    buf[n] = from[n];
    ++n;
  }
  g_position += n;
  return n;
}

void KeepCriteriaLine(CriteriaNode *root) {
  FreeCriteriaTree(g_lineTree);
  g_lineTree = root;
}

int MirrorCriteriaOp(int op) {
  switch (op) {
    case CRITERIA_LT: return CRITERIA_GT;
    case CRITERIA_GT: return CRITERIA_LT;
    case CRITERIA_LE: return CRITERIA_GE;
    case CRITERIA_GE: return CRITERIA_LE;
    default: return op;
  }
}

extern "C" {

int NextCriteriaChar(void) {
  if (g_text == nullptr || g_text[g_position] == '\0') return EOF;
  return static_cast<unsigned char>(g_text[g_position++]);
}

void CriteriaParseError(const char *message) {
  // The first failure names the parse's fault; the parser's own "syntax error" that follows
  // an invalid character adds nothing.
  if (g_error == nullptr) g_error = message != nullptr ? message : "syntax error";
}

const char *GetCriteriaParseError(void) { return g_error; }

CriteriaNode *RunCriteriaParser(const char *text) {
  g_text = text;
  g_position = 0;
  g_error = nullptr;
  g_lineTree = nullptr;
  ClearLastCriteriaNode();
  ResetCriteriaScanner();
  if (text == nullptr) {
    g_error = "syntax error";
    return nullptr;
  }
  // On failure the parser has freed what its stack held; the complete lines before it are
  // freed here, so a failed parse leaves nothing behind.
  int rc = criteria_yyparse();
  CriteriaNode *result = g_lineTree;
  g_lineTree = nullptr;
  g_text = nullptr;
  if (rc != 0 || g_error != nullptr) {
    if (g_error == nullptr) g_error = "syntax error";
    FreeCriteriaTree(result);
    result = nullptr;
    ClearLastCriteriaNode();
  }
  return result;
}

}  // extern "C"
