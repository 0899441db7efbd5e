/* A C program against the public headers: builds a query model, renders it with every
 * dialect and writes a row statement. Exit status 0 when every text is as expected. */
#include <corbel/dialect.h>
#include <corbel/dictionary.h>
#include <corbel/log.h>
#include <corbel/mempool.h>
#include <corbel/query.h>
#include <corbel/resultset.h>
#include <corbel/textbuffer.h>

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

static int failures = 0;

static void expect(const char *what, char *got, const char *want) {
  if (got == NULL || strcmp(got, want) != 0) {
    fprintf(stderr, "%s: got [%s], want [%s]\n", what, got ? got : "(null)", want);
    ++failures;
  }
  free(got);
}

int main(void) {
  if (!InitializeMemPool()) return 2;
  InitDialects();
  InitDataDictionary();

  SelectQuery *q = CreateSelectQuery();
  if (q == NULL) return 2;
  AppendQueryColumn(q, CreateQueryColumn("t", NULL, "name", "n", 0, ZEL_SQL_VARCHAR,
                                         QUERY_FN_NONE, q->pool));
  AppendQueryTable(q, CreateQueryTable("t", NULL, q->pool));
  QueryColumn *name = CreateQueryColumn(NULL, NULL, "name", NULL, 0, ZEL_SQL_VARCHAR,
                                        QUERY_FN_NONE, q->pool);
  SetQueryCriteria(q, CreateCriteria(name, "O'Brien", 7, QUERY_OP_EQ, q->pool));
  q->limit = 3;
  expect("mysql", FindDialect("MYSQL")->GenSelectQuery(q),
         "select t.name as n  \nfrom t\nwhere name =  'O''Brien' limit 3");
  expect("firebird", FindDialect("firebird")->GenSelectQuery(q),
         "select first 3 t.name as n  \nfrom t\nwhere name =  'O''Brien' ");
  FreeSelectQuery(q);

  Vector *columns = CreateVector();
  AddElementValue(columns, CreateColumnDefn("id", ZEL_SQL_INT, NULL, 0, 0, NULL, NULL, 0, 0, NULL));
  AddElementValue(columns, CreateColumnDefn("name", ZEL_SQL_VARCHAR, NULL, 0, 0, NULL, NULL, 20, 1, NULL));
  const char *keys[] = {"id"};
  AddTableDefn(CreateTableDefn("t", NULL, columns, CreateConstraintDefn(keys, 1)));
  void **values = calloc(2, sizeof(void *));
  int32_t *lengths = calloc(2, sizeof(int32_t));
  lengths[0] = 1;
  values[0] = ConvertStringToValue("5", &lengths[0], ZEL_SQL_INT);
  lengths[1] = 7;
  values[1] = ConvertStringToValue("it's ok", &lengths[1], ZEL_SQL_VARCHAR);
  RowObject *row = CreateNewRowObject(values, lengths);
  expect("pgsql insert", PgsqlGenInsertQuery("t", row), "insert into  t values(5,'it''s ok');");
  expect("mysql update", MysqlGenUpdateQuery("t", row), "update t set name='it''s ok' where id='5'");
  FreeRowObject(row, 2);

  TextBuffer buffer;
  InitTextBuffer(&buffer, 4, 4);
  AppendTextBuffer(&buffer, "growing ");
  AppendTextBuffer(&buffer, "text");
  expect("text buffer", strdup(buffer.text), "growing text");
  FreeTextBuffer(&buffer);

  FreeAllTableDefns();
  FreeDialects();
  ShutdownMemPool();
  return failures == 0 ? 0 : 1;
}
