// The version check: one POST to the version API, and what its answer offers.
#pragma once

#include <string>

#include "deploy_config.h"

// The version API's base address, compiled in; never read from the configuration.
extern const char* const VersionApiBase;

// The result of one attempt.
struct VersionOutcome {
    bool offered = false;       // success was the literal true and url is not empty
    std::string versionNumber;  // version_number when success was true, else empty
    std::string url;            // url when success was true, else empty
};

// The request body: {"client_type_id":<n>}, compact.
std::string VersionRequestBody(int clientTypeId);

// What a response text offers. Strict JSON (one value, white space around it only);
// names matched exactly, the first of duplicates counting; texts cut at a NUL.
// A root that is not an object, or a version_number or url that is missing or not a
// string while success is true, offers nothing.
VersionOutcome InterpretVersionResponse(const std::string& responseText);

// POSTs the request body for `clientTypeId` to base + "/api/v1/version/client/check";
// returns PostJson's result (0 or -1) with the body or failure text in `response`.
int RequestVersionInfo(std::string base, std::string& response, int clientTypeId);

// One complete attempt against VersionApiBase. `responseText` receives the response
// body or the transport's failure text. Logs, shows and retries nothing.
VersionOutcome QueryLatestVersion(int clientTypeId, std::string& responseText);
