#include "ftp/tlscontext.h"

#include <openssl/err.h>
#include <openssl/ssl.h>

namespace tarnwick {

namespace {

int ContextIndex()
{
    static const int index = SSL_CTX_get_ex_new_index(0, nullptr, nullptr, nullptr, nullptr);
    return index;
}

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
    if (m_session != nullptr) {
        SSL_SESSION_free(m_session);
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
    // Sessions are kept here, not in OpenSSL's cache: the newest is the one to resume.
    SSL_CTX_set_session_cache_mode(m_ctx, SSL_SESS_CACHE_CLIENT | SSL_SESS_CACHE_NO_INTERNAL_STORE);
    SSL_CTX_sess_set_new_cb(m_ctx, &CTlsContext::OnNewSession);
    SSL_CTX_set_ex_data(m_ctx, ContextIndex(), this);
    return true;
}

int CTlsContext::OnNewSession(SSL* ssl, SSL_SESSION* session)
{
    auto* context = static_cast<CTlsContext*>(SSL_CTX_get_ex_data(SSL_get_SSL_CTX(ssl), ContextIndex()));
    if (context == nullptr) {
        return 0; // not kept: OpenSSL frees it
    }
    if (context->m_session != nullptr) {
        SSL_SESSION_free(context->m_session);
    }
    context->m_session = session;
    return 1; // kept: the reference is ours
}

} // namespace tarnwick
