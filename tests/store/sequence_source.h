// An in-process sequence source for store tests: GenerateID hands out 1, 2, 3, ... per
// generator name (sequences named in Blocked() give no value), so generated keys can be
// predicted without a database.
#pragma once

#include <set>
#include <string>

namespace corbel_test {

void ResetSequences();
// Generators that answer -1, as a sequence without a batch does.
std::set<std::string> &BlockedSequences();

}  // namespace corbel_test
