// The product rules on the platform double: the commands each rule launches, in order, with
// the time limit it gives each (20 or 40 minutes, which no end-to-end run can wait for),
// and the outcome.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "handler/run.h"
#include "tests/handler/handler_fake_fixture.h"

namespace ovr::testing {
namespace {

namespace fake = platform::fake;

using ProductRulesTest = HandlerFakeTest;

constexpr uint32_t k20 = 20 * 60000;
constexpr uint32_t k40 = 40 * 60000;

const std::string kUninstall32 =
    "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Wow6432Node\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";

struct RuleCase {
  const char *name;
  std::function<void(RunSettings &)> settings;
  std::string registry;
  std::vector<std::pair<std::string, uint32_t>> launches;  // command line, time limit
  RuleOutcome outcome;
};

TEST_F(ProductRulesTest, CommandsAndTimeLimits) {
  const auto product = [](const char *name) {
    return [name](RunSettings &s) { s.productName = name; };
  };
  const RuleCase cases[] = {
      {"skype", product("Skype"), "",
       {{"MsiExec.exe /X{4E76FF7E-AEBA-4C87-B788-CD47E5425B9D} /qn", k20},
        {"MsiExec.exe /X{7A3C7E05-EE37-47D6-99E1-2EB05A3DA3F7} /qn", k20},
        {"MsiExec.exe /X{24991BA0-F0EE-44AD-9CC8-5EC50AECF6B7} /qn", k20},
        {"MsiExec.exe /X{6A0549A9-1B96-498C-ACBC-3943001FEB19} /qn", k20},
        {"MsiExec.exe /X{FC965A47-4839-40CA-B618-18F486F042C6} /qn", k20},
        {"MsiExec.exe /X{3B7E914A-93D5-4A29-92BB-AF8C3F66C431} /qn", k20},
        {"MsiExec.exe /X{1845470B-EB14-4ABC-835B-E36C693DC07D} /qn", k20}},
       RuleOutcome::Clear},
      {"PDFXCview64", product("pdfxcview64"), "",
       {{"MsiExec.exe /X{9ED333F8-3E6C-4A38-BAFA-728454121CDA} /qn", k20},
        {"MsiExec.exe /X{3A6F4A31-8CFD-46B4-8385-E1F384DB121E} /qn", k20}},
       RuleOutcome::Clear},
      {"GeoGebra", product("GeoGebra"), "",
       {{"MsiExec.exe /X{D44FFF47-306C-4198-9899-832C1DAA4566} /qn /norestart", k20}},
       RuleOutcome::Clear},
      {"DVDFab10 both", product("DVDFab10"),
       kUninstall32 + "DVDFab 10]\n\"QuietUninstallString\"=\"a.exe /q\"\n" + kUninstall32 +
           "DVDFab 10_is1]\n\"QuietUninstallString\"=\"b.exe /q\"\n",
       {{"a.exe /q", k40}, {"b.exe /q", k40}}, RuleOutcome::Clear},
      {"DVDFab10 none", product("DVDFab10"), "", {}, RuleOutcome::NothingToUninstall},
      {"DVDFab10 first", product("DVDFab10"),
       kUninstall32 + "DVDFab 10]\n\"QuietUninstallString\"=\"a.exe /q\"\n", {{"a.exe /q", k40}},
       RuleOutcome::Clear},
      {"DVDFab10 second", product("DVDFab10"),
       kUninstall32 + "DVDFab 10_is1]\n\"QuietUninstallString\"=\"b.exe /q\"\n", {{"b.exe /q", k40}},
       RuleOutcome::Clear},
      {"hipchat", product("hipchat"),
       kUninstall32 + "H1]\n\"DisplayName\"=\"HipChat\"\n\"QuietUninstallString\"=\"h1.exe /S\"\n",
       {{"h1.exe /S", k40}}, RuleOutcome::Clear},
      {"AdvancedInstaller", product("AdvancedInstaller"),
       kUninstall32 + "{A}]\n\"DisplayName\"=\"Advanced Installer 15.2\"\n\"UninstallString\"=\"x\"\n",
       {{"MsiExec.exe /X{A} /qn /norestart", k40}}, RuleOutcome::Clear},
      {"inkscape 32",
       [](RunSettings &s) {
         s.productName = "inkscape";
         s.gv_is32 = 1;
       },
       kUninstall32 + "{81922150-317E-4BB0-A31D-FF1C14F707C5}]\n\"UninstallString\"=\"m\"\n" +
           kUninstall32 + "Inkscape]\n\"UninstallString\"=\"ink.exe\"\n",
       {{"MsiExec.exe /X{81922150-317E-4BB0-A31D-FF1C14F707C5} /qn /norestart", k20},
        {"ink.exe /S", k20}},
       RuleOutcome::Clear},
      {"inkscape 64 with the MSI entry", product("inkscape"),
       kUninstall32 + "{81922150-317E-4BB0-A31D-FF1C14F707C5}]\n\"UninstallString\"=\"m\"\n" +
           kUninstall32 + "Inkscape]\n\"UninstallString\"=\"ink.exe\"\n",
       {{"MsiExec.exe /X{81922150-317E-4BB0-A31D-FF1C14F707C5} /qn /norestart", k20}},
       RuleOutcome::Clear},
      {"inkscape 64 without it", product("inkscape"),
       kUninstall32 + "Inkscape]\n\"UninstallString\"=\"ink.exe\"\n", {{"ink.exe qn", k20}},
       RuleOutcome::Clear},
      {"AuslogicsDiskDefrag", product("AuslogicsDiskDefrag"),
       kUninstall32 + "{DF6A13C0-77DF-41FE-BD05-6D5201EB0CE7}_is1]\n\"QuietUninstallString\"=\"d.exe\"\n",
       {{"d.exe", k40}}, RuleOutcome::Clear},
      {"generic -k",
       [](RunSettings &s) {
         s.productName = "MyApp";
         s.RegKeyPath = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\MyApp";
         s.RegKeyValueName = "UninstallString";
       },
       kUninstall32 + "MyApp]\n\"UninstallString\"=\"my.exe\"\n", {{"my.exe", k40}},
       RuleOutcome::Clear},
      {"tortoise", product("TORTOISE"), "", {}, RuleOutcome::Clear},
  };
  for (const RuleCase &c : cases) {
    SCOPED_TRACE(c.name);
    fake::Reset();
    Registry(c.registry);
    gv_runSettings = RunSettings{};
    gv_runSettings.systemDirectory = dir_.path().string();
    c.settings(gv_runSettings);
    EXPECT_EQ(DispatchProduct(gv_runSettings), c.outcome);
    std::vector<std::pair<std::string, uint32_t>> launched;
    for (const fake::Launch &l : fake::Launches()) {
      launched.emplace_back(l.commandLine, l.waitedMilliseconds);
      EXPECT_EQ(l.workingDirectory, dir_.path().string());
    }
    EXPECT_EQ(launched, c.launches);
  }
}

// A blocked check ends the rule before anything is launched or recorded.
TEST_F(ProductRulesTest, BlockedRulesLaunchNothing) {
  const std::pair<const char *, const char *> cases[] = {
      {"skype", "skype.exe"},         {"hipchat", "hipchat.exe"},
      {"PDFXCview32", "PDFXCview.exe"}, {"AdvancedInstaller", "advinst.exe"},
      {"inkscape", "inkscape.exe"},   {"AuslogicsDiskDefrag", "DiskDefrag.exe"},
      {"tortoise", "TortoiseProc.exe"}, {"PDFsamBasic", "pdfsam.exe"},
  };
  for (const auto &[product, exe] : cases) {
    SCOPED_TRACE(product);
    fake::Reset();
    fake::SetUptime(3 * 3600 * 1000);
    fake::AddProcess({.imageName = exe});
    gv_runSettings = RunSettings{};
    gv_runSettings.productName = product;
    const RuleOutcome outcome = DispatchProduct(gv_runSettings);
    EXPECT_EQ(outcome, std::string(product) == "PDFsamBasic" ? RuleOutcome::InUse : RuleOutcome::Blocked);
    EXPECT_TRUE(fake::Launches().empty());
    EXPECT_EQ(fake::ExportRegistry().find("AppDetection"), std::string::npos);
  }
}

// -c: the rules that keep records delete the product's record (the edition's for inkscape)
// and do nothing else, even with the product running outside the window; the other rules
// do their usual work and leave the record alone.
TEST_F(ProductRulesTest, ClearRequest) {
  const std::string records =
      "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Wow6432Node\\Velmora\\Orvanta\\OVAgent\\AppDetection\\";
  // Entries every uninstalling rule would act on.
  const std::string entries =
      kUninstall32 + "H]\n\"DisplayName\"=\"HipChat\"\n\"QuietUninstallString\"=\"h.exe\"\n" +
      kUninstall32 +
      "{A}]\n\"DisplayName\"=\"Advanced Installer 15\"\n\"UninstallString\"=\"a\"\n" +
      kUninstall32 +
      "{DF6A13C0-77DF-41FE-BD05-6D5201EB0CE7}_is1]\n\"QuietUninstallString\"=\"d.exe\"\n" +
      kUninstall32 + "Inkscape]\n\"UninstallString\"=\"ink.exe\"\n";
  struct Case {
    const char *product;
    const char *exe;     // runs, outside the force-kill window
    const char *record;  // the record key named after the product
    bool clears;         // -c deletes the record and ends the rule
    RuleOutcome outcome;
  };
  const Case cases[] = {
      {"tortoise", "TortoiseProc.exe", "tortoise", true, RuleOutcome::Clear},
      {"HIPCHAT", "hipchat.exe", "HIPCHAT", true, RuleOutcome::Clear},
      {"PDFXCview32", "PDFXCview.exe", "PDFXCview32", true, RuleOutcome::Clear},
      {"PDFXCview64", "PDFXCview.exe", "PDFXCview64", true, RuleOutcome::Clear},
      {"skype", "skype.exe", "skype", true, RuleOutcome::Clear},
      {"AdvancedInstaller", "advinst.exe", "AdvancedInstaller", true, RuleOutcome::Clear},
      {"AuslogicsDiskDefrag", "DiskDefrag.exe", "AuslogicsDiskDefrag", true, RuleOutcome::Clear},
      {"inkscape", "inkscape.exe", "inkscape_64", true, RuleOutcome::Clear},
      {"notepad++", "notepad++.exe", "notepad++", false, RuleOutcome::Blocked},
      {"PDFsamBasic", "pdfsam.exe", "PDFsamBasic", false, RuleOutcome::InUse},
      {"DVDFab10", "other.exe", "DVDFab10", false, RuleOutcome::NothingToUninstall},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.product);
    fake::Reset();
    Registry(entries + records + c.record + "]\n");
    fake::SetUptime(2 * 3600 * 1000);
    fake::AddProcess({.imageName = c.exe});
    gv_runSettings = RunSettings{};
    gv_runSettings.systemDirectory = dir_.path().string();
    gv_runSettings.productName = c.product;
    gv_runSettings.clearAppDetection = 1;
    const size_t logged = Log().size();

    EXPECT_EQ(DispatchProduct(gv_runSettings), c.outcome);
    const std::string exported = fake::ExportRegistry();
    EXPECT_EQ(Contains(exported, std::string("AppDetection\\") + c.record + "]"), !c.clears)
        << exported;
    if (c.clears) {
      EXPECT_TRUE(fake::Launches().empty());
      EXPECT_TRUE(fake::Terminations().empty());
      EXPECT_EQ(fake::RunningProcesses().size(), 2u);
      const std::string log = Log().substr(logged);
      EXPECT_FALSE(Contains(log, "tick count")) << log;
      EXPECT_FALSE(Contains(log, "addRegistryKey")) << log;
      EXPECT_FALSE(Contains(log, "Key to delete")) << log;
    }
  }
}

}  // namespace
}  // namespace ovr::testing
