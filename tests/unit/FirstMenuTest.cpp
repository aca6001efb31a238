#include <gtest/gtest.h>

#include "TestSupport.h"
#include "core/package/FirstMenu.h"

namespace quillet::test {
namespace {

using firstmenu::Outcome;
using firstmenu::Request;

// Only a package that PowerShell saw registered (or gone) is a success: Wine's PowerShell prints
// nothing and exits 0.
TEST(FirstMenu, OutputCountsOnlyWhatPowerShellSawRegistered) {
    const std::u16string name = u"Brantwell.QuilletPro";
    struct Row {
        Request request;
        const char16_t* output;
        Outcome outcome;
        const char16_t* detail;
    };
    const Row rows[] = {
        {Request::Register, u"registered: Brantwell.QuilletPro_1.0.0.0_x64__ab\r\n", Outcome::Done,
         u"Brantwell.QuilletPro_1.0.0.0_x64__ab"},
        {Request::Register, u"", Outcome::NotConfirmed, u""},
        {Request::Register, u"registered: \r\n", Outcome::NotConfirmed, u""},
        {Request::Register, u"registered: Brantwell.QuilletProbe_1.0.0.0_x64__ab\n", Outcome::NotConfirmed,
         u""},
        {Request::Register, u"error: Deployment failed with HRESULT: 0x800B0109, trust\nregistered: \n",
         Outcome::CertificateNotTrusted, u"Deployment failed with HRESULT: 0x800B0109, trust"},
        {Request::Register, u"error: Deployment failed: 0x80073CF3\r\nregistered: \r\n", Outcome::Failed,
         u"Deployment failed: 0x80073CF3"},
        {Request::Remove, u"registered: \r\n", Outcome::Done, u""},
        {Request::Remove, u"", Outcome::NotConfirmed, u""},
        {Request::Remove, u"registered: Brantwell.QuilletPro_1.0.0.0_x64__ab\n", Outcome::NotConfirmed, u""},
        {Request::Remove, u"error: in use\nregistered: Brantwell.QuilletPro_1.0.0.0_x64__ab\n",
         Outcome::Failed, u"in use"},
    };
    for (const Row& row : rows) {
        const firstmenu::Result result = firstmenu::ReadOutput(row.request, name, row.output);
        EXPECT_EQ(result.outcome, row.outcome) << Printable(row.output);
        EXPECT_EQ(Printable(result.detail), Printable(row.detail)) << Printable(row.output);
        EXPECT_EQ(firstmenu::ExitCode(result.outcome) == 0, row.outcome == Outcome::Done);
    }
}

TEST(FirstMenu, TheCheckBoxShowsOnlyWhereAClickCanWork) {
    using firstmenu::CheckBox;
    EXPECT_TRUE(CheckBox(22000, false, true, true) == (firstmenu::CheckBoxState{true, false}));
    EXPECT_FALSE(CheckBox(19045, false, true, true).visible);   // Windows 10
    EXPECT_FALSE(CheckBox(22621, false, false, true).visible);  // no package manager, as under Wine
    EXPECT_FALSE(CheckBox(22621, false, true, false).visible);  // no package or module to register
    EXPECT_TRUE(CheckBox(22621, true, true, false).checked);    // registered: it can still be removed
}

TEST(FirstMenu, OnlyAMarkThatNamesOnePackageLeadsToItsListing) {
    EXPECT_EQ(Printable(firstmenu::ListedPackageKey(u"Brantwell.QuilletPro_1.0.0.0_x64__abc")),
              "Software\\Classes\\Local Settings\\Software\\Microsoft\\Windows\\CurrentVersion\\AppModel\\"
              "Repository\\Packages\\Brantwell.QuilletPro_1.0.0.0_x64__abc");
    EXPECT_TRUE(firstmenu::ListedPackageKey(u"").empty());
    EXPECT_TRUE(firstmenu::ListedPackageKey(u"..\\..\\Run").empty());  // would reach another key
}

TEST(FirstMenu, ScriptQuotesPathsAndIsEncodedAsPowerShellReadsIt) {
    // PowerShell's own encoding of "dir" (UTF-16LE, base64).
    EXPECT_EQ(Printable(firstmenu::EncodedScript(u"dir")), "ZABpAHIA");
    EXPECT_EQ(Printable(firstmenu::EncodedScript(u"\u00e9")), "6QA=");
    const std::u16string script =
        firstmenu::Script(Request::Register, u"P", u"C:\\Tom's \u2019x\\Quillet.msix", u"C:\\Tom's \u2019x");
    EXPECT_NE(
        script.find(
            u"-Path 'C:\\Tom''s \u2019\u2019x\\Quillet.msix' -ExternalLocation 'C:\\Tom''s \u2019\u2019x'"),
        std::u16string::npos)
        << Printable(script);
}

}  // namespace
}  // namespace quillet::test
