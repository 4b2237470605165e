// How a cut transfer goes on, decided with the scripted server as it is now: a download's
// part only while the server's size and time are those it recorded, an upload from the size
// the server says its file has.
#include <gtest/gtest.h>

#include <sys/xattr.h>

#include <cstring>

#include "session/existingfile.h"
#include "support/enginerun.h"
#include "support/tempdir.h"

using namespace tarnwick;
using namespace tarnwick::testing;

namespace {

const char* const kFeatures = "211-Features:\r\n SIZE\r\n MDTM\r\n REST STREAM\r\n211 End\r\n";
constexpr std::int64_t kServerTime = 1704164645; // MDTM 20240102030405

// FEAT, then SIZE (answered `size`, or refused) and for a download MDTM.
void ServeFacts(CScriptSession& s, const char* size, bool download)
{
    s.ExpectReply("FEAT", kFeatures);
    s.ExpectReply("TYPE I", "200 ok\r\n");
    s.ExpectReply("SIZE f", size);
    if (download) {
        s.ExpectReply("MDTM f", "213 20240102030405\r\n");
    }
}

} // namespace

TEST(ResumePlan, ADownloadGoesOnOnlyFromAPartOfThisFile)
{
    struct Row {
        const char* name;
        const char* sizeReply;
        std::int64_t listedSize;
        std::size_t part;
        const char* record; // the part's record of the server's file; null: none
        std::int64_t offset;
        bool changed;
    };
    const Row rows[] = {
        {"recorded-and-unchanged", "213 100\r\n", -1, 40, "100 1704164645", 40, false},
        {"size-changed", "213 120\r\n", -1, 40, "100 1704164645", 0, true},
        {"time-changed", "213 100\r\n", -1, 40, "100 1600000000", 0, true},
        {"no-record-goes-on", "213 100\r\n", -1, 40, nullptr, 40, false},
        {"part-larger-than-file", "213 100\r\n", -1, 150, nullptr, 0, false},
        {"size-refused-listed-size", "550 no\r\n", 100, 40, nullptr, 40, false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        CTempDir dir;
        WriteWholeFile(dir.File("f.part"), std::string(row.part, 'p'));
        if (row.record != nullptr) {
            ASSERT_EQ(::setxattr(dir.File("f.part").c_str(), "user.tarnwick.source", row.record,
                                 std::strlen(row.record), 0),
                      0);
        }
        ResumePlan plan;
        const ScriptOutcome out = RunEngineScript(
            [&](CScriptSession& s) { ServeFacts(s, row.sizeReply, true); },
            [&](CFtpClient& c) {
                ASSERT_TRUE(c.NegotiateFeatures());
                plan = PlanDownloadResume(c, "f", dir.File("f"), row.listedSize, -1);
            });
        EXPECT_EQ(out.failures, "");
        ASSERT_TRUE(plan.ok);
        EXPECT_EQ(plan.request.restartOffset, row.offset);
        EXPECT_EQ(plan.sourceChanged, row.changed);
        EXPECT_EQ(plan.request.sourceTime, kServerTime);
        EXPECT_EQ(plan.request.type, TransferType::Binary);
    }
}

TEST(ResumePlan, AnUploadGoesOnFromTheServersSizeOrNotAtAll)
{
    struct Row {
        const char* name;
        const char* sizeReply;
        std::int64_t listedSize;
        bool ok;
        std::int64_t offset;
    };
    const Row rows[] = {
        {"shorter-on-server", "213 30\r\n", -1, true, 30},
        {"size-refused-listed-size", "550 no\r\n", 25, true, 25},
        {"longer-on-server", "213 150\r\n", -1, false, 0},
        {"size-unknown", "550 no\r\n", -1, false, 0},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        CTempDir dir;
        WriteWholeFile(dir.File("f"), std::string(100, 'u'));
        ResumePlan plan;
        const ScriptOutcome out = RunEngineScript(
            [&](CScriptSession& s) { ServeFacts(s, row.sizeReply, false); },
            [&](CFtpClient& c) {
                ASSERT_TRUE(c.NegotiateFeatures());
                plan = PlanUploadResume(c, dir.File("f"), "f", row.listedSize);
            });
        EXPECT_EQ(out.failures, "");
        EXPECT_EQ(plan.ok, row.ok);
        if (row.ok) {
            EXPECT_EQ(plan.request.restartOffset, row.offset);
            EXPECT_EQ(plan.request.expectedSize, 100);
        } else {
            EXPECT_EQ(plan.failure.note, "再開できません: サーバーのファイルのサイズが分かりません");
        }
    }
}
