/* Grammar of the store's criteria language: lines of comparisons combined with and / or.
 * Each comparison names exactly one column and one value; the value-first form is mirrored
 * so that a leaf always reads column, operator, value. "or" binds looser than "and"; both
 * associate to the right. The parser stack starts with 200 entries and doubles up to 10000. */
%define api.prefix {criteria_yy}
%define parse.error simple

%code requires {
#include <corbel/criteria.h>
}

%code {
#include <cstdlib>
#include <cstring>

#include "criteria_input.h"

#define YYINITDEPTH 200
#define YYMAXDEPTH 10000
#define YYSTACK_USE_ALLOCA 0

static void criteria_yyerror(const char *message) {
  // The growth limit of the stack comes as the generator's own "memory exhausted".
  CriteriaParseError(std::strcmp(message, "memory exhausted") == 0 ? "yacc stack overflow"
                                                                    : message);
}

// A node that cannot be allocated ends the parse: its parts are freed here, everything
// still on the stack by the destructors below.
#define NEW_LEAF(result, column, op, value)             \
  do {                                                  \
    (result) = CreateCriteriaLeaf((column), (op), (value)); \
    if ((result) == nullptr) {                          \
      std::free(column);                                \
      std::free(value);                                 \
      CriteriaParseError("memory exhausted");           \
      YYABORT;                                          \
    }                                                   \
  } while (0)
}

%union {
  char *text;
  CriteriaNode *node;
  int op;
}

%token <text> VALUE 257 IDENTIFIER 258
%token LT 259 GT 260 GE 261 LE 262 EQ 263 NE 264 AND 265 OR 266
%token INVALID 267

%type <node> expr
%type <op> compare

%destructor { std::free($$); } <text>
%destructor { FreeCriteriaTree($$); } <node>

%right OR
%right AND

%start list

%%

list:
    %empty
  | list expr '\n'            { KeepCriteriaLine($2); }
  ;

expr:
    IDENTIFIER compare VALUE  { NEW_LEAF($$, $1, static_cast<uint8_t>($2), $3); }
  | VALUE compare IDENTIFIER  { NEW_LEAF($$, $3, static_cast<uint8_t>(MirrorCriteriaOp($2)), $1); }
  | expr AND expr             {
                                $$ = CreateCriteriaNode($1, $3, CRITERIA_AND);
                                if ($$ == nullptr) { FreeCriteriaTree($1); FreeCriteriaTree($3);
                                                     CriteriaParseError("memory exhausted"); YYABORT; }
                              }
  | expr OR expr              {
                                $$ = CreateCriteriaNode($1, $3, CRITERIA_OR);
                                if ($$ == nullptr) { FreeCriteriaTree($1); FreeCriteriaTree($3);
                                                     CriteriaParseError("memory exhausted"); YYABORT; }
                              }
  | '(' expr ')'              { $$ = $2; }
  ;

compare:
    LT { $$ = CRITERIA_LT; }
  | GT { $$ = CRITERIA_GT; }
  | LE { $$ = CRITERIA_LE; }
  | GE { $$ = CRITERIA_GE; }
  | EQ { $$ = CRITERIA_EQ; }
  | NE { $$ = CRITERIA_NE; }
  ;

%%
