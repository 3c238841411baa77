// The version check's request body and what each response offers.
#include <gtest/gtest.h>

#include <climits>
#include <string>

#include "net/version_check.h"

namespace {

TEST(VersionCheck, RequestBody) {
    EXPECT_EQ(VersionRequestBody(3), "{\"client_type_id\":3}");
    EXPECT_EQ(VersionRequestBody(3).size(), 20u);
    EXPECT_EQ(VersionRequestBody(0), "{\"client_type_id\":0}");
    EXPECT_EQ(VersionRequestBody(-7), "{\"client_type_id\":-7}");
    EXPECT_EQ(VersionRequestBody(INT_MIN), "{\"client_type_id\":-2147483648}");
}

TEST(VersionCheck, Responses) {
    struct Case {
        const char* name;
        std::string text;
        bool offered;
        std::string version;
        std::string url;
    };
    const Case kCases[] = {
        {"offer", R"({"success":true,"version_number":"2.1.0","url":"http://h/p.zip"})", true,
         "2.1.0", "http://h/p.zip"},
        {"empty version text is still an offer",
         R"({"success":true,"version_number":"","url":"x"})", true, "", "x"},
        {"escaped slashes", R"({"success":true,"version_number":"1","url":"http:\/\/h\/a.zip"})",
         true, "1", "http://h/a.zip"},
        {"white space around",
         " \t\r\n{\"success\":true,\"version_number\":\"1\",\"url\":\"u\"}\n ", true, "1", "u"},
        {"members in any order, others ignored",
         R"({"url":"u","extra":[1,2],"version_number":"9","success":true,"errmsg":"x"})", true, "9",
         "u"},
        {"raw bytes above 127 pass",
         "{\"success\":true,\"version_number\":\"\xB0\xE6\",\"url\":\"u\"}", true, "\xB0\xE6", "u"},
        {"texts cut at NUL", R"({"success":true,"version_number":"1\u00002","url":"ab\u0000cd"})",
         true, "1", "ab"},
        {"success true, url empty", R"({"success":true,"version_number":"3","url":""})", false, "3",
         ""},
        {"success false", R"({"success":false,"errmsg":"none","version_number":"1","url":"u"})",
         false, "", ""},
        {"success as a string", R"({"success":"true","version_number":"1","url":"u"})", false, "",
         ""},
        {"success as a number", R"({"success":1,"version_number":"1","url":"u"})", false, "", ""},
        {"success missing", R"({"version_number":"1","url":"u"})", false, "", ""},
        {"names are case-sensitive", R"({"Success":true,"version_number":"1","url":"u"})", false,
         "", ""},
        {"first of duplicates counts",
         R"({"success":false,"success":true,"version_number":"1","url":"u"})", false, "", ""},
        {"duplicate url: the first", R"({"success":true,"version_number":"1","url":"a","url":"b"})",
         true, "1", "a"},
        {"trailing text", R"({"success":true,"version_number":"1","url":"u"} x)", false, "", ""},
        {"second value", R"({"success":true,"version_number":"1","url":"u"}{})", false, "", ""},
        {"trailing comma", R"({"success":true,"version_number":"1","url":"u",})", false, "", ""},
        {"comment", R"({"success":true,/*c*/"version_number":"1","url":"u"})", false, "", ""},
        {"empty", "", false, "", ""},
        {"white space only", " \r\n\t", false, "", ""},
        {"html error page", "<html><body>500</body></html>", false, "", ""},
        {"root is an array", R"([{"success":true,"version_number":"1","url":"u"}])", false, "", ""},
        {"root is true", "true", false, "", ""},
        {"url missing", R"({"success":true,"version_number":"1"})", false, "", ""},
        {"url not a string", R"({"success":true,"version_number":"1","url":5})", false, "", ""},
        {"version missing", R"({"success":true,"url":"u"})", false, "", ""},
        {"version not a string", R"({"success":true,"version_number":2,"url":"u"})", false, "", ""},
    };
    for (const Case& c : kCases) {
        VersionOutcome outcome = InterpretVersionResponse(c.text);
        EXPECT_EQ(outcome.offered, c.offered) << c.name;
        EXPECT_EQ(outcome.versionNumber, c.version) << c.name;
        EXPECT_EQ(outcome.url, c.url) << c.name;
    }
}

}  // namespace
