#include "support/testcertificate.h"

#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/ssl.h>
#include <openssl/x509v3.h>

#include <functional>
#include <memory>

namespace tarnwick::testing {

namespace {

std::string PemOf(const std::function<int(BIO*)>& write)
{
    std::unique_ptr<BIO, decltype(&BIO_free)> bio(BIO_new(BIO_s_mem()), &BIO_free);
    write(bio.get());
    char* data = nullptr;
    const long size = BIO_get_mem_data(bio.get(), &data);
    return std::string(data, static_cast<std::size_t>(size));
}

} // namespace

TestCertificate MakeTestCertificate(const std::string& commonName)
{
    std::unique_ptr<EVP_PKEY, decltype(&EVP_PKEY_free)> key(EVP_EC_gen("P-256"), &EVP_PKEY_free);
    std::unique_ptr<X509, decltype(&X509_free)> cert(X509_new(), &X509_free);
    static long serial = 1;
    X509_set_version(cert.get(), 2);
    ASN1_INTEGER_set(X509_get_serialNumber(cert.get()), serial++);
    X509_gmtime_adj(X509_getm_notBefore(cert.get()), -60);
    X509_gmtime_adj(X509_getm_notAfter(cert.get()), 24 * 3600);
    X509_set_pubkey(cert.get(), key.get());
    X509_NAME* name = X509_get_subject_name(cert.get());
    X509_NAME_add_entry_by_txt(name, "CN", MBSTRING_UTF8,
                               reinterpret_cast<const unsigned char*>(commonName.c_str()), -1, -1, 0);
    X509_set_issuer_name(cert.get(), name);
    X509V3_CTX context;
    X509V3_set_ctx(&context, cert.get(), cert.get(), nullptr, nullptr, 0);
    X509_EXTENSION* names = X509V3_EXT_conf_nid(nullptr, &context, NID_subject_alt_name,
                                                "IP:127.0.0.1,DNS:localhost");
    X509_add_ext(cert.get(), names, -1);
    X509_EXTENSION_free(names);
    X509_sign(cert.get(), key.get(), EVP_sha256());

    TestCertificate made;
    made.certificatePem = PemOf([&](BIO* bio) { return PEM_write_bio_X509(bio, cert.get()); });
    made.keyPem = PemOf([&](BIO* bio) {
        return PEM_write_bio_PrivateKey(bio, key.get(), nullptr, nullptr, 0, nullptr, nullptr);
    });
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    X509_digest(cert.get(), EVP_sha256(), digest, &length);
    static const char kDigits[] = "0123456789ABCDEF";
    for (unsigned int i = 0; i < length; ++i) {
        made.sha256 += (i > 0 ? ":" : "");
        made.sha256 += kDigits[digest[i] >> 4];
        made.sha256 += kDigits[digest[i] & 0xF];
    }
    return made;
}

SSL_CTX* NewServerTlsContext(const TestCertificate& certificate)
{
    SSL_CTX* context = SSL_CTX_new(TLS_server_method());
    std::unique_ptr<BIO, decltype(&BIO_free)> certBio(
        BIO_new_mem_buf(certificate.certificatePem.data(), static_cast<int>(certificate.certificatePem.size())),
        &BIO_free);
    std::unique_ptr<BIO, decltype(&BIO_free)> keyBio(
        BIO_new_mem_buf(certificate.keyPem.data(), static_cast<int>(certificate.keyPem.size())),
        &BIO_free);
    X509* cert = PEM_read_bio_X509(certBio.get(), nullptr, nullptr, nullptr);
    EVP_PKEY* key = PEM_read_bio_PrivateKey(keyBio.get(), nullptr, nullptr, nullptr);
    SSL_CTX_use_certificate(context, cert);
    SSL_CTX_use_PrivateKey(context, key);
    X509_free(cert);
    EVP_PKEY_free(key);
    // Sessions in the server's cache and single-use tickets, as vsftpd keeps them.
    static const unsigned char kContextId[] = "scripted-ftp";
    SSL_CTX_set_session_id_context(context, kContextId, sizeof kContextId - 1);
    SSL_CTX_set_session_cache_mode(context, SSL_SESS_CACHE_SERVER);
    SSL_CTX_set_options(context, SSL_OP_NO_TICKET);
    return context;
}

void FreeServerTlsContext(SSL_CTX* context)
{
    SSL_CTX_free(context);
}

} // namespace tarnwick::testing
