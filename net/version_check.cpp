#include "net/version_check.h"

#include <rapidjson/document.h>
#include <rapidjson/stringbuffer.h>
#include <rapidjson/writer.h>

#include "net/http_transport.h"

const char* const VersionApiBase = KIVRA_VERSION_API_BASE;

namespace {

const char kCheckPath[] = "/api/v1/version/client/check";

// The text of a string member, up to its first NUL; false when missing or not a string.
bool StringMember(const rapidjson::Value& object, const char* name, std::string* text) {
    rapidjson::Value::ConstMemberIterator member = object.FindMember(name);
    if (member == object.MemberEnd() || !member->value.IsString())
        return false;
    *text = member->value.GetString();  // the C string stops at an escaped \u0000
    return true;
}

}  // namespace

std::string VersionRequestBody(int clientTypeId) {
    rapidjson::StringBuffer buffer;
    rapidjson::Writer<rapidjson::StringBuffer> writer(buffer);
    writer.StartObject();
    writer.Key("client_type_id");
    writer.Int(clientTypeId);
    writer.EndObject();
    return buffer.GetString();
}

VersionOutcome InterpretVersionResponse(const std::string& responseText) {
    VersionOutcome outcome;
    rapidjson::Document document;
    document.Parse(responseText.c_str(), responseText.size());
    if (document.HasParseError() || !document.IsObject())
        return outcome;

    rapidjson::Value::ConstMemberIterator success = document.FindMember("success");
    if (success == document.MemberEnd() || !success->value.IsTrue())
        return outcome;

    std::string versionNumber;
    std::string url;
    if (!StringMember(document, "version_number", &versionNumber) ||
        !StringMember(document, "url", &url))
        return outcome;
    outcome.versionNumber = versionNumber;
    outcome.url = url;
    outcome.offered = !url.empty();
    return outcome;
}

int RequestVersionInfo(std::string base, std::string& response, int clientTypeId) {
    return PostJson(1, response, base + kCheckPath, VersionRequestBody(clientTypeId));
}

VersionOutcome QueryLatestVersion(int clientTypeId, std::string& responseText) {
    if (RequestVersionInfo(VersionApiBase, responseText, clientTypeId) != 0)
        return VersionOutcome();
    return InterpretVersionResponse(responseText);
}
