// A self-signed certificate made at test time for a TLS server on loopback: for the scripted
// server, vsftpd and pyftpdlib. It names 127.0.0.1 (and "localhost") and is valid for a day.
#pragma once

#include <string>

typedef struct ssl_ctx_st SSL_CTX;

namespace tarnwick::testing {

struct TestCertificate {
    std::string certificatePem;
    std::string keyPem;
    std::string sha256; // "AB:CD:..." as the client shows it
};

// A fresh certificate with the common name `commonName`; the same process may make several
// (a "changed" certificate is just another one).
[[nodiscard]] TestCertificate MakeTestCertificate(const std::string& commonName = "127.0.0.1");

// A TLS server context that shows `certificate` (TLS 1.2 and 1.3) and keeps sessions for
// resumption, as FTP servers do for their data connections; free it with the function below.
[[nodiscard]] SSL_CTX* NewServerTlsContext(const TestCertificate& certificate);
void FreeServerTlsContext(SSL_CTX* context);

} // namespace tarnwick::testing
