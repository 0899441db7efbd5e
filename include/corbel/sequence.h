/* ---- include/corbel/sequence.h ---------------------------------------------------------
 * Sequence generator: values for columns whose definition names a generator.
 *
 * Sequences live in the database table SeqGenState (SEQNAME text, CURRENTBATCHEND integer;
 * SEQNAME should be its primary key), one row per sequence. Each process reserves a batch of
 * CORBEL_SEQUENCE_BATCH values at a time by moving the row's CURRENTBATCHEND forward with an
 * update that only succeeds while the row still holds the value it read, so processes
 * sharing a database never reserve the same values. Values of a batch a process does not use
 * are lost. Any thread may draw values. */
#ifndef CORBEL_SEQUENCE_H
#define CORBEL_SEQUENCE_H

#include <stdbool.h>
#include <stdint.h>

#include <corbel/dictionary.h>

#ifdef __cplusplus
extern "C" {
#endif

/* Values reserved per renewal. */
#define CORBEL_SEQUENCE_BATCH 300

/* The name of the sequence of GenerateInstanceID. */
#define CORBEL_INSTANCE_ID_SEQUENCE "INSTANCE_ID"

/* A process's reserved batch of one sequence. */
typedef struct SeqBatch {
  int32_t nextValue; /* next value to hand out */
  int32_t batchEnd;  /* last value of the batch */
} SeqBatch;

/* Makes the in-memory sequence table empty (50 buckets). */
void InitSequenceTable(void);
/* Frees the sequence table's batches and keys. */
void FreeSequenceTable(void);

/* Reserves a first batch for every generator of every dictionary table. False when a table
 * definition has no columns (the walk stops there). */
bool SequenceGenerator(void);

/* Reserves the next batch of `sequenceName` in the database of `tableName` (NULL: the
 * default data source); true on success. */
bool UpdateSeqGen(const char *tableName, const char *sequenceName);

/* The next value of the column's sequence, or -1 when the sequence was never reserved or no
 * new batch can be reserved. */
int32_t GenerateID(const char *tableName, const ColumnDefn *column);

/* The next value of the sequence "INSTANCE_ID" (reserved beforehand), or -1. */
int32_t GenerateInstanceID(void);

/* The batch held for a sequence (a copy into *batch); false when the sequence is unknown. */
bool GetSequenceBatch(const char *sequenceName, SeqBatch *batch);

#ifdef __cplusplus
}
#endif

#endif /* CORBEL_SEQUENCE_H */
