#include "session/reasontext.h"

#include <openssl/x509_vfy.h>

#include <cerrno>
#include <cstring>
#include <utility>

namespace tarnwick {

namespace {

struct ErrnoWords {
    int error;
    const char* text;
};

// The errno values a user meets in this program: files and folders, disks, connections.
constexpr ErrnoWords kErrnoTexts[] = {
    {EPERM, "操作が許可されていません"},
    {ENOENT, "ファイルまたはフォルダがありません"},
    {EIO, "入出力エラーです"},
    {EBADF, "ファイルを扱えません"},
    {ENOMEM, "メモリが足りません"},
    {EACCES, "アクセスが拒否されました"},
    {EBUSY, "使用中です"},
    {EEXIST, "すでに存在します"},
    {EXDEV, "別のファイルシステムです"},
    {ENOTDIR, "フォルダではありません"},
    {EISDIR, "フォルダです"},
    {EINVAL, "無効な値です"},
    {ENFILE, "開いているファイルが多すぎます"},
    {EMFILE, "開いているファイルが多すぎます"},
    {ETXTBSY, "実行中のファイルです"},
    {EFBIG, "ファイルが大きすぎます"},
    {ENOSPC, "ディスクの空きがありません"},
    {EROFS, "読み取り専用のファイルシステムです"},
    {EMLINK, "リンクが多すぎます"},
    {EPIPE, "接続が切れました"},
    {ENAMETOOLONG, "名前が長すぎます"},
    {ENOTEMPTY, "フォルダが空ではありません"},
    {ELOOP, "シンボリックリンクのため開けません"},
    {EDQUOT, "ディスクの使用量の上限を超えました"},
    {ENETDOWN, "ネットワークが使えません"},
    {ENETUNREACH, "ネットワークに到達できません"},
    {ECONNABORTED, "接続が中断されました"},
    {ECONNRESET, "接続が相手によってリセットされました"},
    {ETIMEDOUT, "接続が時間切れになりました"},
    {ECONNREFUSED, "接続を拒否されました"},
    {EHOSTDOWN, "ホストが停止しています"},
    {EHOSTUNREACH, "ホストに到達できません"},
    {EADDRNOTAVAIL, "アドレスを使えません"},
    {EADDRINUSE, "アドレスは使用中です"},
};

// Checks whose English comes from OpenSSL's own table, so its wording in any version matches.
constexpr std::pair<long, const char*> kVerifyTexts[] = {
    {X509_V_ERR_DEPTH_ZERO_SELF_SIGNED_CERT, "自己署名の証明書です"},
    {X509_V_ERR_SELF_SIGNED_CERT_IN_CHAIN, "証明書の連鎖に自己署名の証明書があります"},
    {X509_V_ERR_UNABLE_TO_GET_ISSUER_CERT_LOCALLY, "発行者の証明書がこのコンピューターにありません"},
    {X509_V_ERR_UNABLE_TO_GET_ISSUER_CERT, "発行者の証明書が見つかりません"},
    {X509_V_ERR_UNABLE_TO_VERIFY_LEAF_SIGNATURE, "証明書の署名を確かめられません"},
    {X509_V_ERR_CERT_HAS_EXPIRED, "証明書の有効期限が切れています"},
    {X509_V_ERR_CERT_NOT_YET_VALID, "証明書はまだ有効になっていません"},
    {X509_V_ERR_HOSTNAME_MISMATCH, "証明書のホスト名が接続先と違います"},
    {X509_V_ERR_IP_ADDRESS_MISMATCH, "証明書の IP アドレスが接続先と違います"},
    {X509_V_ERR_CERT_REVOKED, "証明書は失効しています"},
    {X509_V_ERR_CERT_SIGNATURE_FAILURE, "証明書の署名が正しくありません"},
    {X509_V_ERR_INVALID_CA, "発行者が認証局ではありません"},
    {X509_V_ERR_CERT_UNTRUSTED, "証明書は信頼されていません"},
    {X509_V_ERR_CERT_REJECTED, "証明書は拒否されています"},
    {X509_V_ERR_INVALID_PURPOSE, "証明書はこの用途に使えません"},
};

// The engine's own words for the two cases OpenSSL has no code for.
constexpr std::pair<const char*, const char*> kEngineTexts[] = {
    {"the server sent no certificate", "サーバーが証明書を送りませんでした"},
    {"the certificate differs from the one trusted before", "以前に信頼した証明書と異なります"},
};

} // namespace

std::string ErrnoText(int error)
{
    for (const ErrnoWords& words : kErrnoTexts) {
        if (words.error == error) {
            return words.text;
        }
    }
    return ErrnoOriginal(error);
}

std::string ErrnoOriginal(int error)
{
    return error == 0 ? std::string() : std::string(std::strerror(error));
}

std::string CertificateProblemText(const std::string& problem)
{
    for (const auto& [code, text] : kVerifyTexts) {
        if (problem == X509_verify_cert_error_string(code)) {
            return text;
        }
    }
    for (const auto& [english, text] : kEngineTexts) {
        if (problem == english) {
            return text;
        }
    }
    return problem;
}

} // namespace tarnwick
