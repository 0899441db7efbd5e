// The seam between the generated criteria scanner and parser and the rest of the parser
// module: where the scanner's characters come from and how the parse is reset.
#pragma once

#include <cstddef>

#include <corbel/criteria.h>

// Copies up to maxSize characters of the text being parsed into buf; 0 at its end.
std::size_t ReadCriteriaInput(char *buf, std::size_t maxSize);

// Forgets whatever the scanner buffered from an earlier text.
void ResetCriteriaScanner();

// The generated parser and scanner entry points.
int criteria_yyparse();
int criteria_yylex();

// Rule "list → list expr line-feed": the tree of a complete line replaces (and frees) the
// tree of the line before; the last line's tree is the parse result.
void KeepCriteriaLine(CriteriaNode *root);

// The operator that reads the same with its operands swapped («5 < size» is «size > 5»).
int MirrorCriteriaOp(int op);
