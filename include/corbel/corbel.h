/* ---- include/corbel/corbel.h -----------------------------------------------------------
 * The corbel framework: one include for its whole C interface. */
#ifndef CORBEL_CORBEL_H
#define CORBEL_CORBEL_H

#include <corbel/log.h>
#include <corbel/primitives.h>
#include <corbel/strings.h>
#include <corbel/dates.h>
#include <corbel/vector.h>
#include <corbel/oid.h>
#include <corbel/threads.h>
#include <corbel/hashtable.h>
#include <corbel/root.h>
#include <corbel/dictionary.h>
#include <corbel/rowobject.h>
#include <corbel/criteria.h>
#include <corbel/store.h>
#include <corbel/tabledata.h>
#include <corbel/resultset.h>
#include <corbel/dbprovider.h>
#include <corbel/connpool.h>
#include <corbel/odbc.h>
#include <corbel/sequence.h>

#endif /* CORBEL_CORBEL_H */
