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
    case 407: return {StatusAction::Authenticate, std::nullopt};
    case 404: return {StatusAction::GiveUp, TransferCode::NotFound};
    case 416: return {StatusAction::RetryOnce, TransferCode::Failed};
    case 503: return {StatusAction::GiveUp, TransferCode::Unavailable};
    default: return {StatusAction::Fail, TransferCode::Failed};
    }
}

BodyEndRule RuleForBodyEnd(uint32_t nContentLength, uint32_t nReceived) {
    if (nContentLength == 0xFFFFFFFFu || nContentLength == nReceived)
        return {StepResult::Complete, TransferCode::Complete};
    return {StepResult::Retry, TransferCode::Incomplete};
}

TransferCode CodeAfterInternetError(TransferCode current, uint32_t nError) {
    return nError == kErrorNameNotResolved ? TransferCode::HostNotFound : current;
}

TransferCode CodeAtJobEnd(StepResult result, TransferCode current) {
    if (result == StepResult::Complete) return current;
    return current == TransferCode::Complete ? TransferCode::Failed : current;
}
