#include "net/CurlGlobal.h"

#include <curl/curl.h>

namespace kelvarin {

bool EnsureCurlInitialised() {
    // curl_global_init is not safe to race; a function-local static runs it once.
    static const CURLcode initialised = curl_global_init(CURL_GLOBAL_DEFAULT);
    return initialised == CURLE_OK;
}

} // namespace kelvarin
