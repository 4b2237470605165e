#include "ftp/transport/tlscontext.h"

#include <openssl/err.h>
#include <openssl/ssl.h>

namespace tarnwick {

namespace {

int ContextIndex()
{
    static const int index = SSL_CTX_get_ex_new_index(0, nullptr, nullptr, nullptr, nullptr);
    return index;
}

int DataConnectionIndex()
{
    static const int index = SSL_get_ex_new_index(0, nullptr, nullptr, nullptr, nullptr);
    return index;
}

// Enough for the tickets of a handshake and a few connections; older ones are dropped.
constexpr std::size_t kMaxUnspent = 8;

std::string LastOpenSslError()
{
    char text[256] = {};
    const unsigned long code = ERR_get_error();
    ERR_clear_error();
    if (code == 0) {
        return "unknown TLS error";
    }
    ERR_error_string_n(code, text, sizeof text);
    return text;
}

} // namespace

CTlsContext::~CTlsContext()
{
    for (SSL_SESSION* session : m_unspent) {
        SSL_SESSION_free(session);
    }
    if (m_spent != nullptr) {
        SSL_SESSION_free(m_spent);
    }
    if (m_ctx != nullptr) {
        SSL_CTX_free(m_ctx);
    }
}

bool CTlsContext::Init(const std::string& caFile, std::string& error)
{
    m_ctx = SSL_CTX_new(TLS_client_method());
    if (m_ctx == nullptr) {
        error = LastOpenSslError();
        return false;
    }
    SSL_CTX_set_min_proto_version(m_ctx, TLS1_2_VERSION);
    // The check happens after the handshake, so that an untrusted certificate can be shown to
    // the user instead of only failing; nothing is sent before it is decided.
    SSL_CTX_set_verify(m_ctx, SSL_VERIFY_NONE, nullptr);
    if (SSL_CTX_set_default_verify_paths(m_ctx) != 1) {
        error = LastOpenSslError();
        return false;
    }
    if (!caFile.empty() && SSL_CTX_load_verify_locations(m_ctx, caFile.c_str(), nullptr) != 1) {
        error = "cannot read the certificates in " + caFile + ": " + LastOpenSslError();
        return false;
    }
    SSL_CTX_set_mode(m_ctx, SSL_MODE_ENABLE_PARTIAL_WRITE | SSL_MODE_ACCEPT_MOVING_WRITE_BUFFER);
    // Sessions are kept here, not in OpenSSL's cache: which one to resume is ours to choose.
    SSL_CTX_set_session_cache_mode(m_ctx, SSL_SESS_CACHE_CLIENT | SSL_SESS_CACHE_NO_INTERNAL_STORE);
    SSL_CTX_sess_set_new_cb(m_ctx, &CTlsContext::OnNewSession);
    SSL_CTX_set_ex_data(m_ctx, ContextIndex(), this);
    return true;
}

void CTlsContext::MarkDataConnection(SSL* ssl)
{
    SSL_set_ex_data(ssl, DataConnectionIndex(), ssl);
}

int CTlsContext::OnNewSession(SSL* ssl, SSL_SESSION* session)
{
    auto* context = static_cast<CTlsContext*>(SSL_CTX_get_ex_data(SSL_get_SSL_CTX(ssl), ContextIndex()));
    const bool data = SSL_get_ex_data(ssl, DataConnectionIndex()) != nullptr;
    if (context == nullptr || (data && SSL_session_reused(ssl) != 1)) {
        return 0; // not kept: OpenSSL frees it
    }
    context->Keep(session);
    return 1; // kept: the reference is ours
}

void CTlsContext::Keep(SSL_SESSION* session)
{
    m_unspent.push_back(session);
    ++m_nKept;
    if (m_unspent.size() > kMaxUnspent) {
        SSL_SESSION_free(m_unspent.front());
        m_unspent.pop_front();
    }
}

bool CTlsContext::NothingToResume() const
{
    return m_unspent.empty() && m_spent != nullptr &&
           SSL_SESSION_get_protocol_version(m_spent) == TLS1_3_VERSION;
}

void CTlsContext::ResumeOn(SSL* ssl)
{
    while (!m_unspent.empty()) {
        SSL_SESSION* newest = m_unspent.back();
        m_unspent.pop_back();
        if (SSL_SESSION_is_resumable(newest) != 1) {
            SSL_SESSION_free(newest);
            continue;
        }
        if (m_spent != nullptr) {
            SSL_SESSION_free(m_spent);
        }
        m_spent = newest;
        break;
    }
    if (m_spent != nullptr) {
        SSL_set_session(ssl, m_spent);
    }
}

} // namespace tarnwick
