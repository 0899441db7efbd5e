// The product rules as the agent meets them: real product programs, stand-in uninstallers
// on PATH that record their arguments, a registry file before and after, the exit code,
// the log and standard output.
#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

#include "tests/e2e/handler_scene.h"

namespace ovr::testing {
namespace {

constexpr int kPostponed = 20001 % 256;  // a Linux parent sees the exit status modulo 256

const std::string kHklm = "HKEY_LOCAL_MACHINE\\";
const std::string kAgentKey = kHklm + "SOFTWARE\\Wow6432Node\\Velmora\\Orvanta\\OVAgent";
const std::string kRecords = kAgentKey + "\\AppDetection\\";
const std::string kUninstall32 = kHklm + "SOFTWARE\\Wow6432Node\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";
const std::string kUninstall64 = kHklm + "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";
const std::string kAgent = "[" + kAgentKey + "]\n\"OVAgentInstallDir\"=\"C:\\\\Agent\"\n\n";

std::string Key(const std::string &path, const std::string &values = "") {
  return "[" + path + "]\n" + values + "\n";
}

bool Contains(const std::string &text, const std::string &part) {
  return text.find(part) != std::string::npos;
}

size_t Count(const std::string &text, const std::string &part) {
  size_t n = 0;
  for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++n;
  return n;
}

// The executables a run offered to termination, in order.
std::vector<std::string> KillRequests(const std::string &log) {
  std::vector<std::string> names;
  const std::string label = "[DEBUG] Process name to kill : ";
  for (size_t at = log.find(label); at != std::string::npos; at = log.find(label, at + 1)) {
    const size_t start = at + label.size();
    names.push_back(log.substr(start, log.find('\n', start) - start));
  }
  return names;
}

std::string Upper(std::string s) {
  for (char &c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return s;
}

// ---- every rule key --------------------------------------------------------------------

struct RuleKey {
  const char *key;
  std::vector<std::string> exes;  // what the rule examines, in order
  int exitCode = 0;               // with nothing to uninstall
};

// Failure messages name the rule rather than dumping the struct's bytes.
void PrintTo(const RuleKey &rule, std::ostream *os) {
  *os << rule.key;
}

class EveryRuleKey : public ::testing::TestWithParam<RuleKey> {};

// With all of a rule's executables running just after system start, the rule offers each
// of them to termination in its order, and nothing else; its key matches in any case.
TEST_P(EveryRuleKey, ExaminesItsExecutables) {
  const RuleKey &rule = GetParam();
  HandlerScene scene;
  scene.SetRegistry(kAgent);
  scene.AddStandIn("MsiExec.exe", 0);
  std::vector<size_t> apps;
  for (const std::string &exe : rule.exes) apps.push_back(scene.AddProduct(exe));
  const size_t bystander = scene.AddProduct("bystander.exe");

  for (const std::string &spelling : {std::string(rule.key), Upper(rule.key)}) {
    SCOPED_TRACE(spelling);
    const HandlerScene::Outcome out = scene.Run({"-n", spelling});
    EXPECT_EQ(out.exitCode, rule.exitCode);
    EXPECT_EQ(KillRequests(out.log), rule.exes) << out.log;
    for (size_t app : apps) EXPECT_FALSE(out.alive.at(app));
    EXPECT_TRUE(out.alive.at(bystander));
  }
}

INSTANTIATE_TEST_SUITE_P(
    Rules, EveryRuleKey,
    ::testing::Values(
        RuleKey{"notepad++", {"notepad++.exe"}}, RuleKey{"cdbxp", {"cdbxpp.exe"}},
        RuleKey{"libreoffice", {"soffice.bin"}},
        RuleKey{"openoffice", {"soffice.bin", "soffice.exe"}},
        RuleKey{"ccleaner", {"ccleaner.exe", "ccleaner64.exe"}}, RuleKey{"winrar", {"winrar.exe"}},
        RuleKey{"vlc", {"vlc.exe"}}, RuleKey{"pdfcreator", {"pdfcreator.exe"}},
        RuleKey{"pdfarchitect", {"pdf architect.exe"}},
        RuleKey{"foxitreader", {"foxit reader.exe"}}, RuleKey{"opera", {"opera.exe"}},
        RuleKey{"seamonkey", {"seamonkey.exe"}}, RuleKey{"7zip", {"7z.exe", "7zFM.exe", "7zG.exe"}},
        RuleKey{"allwaysync", {"syncappw.exe"}}, RuleKey{"tortoise", {"TortoiseProc.exe"}},
        RuleKey{"wireshark", {"wireshark.exe"}}, RuleKey{"irfanview", {"i_view32.exe"}},
        RuleKey{"gimp", {"gimp-2.8.exe", "gimp-2.6.exe"}},
        RuleKey{"mozypro", {"mozyconf.exe", "MozyEnterpriseconf.exe", "mozyproconf.exe"}},
        RuleKey{"teamviewer", {"teamviewer.exe"}}, RuleKey{"filezilla", {"filezilla.exe"}},
        RuleKey{"googleearth", {"googleearth.exe"}}, RuleKey{"vmplayer", {"vmplayer.exe"}},
        RuleKey{"Audacity", {"Audacity.exe"}}, RuleKey{"XMind", {"XMind.exe"}},
        RuleKey{"WinSCP", {"WinSCP.exe", "WinSCP3.exe"}}, RuleKey{"coreftp", {"coreftp.exe"}},
        RuleKey{"Receiver", {"Receiver.exe"}}, RuleKey{"STPViewer", {"STPViewer.exe"}},
        RuleKey{"WinMergeU", {"WinMergeU.exe"}}, RuleKey{"hipchat", {"hipchat.exe"}},
        RuleKey{"Evernote", {"Evernote.exe"}}, RuleKey{"PDFXEdit", {"PDFXEdit.exe"}},
        RuleKey{"Bandizip", {"Bandizip64.exe", "Bandizip32.exe"}}, RuleKey{"xnview", {"xnview.exe"}},
        RuleKey{"PDFXCview32", {"PDFXCview.exe"}}, RuleKey{"PDFXCview64", {"PDFXCview.exe"}},
        RuleKey{"skype", {"skype.exe"}}, RuleKey{"GeoGebra", {}}, RuleKey{"DVDFab10", {}, 1},
        RuleKey{"poedit", {"Poedit.exe"}}, RuleKey{"greenshot", {"Greenshot.exe"}},
        RuleKey{"peazip", {"Peazip.exe"}}, RuleKey{"Recuva", {"Recuva.exe", "Recuva64.exe"}},
        RuleKey{"keePass", {"KeePass.exe"}}, RuleKey{"AIMP3", {"AIMP3.exe"}},
        RuleKey{"TreeSizeFree", {"TreeSizeFree.exe"}},
        RuleKey{"activepython2", {"python.exe", "python2.7.exe", "python2.exe"}},
        RuleKey{"activepython3", {"python.exe", "python3.exe", "python3.4.exe"}},
        RuleKey{"FSViewer", {"FSViewer.exe"}},
        RuleKey{"ZimbraDesktop", {"zdesktop.exe", "zdclient.exe"}},
        RuleKey{"Honeycam", {"Honeycam.exe"}}, RuleKey{"XnConvert", {"xnconvert.exe"}},
        RuleKey{"Honeyview", {"Honeyview.exe"}}, RuleKey{"Bandicam", {"bdcam.exe"}},
        RuleKey{"hamachi", {"hamachi-2-ui.exe"}}, RuleKey{"Flashget", {"Flashget3.exe"}},
        RuleKey{"WiseCare", {"WiseCare365.exe", "WiseTray.exe"}},
        RuleKey{"SumatraPDF", {"SumatraPDF.exe"}},
        RuleKey{"PDF24Creator",
                {"pdf24.exe", "pdf24-Editor.exe", "pdf24-Assistant.exe", "pdf24-DocTool.exe",
                 "pdf24-SettingsUITool.exe", "pdf24-Updater.exe"}},
        RuleKey{"AdvancedInstaller", {"advinst.exe"}},
        RuleKey{"AuslogicsRegistryCleaner", {"RegistryCleaner.exe"}},
        RuleKey{"WiseRegistryCleaner", {"WiseRegCleaner.exe"}}, RuleKey{"Fiddler", {"Fiddler.exe"}},
        RuleKey{"BoxSync",
                {"BoxSync.exe", "BoxSyncMonitor.exe", "SyncUpdaterService.exe", "SyncRestarter.exe"}},
        RuleKey{"Trillian", {"Trillian.exe"}}, RuleKey{"winamp", {"winamp.exe"}},
        RuleKey{"inkscape", {"inkscape.exe"}}, RuleKey{"WiseFolderHider", {"WiseFolderHider.exe"}},
        RuleKey{"chrome", {"chrome.exe"}},
        RuleKey{"AuslogicsDuplicateFileFinder", {"DuplicateFileFinder.exe"}},
        RuleKey{"AuslogicsBrowserCare", {"BrowserCare.exe"}},
        RuleKey{"RealVNC", {"vncviewer.exe", "vncserver.exe"}}, RuleKey{"Pidgin", {"pidgin.exe"}},
        RuleKey{"GoodSync", {"GoodSync.exe", "Gs-Server.exe"}}, RuleKey{"grepWin", {"grepWin.exe"}},
        RuleKey{"FrostWire", {"FrostWire.exe"}},
        RuleKey{"VmwareHorizonClient", {"vmware-view.exe"}}, RuleKey{"Zoom", {"Zoom.exe"}},
        RuleKey{"PDFsamBasic", {"pdfsam.exe"}}, RuleKey{"IZArc", {"IZArc.exe", "explorer.exe"}},
        RuleKey{"Defraggler", {"Defraggler.exe", "Defraggler64.exe"}},
        RuleKey{"CollageIt", {"CollageIt.exe"}},
        RuleKey{"AuslogicsDiskDefrag", {"DiskDefrag.exe"}}),
    [](const ::testing::TestParamInfo<RuleKey> &info) {
      std::string name;
      for (char c : std::string(info.param.key)) name += std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
      return name;
    });

// A name that only resembles a key takes the generic rule.
TEST(ProductRules, NearKeysTakeTheGenericRule) {
  HandlerScene scene;
  scene.SetRegistry(kAgent);
  scene.AddStandIn("MsiExec.exe", 0);
  const size_t app = scene.AddProduct("skype.exe");
  for (const char *name : {"Skype5", "skyp", "skype "}) {
    SCOPED_TRACE(name);
    const HandlerScene::Outcome out = scene.Run({"-n", name}, kTwoHoursUp);
    EXPECT_EQ(out.exitCode, 0);
    EXPECT_TRUE(out.calls.empty());
    EXPECT_TRUE(out.alive.at(app));
  }
}

// ---- skype -----------------------------------------------------------------------------

TEST(ProductRules, SkypeUninstallsEveryEditionAndCreatesTheRecord) {
  HandlerScene scene;
  scene.SetRegistry(kAgent);
  // A Linux exit status has 8 bits: 3010 and 1603 cannot come from a real process here (the
  // launcher's handling of them is tested on the platform double).
  scene.AddStandIn("MsiExec.exe", 0, {{"*24991BA0*", 67}, {"*1845470B*", 1}});
  const HandlerScene::Outcome out = scene.Run({"-n", "SKYPE"});
  EXPECT_EQ(out.exitCode, 0);
  EXPECT_EQ(out.calls, (std::vector<std::string>{
                           "MsiExec.exe|/X{4E76FF7E-AEBA-4C87-B788-CD47E5425B9D} /qn",
                           "MsiExec.exe|/X{7A3C7E05-EE37-47D6-99E1-2EB05A3DA3F7} /qn",
                           "MsiExec.exe|/X{24991BA0-F0EE-44AD-9CC8-5EC50AECF6B7} /qn",
                           "MsiExec.exe|/X{6A0549A9-1B96-498C-ACBC-3943001FEB19} /qn",
                           "MsiExec.exe|/X{FC965A47-4839-40CA-B618-18F486F042C6} /qn",
                           "MsiExec.exe|/X{3B7E914A-93D5-4A29-92BB-AF8C3F66C431} /qn",
                           "MsiExec.exe|/X{1845470B-EB14-4ABC-835B-E36C693DC07D} /qn",
                       }));
  EXPECT_TRUE(Contains(out.log, "[INFO] Execution status for Skype 5 Uninstallation : 0 and remarks : "
                                "The operation completed successfully.\n"))
      << out.log;
  EXPECT_TRUE(Contains(out.log, "[INFO] Execution status for Skype 6 Uninstallation : 0 and remarks : "));
  EXPECT_TRUE(Contains(out.log, "[INFO] Execution status for Skype 7 Uninstallation : 67 and remarks : "));
  EXPECT_EQ(Count(out.log, "[INFO] Execution status for Skype 7.8 Uninstallation : 0 and remarks : "), 3u);
  EXPECT_TRUE(Contains(out.log, "[INFO] Execution status for Skype 7.33 Uninstallation : 1 and remarks : "));
  EXPECT_TRUE(Contains(out.log, "[INFO] addRegistryKey: Inside addRegistryKey method ...... \n"
                                "[INFO] RegCreateKeyEx: returns : 0\n"));
  // The record keeps the name's case as given.
  EXPECT_TRUE(Contains(out.registry, "[" + kRecords + "SKYPE]")) << out.registry;
}

TEST(ProductRules, SkypeWithClearOnlyDeletesTheRecord) {
  HandlerScene scene;
  scene.SetRegistry(RegFixture("agent.reg"));
  scene.AddStandIn("MsiExec.exe", 0);
  const size_t app = scene.AddProduct("skype.exe");
  ASSERT_TRUE(RegText(scene.RegistryText()).HasKey(kRecords + "skype"));

  const HandlerScene::Outcome out = scene.Run({"-n", "skype", "-c", "1"}, kTwoHoursUp);
  EXPECT_EQ(out.exitCode, 0);
  EXPECT_TRUE(out.calls.empty());
  EXPECT_TRUE(out.alive.at(app)) << "nothing is examined";
  const RegText reg(out.registry);
  EXPECT_FALSE(reg.HasKey(kRecords + "skype"));
  EXPECT_TRUE(reg.HasKey(kAgentKey + "\\AppDetection"));
  // The rest of the real export survives the rewrite.
  EXPECT_EQ(reg.Value(kAgentKey + "\\Settings", "Big"), "hex(b):00,00,00,00,01,00,00,00");
  EXPECT_FALSE(Contains(out.log, "addRegistryKey"));
}

// ---- hipchat and AdvancedInstaller (uninstall by display name) -------------------------

TEST(ProductRules, HipChatUninstallsEveryMatchingEntry) {
  HandlerScene scene;
  scene.SetRegistry(kAgent + RegFixture("uninstall.reg") +
                    Key(kUninstall32 + "HipChat4",
                        "\"DisplayName\"=\"HIPCHAT\"\n\"QuietUninstallString\"=\"hipquiet.exe /silent\"\n"
                        "\"UninstallString\"=\"never-used.exe\"\n") +
                    Key(kUninstall32 + "HipChatBeta",
                        "\"DisplayName\"=\"HipChat Beta\"\n\"QuietUninstallString\"=\"beta.exe\"\n") +
                    Key(kUninstall32 + "NoCommand", "\"DisplayName\"=\"hipchat\"\n"));
  scene.AddStandIn("MsiExec.exe", 67);
  scene.AddStandIn("hipquiet.exe", 0);
  scene.AddStandIn("beta.exe", 0);

  const HandlerScene::Outcome out = scene.Run({"-n", "hipchat"});
  EXPECT_EQ(out.exitCode, 0);
  EXPECT_EQ(out.calls, (std::vector<std::string>{
                           "MsiExec.exe|/X{12345678-1234-1234-1234-123456789012} /qn /norestart ALLUSERS=1",
                           "hipquiet.exe|/silent",
                       }));
  const RegText reg(out.registry);
  EXPECT_FALSE(reg.HasKey(kUninstall32 + "HipChat")) << "deleted although its uninstaller failed";
  EXPECT_FALSE(reg.HasKey(kUninstall32 + "HipChat4"));
  EXPECT_TRUE(reg.HasKey(kUninstall32 + "HipChatBeta"));
  EXPECT_TRUE(reg.HasKey(kUninstall32 + "NoCommand"));
  EXPECT_TRUE(reg.HasKey(kRecords + "hipchat"));
  EXPECT_EQ(Count(out.log, "[INFO] RegCreateKeyEx: returns : 0\n"), 2u);
  EXPECT_TRUE(Contains(out.log, "[INFO] The return value is 67"));
  EXPECT_TRUE(Contains(out.log, "[DEBUG] Subkey Name:{DF6A13C0-77DF-41FE-BD05-6D5201EB0CE7}_is1\n"));
  EXPECT_TRUE(Contains(out.log, "[DEBUG] Subkey Name:Ünïcödé\n")) << out.log;
}

TEST(ProductRules, AdvancedInstallerUninstallsByProductCode) {
  HandlerScene scene;
  scene.SetRegistry(
      kAgent +
      Key(kUninstall32 + "{11111111-AAAA-4AAA-8AAA-111111111111}",
          "\"DisplayName\"=\"Advanced Installer 15.2\"\n\"UninstallString\"=\"MsiExec.exe /I{x}\"\n") +
      Key(kUninstall32 + "{22222222-BBBB-4BBB-8BBB-222222222222}",
          "\"DisplayName\"=\"advanced installer 14\"\n\"UninstallString\"=\"MsiExec.exe /I{y}\"\n") +
      Key(kUninstall32 + "{33333333-CCCC-4CCC-8CCC-333333333333}",
          "\"DisplayName\"=\"Caphyon Advanced Installer 16\"\n\"QuietUninstallString\"=\"q.exe\"\n"));
  scene.AddStandIn("MsiExec.exe", 0);
  const HandlerScene::Outcome out = scene.Run({"-n", "AdvancedInstaller"});
  EXPECT_EQ(out.exitCode, 0);
  EXPECT_EQ(out.calls, (std::vector<std::string>{
                           "MsiExec.exe|/X{11111111-AAAA-4AAA-8AAA-111111111111} /qn /norestart"}));
  const RegText reg(out.registry);
  EXPECT_FALSE(reg.HasKey(kUninstall32 + "{11111111-AAAA-4AAA-8AAA-111111111111}"));
  EXPECT_TRUE(reg.HasKey(kUninstall32 + "{22222222-BBBB-4BBB-8BBB-222222222222}"));
  EXPECT_TRUE(reg.HasKey(kUninstall32 + "{33333333-CCCC-4CCC-8CCC-333333333333}"));
  EXPECT_TRUE(reg.HasKey(kRecords + "AdvancedInstaller"));
}

// ---- inkscape --------------------------------------------------------------------------

TEST(ProductRules, InkscapeEditions) {
  const std::string msiKey = "{81922150-317E-4BB0-A31D-FF1C14F707C5}";
  const std::string entries = Key(kUninstall32 + msiKey, "\"UninstallString\"=\"MsiExec.exe /I" + msiKey + "\"\n") +
                              Key(kUninstall32 + "Inkscape", "\"UninstallString\"=\"inkuninst.exe\"\n");
  {
    SCOPED_TRACE("32-bit edition");
    HandlerScene scene;
    scene.SetRegistry(kAgent + entries);
    scene.AddStandIn("MsiExec.exe", 0);
    scene.AddStandIn("inkuninst.exe", 0);
    const HandlerScene::Outcome out = scene.Run({"-n", "inkscape", "-x", "32"});
    EXPECT_EQ(out.exitCode, 0);
    EXPECT_EQ(out.calls, (std::vector<std::string>{"MsiExec.exe|/X" + msiKey + " /qn /norestart",
                                                   "inkuninst.exe|/S"}));
    EXPECT_TRUE(Contains(out.log, "[INFO] Inside the product inkscape[INFO] Inside the 32 bit hive.\n"
                                  "[INFO] systemDirectory:"))
        << out.log;
    EXPECT_TRUE(Contains(out.log, "[INFO] Inside msi uninstallation.\n"));
    EXPECT_TRUE(Contains(out.log, "[INFO] Inside exe uninstallation.inkuninst.exe /S is the "
                                  "uninstallation string\n"));
    const RegText reg(out.registry);
    EXPECT_TRUE(reg.HasKey(kRecords + "inkscape_32"));
    EXPECT_FALSE(reg.HasKey(kRecords + "inkscape_64"));
  }
  {
    SCOPED_TRACE("64-bit edition without the MSI entry");
    HandlerScene scene;
    scene.SetRegistry(kAgent + Key(kUninstall32 + "Inkscape", "\"UninstallString\"=\"inkuninst.exe\"\n") +
                      Key(kRecords + "inkscape_32"));
    scene.AddStandIn("inkuninst.exe", 0);
    HandlerScene::Outcome out = scene.Run({"-n", "inkscape", "-x", "64"});
    EXPECT_EQ(out.exitCode, 0);
    EXPECT_EQ(out.calls, (std::vector<std::string>{"inkuninst.exe|qn"}));
    EXPECT_TRUE(RegText(out.registry).HasKey(kRecords + "inkscape_64"));

    // -c with -x 64 deletes only the 64-bit edition's record.
    out = scene.Run({"-n", "inkscape", "-x", "64", "-c", "1"});
    EXPECT_EQ(out.exitCode, 0);
    EXPECT_TRUE(out.calls.empty());
    const RegText reg(out.registry);
    EXPECT_FALSE(reg.HasKey(kRecords + "inkscape_64"));
    EXPECT_TRUE(reg.HasKey(kRecords + "inkscape_32"));
  }
  {
    SCOPED_TRACE("running outside the window");
    HandlerScene scene;
    scene.SetRegistry(kAgent + entries);
    scene.AddStandIn("MsiExec.exe", 0);
    const size_t app = scene.AddProduct("inkscape.exe");
    const HandlerScene::Outcome out = scene.Run({"-n", "Inkscape", "-x", "32"}, kTwoHoursUp);
    EXPECT_EQ(out.exitCode, kPostponed);
    EXPECT_TRUE(out.alive.at(app));
    EXPECT_TRUE(out.calls.empty());
    EXPECT_TRUE(Contains(out.log, "[INFO] inkscape already running.\n"));
  }
}

// ---- DVDFab10 --------------------------------------------------------------------------

TEST(ProductRules, DvdFab10NeedsAQuietUninstallString) {
  const std::string first = Key(kUninstall32 + "DVDFab 10", "\"QuietUninstallString\"=\"fab.exe /first\"\n");
  const std::string second = Key(kUninstall32 + "DVDFab 10_is1", "\"QuietUninstallString\"=\"fab.exe /second\"\n");
  struct Case {
    const char *name;
    std::string entries;
    int exitCode;
    std::vector<std::string> calls;
  };
  const Case cases[] = {
      {"none", Key(kUninstall32 + "DVDFab 10", "\"UninstallString\"=\"fab.exe /loud\"\n"), 1, {}},
      {"first", first, 0, {"fab.exe|/first"}},
      {"second", second, 0, {"fab.exe|/second"}},
      {"both", first + second, 0, {"fab.exe|/first", "fab.exe|/second"}},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.name);
    HandlerScene scene;
    scene.SetRegistry(kAgent + kHibernation + c.entries);
    scene.AddStandIn("fab.exe", 0);
    const HandlerScene::Outcome out = scene.Run({"-n", "dvdfab10"});
    EXPECT_EQ(out.exitCode, c.exitCode);
    EXPECT_EQ(out.calls, c.calls);
    EXPECT_EQ(RegText(out.registry).Value(kHiberbootKey, "HiberbootEnabled"), "")
        << "only a postponed run switches Fast Startup off";
    EXPECT_EQ(Count(out.log, "[INFO] Execution status for DVDFab10 Uninstallation : 0 and remarks : "),
              c.calls.size());
    EXPECT_FALSE(Contains(out.registry, "AppDetection\\dvdfab10"));
  }
}

// ---- AuslogicsDiskDefrag ---------------------------------------------------------------

TEST(ProductRules, AuslogicsDiskDefrag) {
  {
    SCOPED_TRACE("the real export's entry: its program is not on this machine");
    HandlerScene scene;
    scene.SetRegistry(kAgent + RegFixture("uninstall.reg"));
    const HandlerScene::Outcome out = scene.Run({"-n", "AuslogicsDiskDefrag"});
    EXPECT_EQ(out.exitCode, 0);
    EXPECT_TRUE(Contains(out.log, "[INFO] DiskDefrag is not running.Going to uninstall.\n"
                                  "[INFO] The uninstall string is \"C:\\Program Files (x86)\\Auslogics\\"
                                  "Disk Defrag\\unins000.exe\" /VERYSILENT"))
        << out.log;
    EXPECT_TRUE(Contains(out.log, "[INFO] The return value is 2"));
    EXPECT_TRUE(RegText(out.registry).HasKey(kRecords + "AuslogicsDiskDefrag"));
  }
  {
    SCOPED_TRACE("a stand-in uninstaller named by its quoted path");
    HandlerScene scene;
    scene.AddStandIn("unins000.exe", 0);
    scene.SetRegistry(kAgent + Key(kUninstall32 + "{DF6A13C0-77DF-41FE-BD05-6D5201EB0CE7}_is1",
                                   "\"QuietUninstallString\"=" +
                                       RegString("\"" + scene.Path("bin/unins000.exe") + "\" /VERYSILENT") +
                                       "\n"));
    const size_t app = scene.AddProduct("DiskDefrag.exe");
    HandlerScene::Outcome out = scene.Run({"-n", "AuslogicsDiskDefrag"}, kTwoHoursUp);
    EXPECT_EQ(out.exitCode, kPostponed);
    EXPECT_TRUE(out.alive.at(app));
    EXPECT_TRUE(Contains(out.log, "[INFO] DiskDefrag is already running.\n"));
    EXPECT_TRUE(out.calls.empty());

    out = scene.Run({"-n", "AuslogicsDiskDefrag"}, kJustStarted);
    EXPECT_EQ(out.exitCode, 0);
    EXPECT_FALSE(out.alive.at(app));
    EXPECT_EQ(out.calls, (std::vector<std::string>{"unins000.exe|/VERYSILENT"}));
    EXPECT_TRUE(Contains(out.log, "[INFO] The return value is 0"));
  }
  {
    SCOPED_TRACE("no entry");
    HandlerScene scene;
    scene.SetRegistry(kAgent);
    const HandlerScene::Outcome out = scene.Run({"-n", "AuslogicsDiskDefrag"});
    EXPECT_EQ(out.exitCode, 0);
    EXPECT_TRUE(Contains(out.log, "[INFO] Reading from registry failed with error 2.\n")) << out.log;
    EXPECT_FALSE(Contains(out.registry, "AppDetection\\AuslogicsDiskDefrag"));
  }
}

// ---- PDFsamBasic -----------------------------------------------------------------------

TEST(ProductRules, PdfsamBasicLooksAtCommandLines) {
  HandlerScene scene;
  scene.SetRegistry(kAgent + kHibernation);
  const size_t java = scene.AddProduct("javaw.exe", {"-jar", "pdfsam-community-4.3.jar"});

  HandlerScene::Outcome out = scene.Run({"-n", "PDFsamBasic"}, kJustStarted);
  EXPECT_EQ(out.exitCode, kPostponed) << "in use even inside the force-kill window";
  EXPECT_EQ(RegText(out.registry).Value(kHiberbootKey, "HiberbootEnabled"), "dword:00000000")
      << "in use switches Fast Startup off as blocked does";
  EXPECT_TRUE(out.alive.at(java)) << "never terminated";
  EXPECT_EQ(out.standardOutput, "Pdfsam Runningbefore closing wmiclosed wmi");
  EXPECT_TRUE(Contains(out.log, "[INFO] GetValuesUsingWMIQuery : The required Value is given by: " +
                                    scene.AppsDir() + "/javaw.exe -jar pdfsam-community-4.3.jar\n"))
      << out.log;

  HandlerScene quiet;
  quiet.SetRegistry(kAgent);
  const size_t pdfsam = quiet.AddProduct("pdfsam.exe");
  out = quiet.Run({"-n", "pdfsambasic"}, kTwoHoursUp);
  EXPECT_EQ(out.exitCode, kPostponed);
  EXPECT_EQ(out.standardOutput, "Pdfsam not Runningbefore closing wmiclosed wmi");
  EXPECT_TRUE(out.alive.at(pdfsam));

  out = quiet.Run({"-n", "pdfsambasic"}, kJustStarted);
  EXPECT_EQ(out.exitCode, 0);
  EXPECT_FALSE(out.alive.at(pdfsam));
}

// ---- GeoGebra --------------------------------------------------------------------------

TEST(ProductRules, GeoGebraChecksTheAgentsExecutablesInOrder) {
  HandlerScene scene;
  scene.SetRegistry(kAgent);
  scene.AddStandIn("MsiExec.exe", 0);
  const size_t b = scene.AddProduct("b.exe");
  HandlerScene::Outcome out = scene.Run({"-n", "GeoGebra", "-e", "a.exe", "-e", "b.exe"}, kTwoHoursUp);
  EXPECT_EQ(out.exitCode, kPostponed);
  EXPECT_TRUE(out.calls.empty());
  EXPECT_TRUE(out.alive.at(b));
  EXPECT_TRUE(Contains(out.log, "[INFO] b.exe is running.Hence skipping installation.\n"));
  EXPECT_FALSE(Contains(out.log, "listOfExe"));

  out = scene.Run({"-n", "GeoGebra", "-e", "a.exe", "-e", "b.exe"}, kJustStarted);
  EXPECT_EQ(out.exitCode, 0);
  EXPECT_EQ(out.calls, (std::vector<std::string>{
                           "MsiExec.exe|/X{D44FFF47-306C-4198-9899-832C1DAA4566} /qn /norestart"}));
  EXPECT_FALSE(Contains(out.registry, "AppDetection"));
}

// ---- the generic rule ------------------------------------------------------------------

class GenericRule : public ::testing::Test {
 protected:
  GenericRule() {
    scene.AddStandIn("myuninst.exe", 0, {{"*fail*", 67}});
    command32 = RegString("\"" + scene.Path("bin/myuninst.exe") + "\" --purge x86");
    command64 = RegString("\"" + scene.Path("bin/myuninst.exe") + "\" --purge x64");
    scene.SetRegistry(kAgent + Key(kUninstall32 + "MyApp_is1", "\"UninstallString\"=" + command32 +
                                                                   "\n\"Size\"=dword:00000010\n") +
                      Key(kUninstall64 + "MyApp_is1", "\"UninstallString\"=" + command64 + "\n") +
                      Key(kRecords + "MyApp"));
  }
  HandlerScene scene;
  std::string command32, command64;
};

TEST_F(GenericRule, UninstallByRegistryValueWithSwitches) {
  const HandlerScene::Outcome out =
      scene.Run({"-n", "MyApp", "-k", "MyApp_is1\\UninstallString", "-s", "/S", "-s", "/norestart"});
  EXPECT_EQ(out.exitCode, 0);
  EXPECT_EQ(out.calls, (std::vector<std::string>{"myuninst.exe|--purge x86 /S /norestart"}));
  EXPECT_TRUE(Contains(out.log, "[INFO] MyApp is not running.Going to uninstall.\n"
                                "[INFO] The uninstall switch is /S /norestart [INFO] The uninstall string is \"" +
                                    scene.Path("bin/myuninst.exe") + "\" --purge x86 /S /norestart [INFO] "))
      << out.log;
  EXPECT_TRUE(Contains(out.log, "[INFO] The return value is 0[INFO] addRegistryKey: Inside addRegistryKey method"));
}

TEST_F(GenericRule, SixtyFourBitEditionReadsTheSixtyFourBitView) {
  const HandlerScene::Outcome out = scene.Run({"-n", "MyApp", "-k", "MyApp_is1\\UninstallString", "-x", "64"});
  EXPECT_EQ(out.calls, (std::vector<std::string>{"myuninst.exe|--purge x64"}));
}

TEST_F(GenericRule, UnreadableValueRunsNothing) {
  for (const char *value : {"MyApp_is1\\Size", "MyApp_is1\\Missing", "Nowhere\\UninstallString"}) {
    SCOPED_TRACE(value);
    HandlerScene::Outcome out = scene.Run({"-n", "Other", "-k", value});
    EXPECT_EQ(out.exitCode, 0);
    EXPECT_TRUE(out.calls.empty());
    EXPECT_TRUE(Contains(out.log, "[INFO] Reading from registry failed with error " +
                                      std::string(value == std::string("MyApp_is1\\Size") ? "13" : "2") + ".\n"))
        << out.log;
    EXPECT_FALSE(RegText(out.registry).HasKey(kRecords + "Other"));
  }
}

TEST_F(GenericRule, ResultsOfTheUninstaller) {
  for (const auto &[extra, result] : {std::pair{"ok", 0}, std::pair{"fail", 67}}) {
    const HandlerScene::Outcome out = scene.Run({"-n", "MyApp", "-k", "MyApp_is1\\UninstallString", "-s", extra});
    EXPECT_TRUE(Contains(out.log, "[INFO] The return value is " + std::to_string(result) + "[INFO] addRegistryKey"))
        << out.log;
    EXPECT_EQ(out.exitCode, 0);
  }
}

TEST_F(GenericRule, RunningExecutableBlocksTheUninstall) {
  const size_t app = scene.AddProduct("myapp.exe");
  const HandlerScene::Outcome out =
      scene.Run({"-n", "MyApp", "-k", "MyApp_is1\\UninstallString", "-e", "myapp.exe"}, kTwoHoursUp);
  EXPECT_EQ(out.exitCode, kPostponed);
  EXPECT_TRUE(out.alive.at(app));
  EXPECT_TRUE(out.calls.empty());
  EXPECT_TRUE(Contains(out.log, "[INFO] myapp.exe is running.Hence skipping installation.\n"));
}

TEST_F(GenericRule, ExecutablesOnly) {
  const size_t b = scene.AddProduct("b.exe");
  HandlerScene::Outcome out = scene.Run({"-n", "MyApp", "-e", "a.exe", "-e", "b.exe", "-e", "c.exe"}, kTwoHoursUp);
  EXPECT_EQ(out.exitCode, kPostponed);
  EXPECT_TRUE(Contains(out.log, "[INFO] a.exe listOfExe \n[INFO] b.exe listOfExe \n"));
  EXPECT_TRUE(Contains(out.log, "[INFO] b.exe is running.Hence skipping installation.\n"));
  EXPECT_FALSE(Contains(out.log, "c.exe listOfExe"));

  out = scene.Run({"-n", "MyApp", "-e", "a.exe", "-e", "b.exe", "-e", "c.exe", "-c", "1"}, kJustStarted);
  EXPECT_EQ(out.exitCode, 0);
  EXPECT_FALSE(out.alive.at(b));
  EXPECT_TRUE(Contains(out.log, "[INFO] c.exe listOfExe \n"));
  EXPECT_TRUE(RegText(out.registry).HasKey(kRecords + "MyApp")) << "-c is not reached when -e is given";
}

TEST_F(GenericRule, ClearDeletesTheRecord) {
  const HandlerScene::Outcome out = scene.Run({"-n", "MyApp", "-c", "1"});
  EXPECT_EQ(out.exitCode, 0);
  EXPECT_FALSE(RegText(out.registry).HasKey(kRecords + "MyApp"));
  EXPECT_TRUE(Contains(out.log, "[DEBUG] Key to delete:SOFTWARE\\Velmora\\Orvanta\\OVAgent\\AppDetection\\MyApp"
                                "[DEBUG] Successfully removed the appdetection.\n"))
      << out.log;
}

TEST_F(GenericRule, NothingToDo) {
  const std::string before = scene.RegistryText();
  const HandlerScene::Outcome out = scene.Run({"-n", "MyApp"});
  EXPECT_EQ(out.exitCode, 0);
  EXPECT_TRUE(out.calls.empty());
  EXPECT_EQ(out.registry, before);
}

TEST_F(GenericRule, UninstallWinsOverClear) {
  const HandlerScene::Outcome out = scene.Run({"-n", "MyApp", "-k", "MyApp_is1\\UninstallString", "-c", "1"});
  EXPECT_EQ(out.calls.size(), 1u);
  EXPECT_TRUE(RegText(out.registry).HasKey(kRecords + "MyApp"));
}

// A product name too long for a record key: no record, a reason in the log, and no record
// of another product (the name cut short) touched.
TEST_F(GenericRule, ProductNameTooLongForARecord) {
  const std::string prefix = "SOFTWARE\\Velmora\\Orvanta\\OVAgent\\AppDetection\\";
  const std::string cut(254 - prefix.size(), 'n');
  const std::string name = cut + "more";
  scene.SetRegistry(kAgent + Key(kUninstall32 + "MyApp_is1", "\"UninstallString\"=" + command32 + "\n") +
                    Key(kRecords + cut));

  HandlerScene::Outcome out = scene.Run({"-n", name, "-k", "MyApp_is1\\UninstallString"});
  EXPECT_EQ(out.exitCode, 0);
  EXPECT_EQ(out.calls.size(), 1u);
  EXPECT_TRUE(Contains(out.log, "[ERROR] App-detection key for the product " + name)) << out.log;
  EXPECT_FALSE(Contains(out.registry, name));

  out = scene.Run({"-n", name, "-c", "1"});
  EXPECT_TRUE(RegText(out.registry).HasKey(kRecords + cut));
}

}  // namespace
}  // namespace ovr::testing
