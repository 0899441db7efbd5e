// Product rules and their dispatch. Most products only need their executables checked;
// those rules are one table of key and executables. The products that also uninstall
// older editions or keep App-detection records have a function each.
#include "handler/run.h"

#include <corbel/log.h>

#include <cstdlib>
#include <optional>
#include <string>

#include "handler/app_detection.h"
#include "handler/ascii_case.h"
#include "handler/launcher.h"
#include "handler/process_check.h"
#include "handler/run_settings.h"
#include "handler/uninstall.h"
#include "handler/wmi_query.h"
#include "support/registry.h"

namespace ovr {
namespace {

constexpr int kShortLimit = 20;  // minutes for an MSI uninstall of a known product code
constexpr int kLongLimit = 40;   // minutes for an uninstall string read from the registry

const std::string kUninstallKey = kUninstallKeyPath;

// ---- building blocks -------------------------------------------------------------------

// Each executable in turn; the first that runs and may not be terminated blocks.
// `exes` ends with a null entry.
bool CheckList(const char *const *exes) {
  for (; *exes; ++exes) {
    if (CheckRunningProcess(*exes) == 0) return false;
  }
  return true;
}

bool CheckOne(const char *exe) { return CheckRunningProcess(exe) != 0; }

// The agent's -e executables, first to last; each leaves the list once it is clear.
bool CheckListOfExe(bool announceEach) {
  auto &list = gv_runSettings.listOfExe;
  while (!list.empty()) {
    const std::string exe = list.front();
    if (announceEach) LogInfo("%s listOfExe \n", exe.c_str());
    if (CheckRunningProcess(exe.c_str()) == 0) {
      LogInfo("%s is running.Hence skipping installation.\n", exe.c_str());
      return false;
    }
    list.erase(list.begin());
  }
  return true;
}

bool ClearRequested() { return gv_runSettings.clearAppDetection != 0; }

// An MSI uninstall by product code whose outcome is logged with the product's own line.
void RunMsi(const char *command, const char *statusFormat) {
  const Executed r = ExecuteInSystemDirectory(command, kShortLimit);
  LogInfo(statusFormat, r.result, r.remarks.c_str());
}

// The text of a value (ReadRegSZ, or ReadRegSZEx with `ex`) into `out`; false when unreadable.
bool ReadText(const std::string &path, const char *valueName, std::string &out, bool ex = false) {
  std::optional<std::string> text = ReadUninstallText(path, valueName, ex);
  if (!text) return false;
  out = std::move(*text);
  return true;
}

// ---- rules with actions ----------------------------------------------------------------

RuleOutcome Tortoise() {
  if (ClearRequested()) return DeleteRecord(), RuleOutcome::Clear;
  if (!CheckOne("TortoiseProc.exe")) return RuleOutcome::Blocked;
  CreateRecord();
  return RuleOutcome::Clear;
}

RuleOutcome HipChat() {
  if (ClearRequested()) return DeleteRecord(), RuleOutcome::Clear;
  if (!CheckOne("hipchat.exe")) return RuleOutcome::Blocked;
  LogInfo("systemDirectory:%s\n", gv_runSettings.systemDirectory.c_str());
  UninstallByDisplayName(HipChatMatch, HipChatCommand, kLongLimit);
  return RuleOutcome::Clear;
}

RuleOutcome PdfXChangeViewer() {
  if (ClearRequested()) return DeleteRecord(), RuleOutcome::Clear;
  if (!CheckOne("PDFXCview.exe")) return RuleOutcome::Blocked;
  RunMsi("MsiExec.exe /X{9ED333F8-3E6C-4A38-BAFA-728454121CDA} /qn",
         "Execution status for PDFXCview 32 Uninstallation : %d and remarks : %s\n");
  RunMsi("MsiExec.exe /X{3A6F4A31-8CFD-46B4-8385-E1F384DB121E} /qn",
         "Execution status for PDFXCview 64 Uninstallation : %d and remarks : %s\n");
  CreateRecord();
  return RuleOutcome::Clear;
}

RuleOutcome Skype() {
  if (ClearRequested()) return DeleteRecord(), RuleOutcome::Clear;
  if (!CheckOne("skype.exe")) return RuleOutcome::Blocked;
  static const struct {
    const char *command;
    const char *status;
  } editions[] = {
      {"MsiExec.exe /X{4E76FF7E-AEBA-4C87-B788-CD47E5425B9D} /qn",
       "Execution status for Skype 5 Uninstallation : %d and remarks : %s\n"},
      {"MsiExec.exe /X{7A3C7E05-EE37-47D6-99E1-2EB05A3DA3F7} /qn",
       "Execution status for Skype 6 Uninstallation : %d and remarks : %s\n"},
      {"MsiExec.exe /X{24991BA0-F0EE-44AD-9CC8-5EC50AECF6B7} /qn",
       "Execution status for Skype 7 Uninstallation : %d and remarks : %s\n"},
      {"MsiExec.exe /X{6A0549A9-1B96-498C-ACBC-3943001FEB19} /qn",
       "Execution status for Skype 7.8 Uninstallation : %d and remarks : %s\n"},
      {"MsiExec.exe /X{FC965A47-4839-40CA-B618-18F486F042C6} /qn",
       "Execution status for Skype 7.8 Uninstallation : %d and remarks : %s\n"},
      {"MsiExec.exe /X{3B7E914A-93D5-4A29-92BB-AF8C3F66C431} /qn",
       "Execution status for Skype 7.8 Uninstallation : %d and remarks : %s\n"},
      {"MsiExec.exe /X{1845470B-EB14-4ABC-835B-E36C693DC07D} /qn",
       "Execution status for Skype 7.33 Uninstallation : %d and remarks : %s\n"},
  };
  for (const auto &e : editions) RunMsi(e.command, e.status);
  CreateRecord();
  return RuleOutcome::Clear;
}

RuleOutcome GeoGebra() {
  if (!CheckListOfExe(false)) return RuleOutcome::Blocked;
  RunMsi("MsiExec.exe /X{D44FFF47-306C-4198-9899-832C1DAA4566} /qn /norestart",
         "Execution status for GeoGebra Uninstallation : %d and remarks : %s\n");
  return RuleOutcome::Clear;
}

RuleOutcome DvdFab10() {
  if (!CheckListOfExe(false)) return RuleOutcome::Blocked;
  // Runs the entry's quiet uninstall string; false when the entry holds none.
  const auto uninstall = [](const char *entry) {
    std::string command;
    if (!ReadText(kUninstallKey + entry, "QuietUninstallString", command)) return false;
    const Executed r = ExecuteInSystemDirectory(command, kLongLimit);
    LogInfo("Execution status for DVDFab10 Uninstallation : %d and remarks : %s\n", r.result,
            r.remarks.c_str());
    return true;
  };
  RuleOutcome outcome = uninstall("DVDFab 10") ? RuleOutcome::Clear : RuleOutcome::NothingToUninstall;
  if (uninstall("DVDFab 10_is1")) outcome = RuleOutcome::Clear;
  return outcome;
}

RuleOutcome AdvancedInstaller() {
  if (ClearRequested()) return DeleteRecord(), RuleOutcome::Clear;
  if (!CheckOne("advinst.exe")) return RuleOutcome::Blocked;
  LogInfo("systemDirectory:%s\n", gv_runSettings.systemDirectory.c_str());
  UninstallByDisplayName(AdvancedInstallerMatch, AdvancedInstallerCommand, kLongLimit);
  return RuleOutcome::Clear;
}

RuleOutcome Inkscape() {
  RunSettings &s = gv_runSettings;
  const char *edition = s.gv_is32 ? "_32" : "_64";
  LogInfo("Inside the product inkscape");
  if (ClearRequested()) return DeleteRecord(edition), RuleOutcome::Clear;
  if (CheckRunningProcess("inkscape.exe") == 0) {
    LogInfo("inkscape already running.\n");
    return RuleOutcome::Blocked;
  }
  const std::string msiEntry = kUninstallKey + "{81922150-317E-4BB0-A31D-FF1C14F707C5}";
  const std::string exeEntry = kUninstallKey + "Inkscape";
  const char *msiCommand = "MsiExec.exe /X{81922150-317E-4BB0-A31D-FF1C14F707C5} /qn /norestart";
  std::string value;
  if (s.gv_is32) {
    LogInfo("Inside the 32 bit hive.\n");
    LogInfo("systemDirectory:%s\n", s.systemDirectory.c_str());
    if (ReadText(msiEntry, "UninstallString", value)) {
      LogInfo("Inside msi uninstallation.\n");
      LogInfo("The return value is %d", ExecuteInSystemDirectory(msiCommand, kShortLimit).result);
    }
    if (ReadText(exeEntry, "UninstallString", value)) {
      const std::string command = value + " /S";
      LogInfo("Inside exe uninstallation.%s is the uninstallation string\n", command.c_str());
      LogInfo("The return value is %d", ExecuteInSystemDirectory(command, kShortLimit).result);
    }
  } else {
    s.gv_IsWow64 = 1;
    if (ReadText(msiEntry, "UninstallString", value, true)) {
      ExecuteInSystemDirectory(msiCommand, kShortLimit);
    } else if (ReadText(exeEntry, "UninstallString", value, true)) {
      ExecuteInSystemDirectory(value + " qn", kShortLimit);
    }
  }
  CreateRecord(edition);
  return RuleOutcome::Clear;
}

RuleOutcome PdfsamBasic() {
  bool inUse = false;
  ConnectWmiNamespace();
  std::u16string commandLine;
  GetValuesUsingWMIQuery(commandLine);
  if (commandLine.find(u"pdfsam-community") != std::u16string::npos) {
    inUse = true;
    WriteStandardOutput("Pdfsam Running");
  } else {
    WriteStandardOutput("Pdfsam not Running");
  }
  if (CheckRunningProcess("pdfsam.exe") == 0) inUse = true;
  WriteStandardOutput("before closing wmi");
  ReleaseWmiConnection();
  WriteStandardOutput("closed wmi");
  return inUse ? RuleOutcome::InUse : RuleOutcome::Clear;
}

RuleOutcome AuslogicsDiskDefrag() {
  if (ClearRequested()) return DeleteRecord(), RuleOutcome::Clear;
  if (CheckRunningProcess("DiskDefrag.exe") == 0) {
    LogInfo("DiskDefrag is already running.\n");
    return RuleOutcome::Blocked;
  }
  LogInfo("DiskDefrag is not running.Going to uninstall.\n");
  std::optional<std::string> command;
  const uint32_t rc = ReadRegSZ(platform::RegRoot::LocalMachine,
                                (kUninstallKey + "{DF6A13C0-77DF-41FE-BD05-6D5201EB0CE7}_is1").c_str(),
                                "QuietUninstallString", command);
  if (rc != 0 || !command) {
    LogInfo("Reading from registry failed with error %d.\n", static_cast<int>(rc));
    return RuleOutcome::Clear;
  }
  LogInfo("The uninstall string is %s", command->c_str());
  LogInfo("The return value is %d", ExecuteInSystemDirectory(*command, kLongLimit).result);
  CreateRecord();
  return RuleOutcome::Clear;
}

// Products without a rule of their own: the agent steers everything through -k, -e and -c.
RuleOutcome Generic() {
  RunSettings &s = gv_runSettings;
  if (!s.RegKeyPath.empty() && !s.RegKeyValueName.empty()) {
    if (!CheckListOfExe(false)) return RuleOutcome::Blocked;
    LogInfo("%s is not running.Going to uninstall.\n", s.productName.value_or("").c_str());
    UninstallByRegistryValue();
    return RuleOutcome::Clear;
  }
  if (!s.listOfExe.empty()) return CheckListOfExe(true) ? RuleOutcome::Clear : RuleOutcome::Blocked;
  if (ClearRequested()) {
    DeleteAppDetectionKey();
    LogDebug("Successfully removed the appdetection.\n");
  }
  return RuleOutcome::Clear;
}

// ---- the table -------------------------------------------------------------------------

// A rule either checks a fixed list of executables (exes) or runs its own steps (action).
struct Rule {
  const char *key;
  const char *exes[7];  // up to six names, then a null entry
  RuleOutcome (*action)();
};

// In the order of the rule numbers 1 to 83; keys differ without regard to case.
const Rule kRules[] = {
    {"notepad++", {"notepad++.exe"}, nullptr},
    {"cdbxp", {"cdbxpp.exe"}, nullptr},
    {"libreoffice", {"soffice.bin"}, nullptr},
    {"openoffice", {"soffice.bin", "soffice.exe"}, nullptr},
    {"ccleaner", {"ccleaner.exe", "ccleaner64.exe"}, nullptr},
    {"winrar", {"winrar.exe"}, nullptr},
    {"vlc", {"vlc.exe"}, nullptr},
    {"pdfcreator", {"pdfcreator.exe"}, nullptr},
    {"pdfarchitect", {"pdf architect.exe"}, nullptr},
    {"foxitreader", {"foxit reader.exe"}, nullptr},
    {"opera", {"opera.exe"}, nullptr},
    {"seamonkey", {"seamonkey.exe"}, nullptr},
    {"7zip", {"7z.exe", "7zFM.exe", "7zG.exe"}, nullptr},
    {"allwaysync", {"syncappw.exe"}, nullptr},
    {"tortoise", {}, Tortoise},
    {"wireshark", {"wireshark.exe"}, nullptr},
    {"irfanview", {"i_view32.exe"}, nullptr},
    {"gimp", {"gimp-2.8.exe", "gimp-2.6.exe"}, nullptr},
    {"mozypro", {"mozyconf.exe", "MozyEnterpriseconf.exe", "mozyproconf.exe"}, nullptr},
    {"teamviewer", {"teamviewer.exe"}, nullptr},
    {"filezilla", {"filezilla.exe"}, nullptr},
    {"googleearth", {"googleearth.exe"}, nullptr},
    {"vmplayer", {"vmplayer.exe"}, nullptr},
    {"Audacity", {"Audacity.exe"}, nullptr},
    {"XMind", {"XMind.exe"}, nullptr},
    {"WinSCP", {"WinSCP.exe", "WinSCP3.exe"}, nullptr},
    {"coreftp", {"coreftp.exe"}, nullptr},
    {"Receiver", {"Receiver.exe"}, nullptr},
    {"STPViewer", {"STPViewer.exe"}, nullptr},
    {"WinMergeU", {"WinMergeU.exe"}, nullptr},
    {"hipchat", {}, HipChat},
    {"Evernote", {"Evernote.exe"}, nullptr},
    {"PDFXEdit", {"PDFXEdit.exe"}, nullptr},
    {"Bandizip", {"Bandizip64.exe", "Bandizip32.exe"}, nullptr},
    {"xnview", {"xnview.exe"}, nullptr},
    {"PDFXCview32", {}, PdfXChangeViewer},
    {"PDFXCview64", {}, PdfXChangeViewer},
    {"skype", {}, Skype},
    {"GeoGebra", {}, GeoGebra},
    {"DVDFab10", {}, DvdFab10},
    {"poedit", {"Poedit.exe"}, nullptr},
    {"greenshot", {"Greenshot.exe"}, nullptr},
    {"peazip", {"Peazip.exe"}, nullptr},
    {"Recuva", {"Recuva.exe", "Recuva64.exe"}, nullptr},
    {"keePass", {"KeePass.exe"}, nullptr},
    {"AIMP3", {"AIMP3.exe"}, nullptr},
    {"TreeSizeFree", {"TreeSizeFree.exe"}, nullptr},
    {"activepython2", {"python.exe", "python2.7.exe", "python2.exe"}, nullptr},
    {"activepython3", {"python.exe", "python3.exe", "python3.4.exe"}, nullptr},
    {"FSViewer", {"FSViewer.exe"}, nullptr},
    {"ZimbraDesktop", {"zdesktop.exe", "zdclient.exe"}, nullptr},
    {"Honeycam", {"Honeycam.exe"}, nullptr},
    {"XnConvert", {"xnconvert.exe"}, nullptr},
    {"Honeyview", {"Honeyview.exe"}, nullptr},
    {"Bandicam", {"bdcam.exe"}, nullptr},
    {"hamachi", {"hamachi-2-ui.exe"}, nullptr},
    {"Flashget", {"Flashget3.exe"}, nullptr},
    {"WiseCare", {"WiseCare365.exe", "WiseTray.exe"}, nullptr},
    {"SumatraPDF", {"SumatraPDF.exe"}, nullptr},
    {"PDF24Creator",
     {"pdf24.exe", "pdf24-Editor.exe", "pdf24-Assistant.exe", "pdf24-DocTool.exe",
      "pdf24-SettingsUITool.exe", "pdf24-Updater.exe"},
     nullptr},
    {"AdvancedInstaller", {}, AdvancedInstaller},
    {"AuslogicsRegistryCleaner", {"RegistryCleaner.exe"}, nullptr},
    {"WiseRegistryCleaner", {"WiseRegCleaner.exe"}, nullptr},
    {"Fiddler", {"Fiddler.exe"}, nullptr},
    {"BoxSync", {"BoxSync.exe", "BoxSyncMonitor.exe", "SyncUpdaterService.exe", "SyncRestarter.exe"},
     nullptr},
    {"Trillian", {"Trillian.exe"}, nullptr},
    {"winamp", {"winamp.exe"}, nullptr},
    {"inkscape", {}, Inkscape},
    {"WiseFolderHider", {"WiseFolderHider.exe"}, nullptr},
    {"chrome", {"chrome.exe"}, nullptr},
    {"AuslogicsDuplicateFileFinder", {"DuplicateFileFinder.exe"}, nullptr},
    {"AuslogicsBrowserCare", {"BrowserCare.exe"}, nullptr},
    {"RealVNC", {"vncviewer.exe", "vncserver.exe"}, nullptr},
    {"Pidgin", {"pidgin.exe"}, nullptr},
    {"GoodSync", {"GoodSync.exe", "Gs-Server.exe"}, nullptr},
    {"grepWin", {"grepWin.exe"}, nullptr},
    {"FrostWire", {"FrostWire.exe"}, nullptr},
    {"VmwareHorizonClient", {"vmware-view.exe"}, nullptr},
    {"Zoom", {"Zoom.exe"}, nullptr},
    {"IZArc", {"IZArc.exe", "explorer.exe"}, nullptr},
    {"PDFsamBasic", {}, PdfsamBasic},
    {"Defraggler", {"Defraggler.exe", "Defraggler64.exe"}, nullptr},
    {"CollageIt", {"CollageIt.exe"}, nullptr},
    {"AuslogicsDiskDefrag", {}, AuslogicsDiskDefrag},
};

}  // namespace

RuleOutcome DispatchProduct(RunSettings &settings) {
  const char *productName = settings.productName ? settings.productName->c_str() : "";
  for (const Rule &rule : kRules) {
    if (!EqualsIgnoringAsciiCase(rule.key, productName)) continue;
    if (rule.action) return rule.action();
    return CheckList(rule.exes) ? RuleOutcome::Clear : RuleOutcome::Blocked;
  }
  return Generic();
}

}  // namespace ovr
