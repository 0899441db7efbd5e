// Generated keys come from the sequence generator (GenerateID). Until a generator is linked
// into the library, no sequence has values: every request answers -1, which the store treats
// as "no generated value" and falls back to defaults.
#include <corbel/log.h>
#include <corbel/sequence.h>

extern "C" __attribute__((weak)) int32_t GenerateID(const char * /*tableName*/, const ColumnDefn *column) {
  LogTrace("Inside GenerateID \n");
  const char *key = column != nullptr && column->generatorName != nullptr ? column->generatorName : "";
  LogTrace("Cannot generate ID for key %s.\n", key);
  return -1;
}
