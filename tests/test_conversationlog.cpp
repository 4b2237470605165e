// The log of the control connection's conversation: what is kept, what is never written, and
// what an engine writes to it against the scripted server.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ftp/conversationlog.h"
#include "ftp/ftpclient.h"
#include "support/enginerun.h"

using namespace tarnwick;
using namespace tarnwick::testing;

namespace {

using Kind = ConversationLine::Kind;

std::vector<std::string> Texts(const std::vector<ConversationLine>& lines)
{
    std::vector<std::string> texts;
    for (const ConversationLine& line : lines) {
        const char* mark = line.kind == Kind::Command ? "> " : line.kind == Kind::Reply ? "< " : "* ";
        texts.push_back(mark + line.text);
    }
    return texts;
}

} // namespace

TEST(ConversationLog, PasswordsAreNeverWritten)
{
    const struct {
        const char* command;
        const char* logged;
    } rows[] = {
        {"PASS s3cret", "PASS ****"},  {"pass s3cret", "pass ****"},
        {"PASS", "PASS ****"},         {"ACCT billing", "ACCT ****"},
        {"USER anna", "USER anna"},    {"PASV", "PASV"},
        {"PASSIVE x", "PASSIVE x"},    {"RETR a.txt\r\nPASS x", "RETR a.txt"},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(LoggedCommand(row.command), row.logged) << row.command;
    }
}

TEST(ConversationLog, KeepsTheNewestLinesUpToItsBound)
{
    CConversationLog log(3);
    for (int i = 0; i < 5; ++i) {
        log.Add(1 + i % 2, Kind::Reply, "200 line " + std::to_string(i) + "\r\nnot this");
    }
    EXPECT_EQ(log.NextSequence(), 5U);
    EXPECT_EQ(Texts(log.Since(0)),
              (std::vector<std::string>{"< 200 line 2", "< 200 line 3", "< 200 line 4"}));
    const std::vector<ConversationLine> last = log.Since(4);
    ASSERT_EQ(last.size(), 1U);
    EXPECT_EQ(last[0].connection, 1);
    EXPECT_EQ(last[0].sequence, 4U);
    EXPECT_TRUE(log.Since(5).empty());
    const std::string formatted = CConversationLog::Format(last[0]);
    EXPECT_NE(formatted.find(" [1] < 200 line 4"), std::string::npos) << formatted;
    EXPECT_EQ(formatted[2], ':') << formatted;
}

TEST(ConversationLog, TheEngineWritesCommandsAndEveryReplyLine)
{
    CConversationLog log;
    CFtpClient engine;
    engine.SetConversationLog(&log, 2);
    const ScriptOutcome out = RunEngineScript(
        [](CScriptSession& s) {
            s.ExpectReply("USER anna", "331 Password required\r\n");
            s.ExpectReply("PASS s3cret", "230-Welcome\r\n second line\r\n230 Logged in\r\n");
        },
        [](CFtpClient& c) { EXPECT_TRUE(c.Login("anna", "s3cret")); }, {}, &engine);
    EXPECT_EQ(out.failures, "");
    // The connect and the greeting, the login, and the close at the end.
    const std::vector<std::string> texts = Texts(log.Since(0));
    ASSERT_EQ(texts.size(), 9U);
    EXPECT_EQ(texts.front().rfind("* 127.0.0.1:", 0), 0U) << texts.front();
    EXPECT_EQ(std::vector<std::string>(texts.begin() + 1, texts.end() - 1),
              (std::vector<std::string>{"< 220 Ready", "> USER anna", "< 331 Password required",
                                        "> PASS ****", "< 230-Welcome", "<  second line",
                                        "< 230 Logged in"}));
    EXPECT_EQ(log.Since(0).back().kind, Kind::Note);
    for (const ConversationLine& line : log.Since(0)) {
        EXPECT_EQ(line.connection, 2);
        EXPECT_EQ(line.text.find("s3cret"), std::string::npos);
    }
}
