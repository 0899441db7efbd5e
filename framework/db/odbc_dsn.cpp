// Creation of ODBC data source names through the ODBC installer, one by one or from a file
// of descriptions.
#include <corbel/odbc.h>

#include <odbcinst.h>
#include <strings.h>

#include <string>
#include <utility>
#include <vector>

#include <corbel/log.h>

#include "framework/db/db_internal.h"

namespace {

bool IsNullWord(const char *value) { return value == nullptr || strcasecmp(value, "NULL") == 0; }

// Writes the entry into the data source file directly; for drivers without a setup library,
// where the installer's configuration call always fails.
bool WriteDSNProfile(const char *dsnName, const std::vector<std::pair<const char *, const char *>> &pairs,
                     const char *driverName) {
  // The entry is only of use for a driver the driver manager knows.
  char library[1024] = "";
  if (SQLGetPrivateProfileString(driverName, "Driver", "", library, sizeof library,
                                 "ODBCINST.INI") <= 0 ||
      library[0] == '\0')
    return false;
  if (!SQLWriteDSNToIni(dsnName, driverName)) return false;
  for (const auto &[key, value] : pairs) {
    if (std::string(key) == "DSN" || IsNullWord(value)) continue;
    if (!SQLWritePrivateProfileString(dsnName, key, value, "ODBC.INI")) return false;
  }
  return true;
}

}  // namespace

extern "C" {

bool CreateDSN(const char *dsnName, const char *description, const char *server,
               const char *userId, const char *password, const char *database,
               const char *driverName) {
  if (driverName == nullptr || dsnName == nullptr) {
    LogError("DriverName or DSN name is NULL \n");
    return false;
  }
  const std::vector<std::pair<const char *, const char *>> pairs = {
      {"DSN", dsnName}, {"DESCRIPTION", description}, {"SERVER", server},
      {"UID", userId},  {"PWD", password},            {"DATABASE", database}};
  // The installer takes the attributes as a list of "key=value" texts ending in an empty one.
  std::string attributes;
  for (const auto &[key, value] : pairs) {
    if (IsNullWord(value)) continue;
    attributes += std::string(key) + "=" + value;
    attributes.push_back('\0');
  }
  attributes.push_back('\0');
  if (SQLConfigDataSource(nullptr, ODBC_ADD_DSN, driverName, attributes.c_str())) return true;
  if (WriteDSNProfile(dsnName, pairs, driverName)) return true;
  LogError("SQLConfigDataSource returned FALSE \n");
  return false;
}

bool CreateDSNsFromFile(const char *path) {
  std::string contents;
  if (path == nullptr || !corbel::db::ReadConfigFile(path, nullptr, contents)) {
    LogError("Error opening File %s \n", path != nullptr ? path : "(null)");
    return false;
  }
  corbel::db::WordReader reader(std::move(contents));
  while (true) {
    std::string words[6];
    size_t got = 0;
    while (got < 6 && reader.Next(words[got])) ++got;
    if (got < 6) break;
    std::string driver;
    reader.RestOfLine(driver);
    size_t start = driver.find_first_not_of(" \t");
    driver = start == std::string::npos ? "" : driver.substr(start);
    while (!driver.empty() && (driver.back() == ' ' || driver.back() == '\t')) driver.pop_back();
    if (!CreateDSN(words[0].c_str(), words[1].c_str(), words[2].c_str(), words[3].c_str(),
                   words[4].c_str(), words[5].c_str(), driver.c_str()))
      LogError("Creating DSN %s Failed\n", words[0].c_str());
  }
  return true;
}

}  // extern "C"
