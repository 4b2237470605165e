// The system's reasons in Japanese, with the English kept for the tooltip.
#include <gtest/gtest.h>

#include <openssl/x509_vfy.h>

#include <cerrno>
#include <cstring>

#include "session/itemoutcome.h"
#include "session/reasontext.h"

using namespace tarnwick;

TEST(ReasonText, CommonErrnoValuesAreJapaneseOthersKeepTheSystemsWords)
{
    const struct {
        int error;
        const char* text;
    } rows[] = {
        {EPERM, "操作が許可されていません"},
        {EACCES, "アクセスが拒否されました"},
        {ENOENT, "ファイルまたはフォルダがありません"},
        {ENOSPC, "ディスクの空きがありません"},
        {ENOTEMPTY, "フォルダが空ではありません"},
        {EROFS, "読み取り専用のファイルシステムです"},
        {ELOOP, "シンボリックリンクのため開けません"},
        {ECONNREFUSED, "接続を拒否されました"},
        {ECONNRESET, "接続が相手によってリセットされました"},
        {EHOSTUNREACH, "ホストに到達できません"},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(ErrnoText(row.error), row.text) << row.error;
        EXPECT_EQ(ErrnoOriginal(row.error), std::strerror(row.error));
    }
    EXPECT_EQ(ErrnoText(ENOTSOCK), std::strerror(ENOTSOCK)) << "an uncommon one as the system says";
    EXPECT_EQ(ErrnoOriginal(0), "");
}

TEST(ReasonText, CertificateChecksAreJapaneseOthersKeepTheirWords)
{
    const struct {
        long code;
        const char* text;
    } rows[] = {
        {X509_V_ERR_DEPTH_ZERO_SELF_SIGNED_CERT, "自己署名の証明書です"},
        {X509_V_ERR_CERT_HAS_EXPIRED, "証明書の有効期限が切れています"},
        {X509_V_ERR_HOSTNAME_MISMATCH, "証明書のホスト名が接続先と違います"},
        {X509_V_ERR_UNABLE_TO_GET_ISSUER_CERT_LOCALLY, "発行者の証明書がこのコンピューターにありません"},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(CertificateProblemText(X509_verify_cert_error_string(row.code)), row.text);
    }
    EXPECT_EQ(CertificateProblemText("self-signed certificate"), "自己署名の証明書です")
        << "OpenSSL 3's own words";
    EXPECT_EQ(CertificateProblemText("the certificate differs from the one trusted before"),
              "以前に信頼した証明書と異なります");
    EXPECT_EQ(CertificateProblemText("some new check"), "some new check");
}

TEST(ReasonText, AFailedItemSaysItInJapaneseAndKeepsTheEnglish)
{
    const ItemOutcome local = LocalOutcome("a.txt", false, EACCES);
    EXPECT_EQ(FailureDetail(local), "アクセスが拒否されました");
    EXPECT_EQ(FailureOriginal(local), "Permission denied");
    ItemOutcome refused;
    refused.status = ItemOutcome::Status::Failed;
    refused.reason = FailureReason::Refused;
    refused.replyText = "550 Permission denied.\r\n";
    EXPECT_EQ(FailureDetail(refused), "550 Permission denied.");
    EXPECT_EQ(FailureOriginal(refused), "") << "the server's reply is shown as it is";
}
