#include "transport/transfer_rules.h"

StatusRule RuleForStatus(uint32_t nStatus) {
    switch (nStatus) {
    case 200: return {StatusAction::ReadBody, std::nullopt};
    case 206:
        // A partial answer to a request that asked for no range: fail, keep the code.
        return {StatusAction::Fail, std::nullopt};
    case 301:
    case 302:
    case 303:
    case 307:
    case 308: return {StatusAction::Redirect, std::nullopt};
    case 304: return {StatusAction::NotModified, TransferCode::NotModified};
    case 401:
    case 407: return {StatusAction::GiveUp, TransferCode::AuthenticationRequired};
    case 404: return {StatusAction::GiveUp, TransferCode::NotFound};
    case 416: return {StatusAction::RetryOnce, TransferCode::Failed};
    case 429:
    case 503: return {StatusAction::RetryLater, TransferCode::Unavailable};
    default: return {StatusAction::Fail, TransferCode::Failed};
    }
}

uint32_t RetryDelayMs(RetryWait why, uint32_t nAttemptsUsed, std::optional<uint32_t> nRetryAfterSeconds) {
    if (why == RetryWait::Busy && nRetryAfterSeconds) return *nRetryAfterSeconds * 1000;
    const uint32_t nFirstMs = why == RetryWait::Busy ? 2000 : 1000;
    // Doubling from the first, no further than the attempts allowed can go.
    const uint32_t nDoublings = nAttemptsUsed < 2 ? 0 : nAttemptsUsed > 3 ? 2 : nAttemptsUsed - 1;
    return nFirstMs << nDoublings;
}

BodyEndRule RuleForBodyEnd(uint32_t nContentLength, uint32_t nReceived) {
    if (nContentLength == 0xFFFFFFFFu || nContentLength == nReceived)
        return {StepResult::Complete, TransferCode::Complete};
    return {StepResult::Retry, TransferCode::Incomplete};
}

std::optional<TransferCode> RedirectRefusal(const CHttpUrl& from, const CHttpUrl& to, uint32_t nStatus, bool bPost) {
    if (nStatus == 303 && bPost) return TransferCode::RedirectRefused;
    if (from.IsSecure() && !to.IsSecure()) return TransferCode::InsecureRedirect;
    if (!from.HasSameHost(to)) return TransferCode::RedirectRefused;
    if (from.IsSecure() == to.IsSecure() && from.Port() != to.Port()) return TransferCode::RedirectRefused;
    return std::nullopt;
}

InternetErrorRule RuleForInternetError(TransferCode current, uint32_t nError) {
    switch (nError) {
    case kErrorNameNotResolved: return {TransferCode::HostNotFound, false};
    case kErrorUnknownAuthority:
    case kErrorInvalidCertificate:
    case kErrorCertificateRevoked:
    case kErrorNoRevocationCheck:
    case kErrorRevocationCheckFailed:
    case kErrorCertificateErrors: return {TransferCode::CertificateUntrusted, true};
    case kErrorCertificateName: return {TransferCode::CertificateWrongHost, true};
    case kErrorCertificateDate: return {TransferCode::CertificateExpired, true};
    case kErrorSecureChannel: return {TransferCode::SecureConnectionFailed, true};
    default: return {current, false};
    }
}

TransferCode CodeAtJobEnd(StepResult result, TransferCode current) {
    if (result == StepResult::Complete) return current;
    return current == TransferCode::Complete ? TransferCode::Failed : current;
}
