// Japanese words for the system's reasons: the common errno values and the results of a
// server certificate's check. Anything less common keeps the system's own (English) text;
// the English of each stays available to the front end (CSessionUi::SetStatusOriginal).
#pragma once

#include <string>

namespace tarnwick {

// "アクセスが拒否されました" for EACCES; strerror's text for an errno without a Japanese one.
[[nodiscard]] std::string ErrnoText(int error);
// The system's own text for `error` (strerror), "" for 0.
[[nodiscard]] std::string ErrnoOriginal(int error);

// Why a certificate did not pass, from the check's English ("self-signed certificate",
// "hostname mismatch"): "自己署名の証明書です"; the English itself when it is not one of the
// common results.
[[nodiscard]] std::string CertificateProblemText(const std::string& problem);

} // namespace tarnwick
