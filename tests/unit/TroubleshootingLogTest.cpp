// The failure helpers, the troubleshooting record's line, its two bounded files and the setting that
// keeps it.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "TestSupport.h"
#include "core/failure/TroubleshootingLog.h"
#include "platform/Profile.h"

namespace quillet {
namespace {

constexpr HResult kAccessDenied = static_cast<HResult>(0x80070005);

using Seen = test::SeenFailure;
using test::CapturedFailures;
const std::vector<Seen>& seen = CapturedFailures::seen;

int returnLine = 0;
HResult ReturnsIfFailed(HResult result) {
    returnLine = __LINE__ + 1;
    QUILLET_RETURN_IF_FAILED(result);
    return 7;
}

TEST(Failure, HelpersLogFailuresWithTheirFileAndLineAndPassSuccessOn) {
    const CapturedFailures captured;
    EXPECT_EQ(ReturnsIfFailed(kOk), 7);
    EXPECT_EQ(QUILLET_LOG_IF_FAILED(kOk), kOk);
    EXPECT_TRUE(seen.empty());

    EXPECT_EQ(ReturnsIfFailed(kAccessDenied), kAccessDenied);
    const int logLine = __LINE__ + 1;
    EXPECT_EQ(QUILLET_LOG_IF_FAILED(HResultFromSystemError(5)), kAccessDenied);
    EXPECT_EQ(QUILLET_LOG_FAILURE(kFail, "the reason"), kFail);
    ASSERT_EQ(seen.size(), 3u);
    EXPECT_EQ(seen[0].line, returnLine);
    EXPECT_EQ(seen[0].what, "result");
    EXPECT_EQ(seen[1].code, kAccessDenied);
    EXPECT_EQ(seen[1].line, logLine);
    EXPECT_EQ(seen[1].what, "HResultFromSystemError(5)");
    EXPECT_EQ(seen[2].what, "the reason");
    for (const Seen& s : seen) {
        EXPECT_TRUE(s.file.ends_with("TroubleshootingLogTest.cpp")) << s.file;
    }
}

TEST(Failure, RecordLineNamesTimeProgramThreadSourceCodeAndSubject) {
    const RecordContext context{{2026, 12, 3, 9, 18, 3, 4}, 25, u"ScrivelShExt.dll", 4242, 17};
    FailureRecord record;
    record.code = kAccessDenied;
    record.file = QUILLET_SOURCE_ROOT "/src/shellext/CommandRun.cpp";
    record.line = 31;
    record.what = "copy";
    EXPECT_EQ(FailureRecordLine(record, context),
              "2026-12-09 18:03:04.025 ScrivelShExt.dll 4242:17 src/shellext/CommandRun.cpp(31) 0x80070005 "
              "copy\r\n");
    record.file = "elsewhere/A.cpp";
    record.subject = u"C:\\Users\\\u00e9\\Cmds.txt";
    record.subjectLine = 4;
    EXPECT_EQ(FailureRecordLine(record, context),
              "2026-12-09 18:03:04.025 ScrivelShExt.dll 4242:17 elsewhere/A.cpp(31) 0x80070005 copy "
              "(C:\\Users\\\xC3\xA9\\Cmds.txt, line 4)\r\n");
}

TEST(Failure, LogKeepsTwoFilesOfAtMostTheLimitAndReplacesTheOlder) {
    const test::TempFolder temp;
    const std::u16string log = temp.PathOf(u"Brantwell\\Quillet\\Quillet.log");
    const auto contents = [](const std::u16string& path) {
        return platform::ReadWholeFile(path, 1000).value_or("<none>");
    };
    EXPECT_EQ(OlderLogFile(log), temp.PathOf(u"Brantwell\\Quillet\\Quillet.old.log"));
    for (const char* line : {"one 5678\n", "two 5678\n", "three 78\n", "four 678\n", "five 678\n"}) {
        EXPECT_TRUE(AppendToLog(log, line, 20));
    }
    EXPECT_EQ(contents(log), "five 678\n");
    EXPECT_EQ(contents(OlderLogFile(log)), "three 78\nfour 678\n");
}

TEST(Failure, TheSettingIsOffUntilStoredAndLeavesTheOptionsAlone) {
    const test::TempFolder temp;
    const std::u16string profile = temp.PathOf(u"Quillet\\ScrivelShExt.INI");
    EXPECT_FALSE(KeepsTroubleshootingLog(profile));
    ASSERT_EQ(SetKeepsTroubleshootingLog(profile, true), kOk);
    ASSERT_TRUE(platform::WriteProfileValue(profile, u"Options", u"Sort Option", u"4"));
    EXPECT_TRUE(KeepsTroubleshootingLog(profile));
    ASSERT_EQ(SetKeepsTroubleshootingLog(profile, false), kOk);
    EXPECT_FALSE(KeepsTroubleshootingLog(profile));
    EXPECT_EQ(platform::ReadProfileInt(profile, u"Options", u"Sort Option", 0), 4);
    EXPECT_FALSE(KeepsTroubleshootingLog(u""));
}

}  // namespace
}  // namespace quillet
