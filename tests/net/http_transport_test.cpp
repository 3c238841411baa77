// PostJson, the version check and the download option set against a server on
// 127.0.0.1: the request on the wire, the response text, failures and stalls.
#include <gtest/gtest.h>

#include <winsock2.h>
#include <windows.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "net/http_transport.h"
#include "net/transfer_limits.h"
#include "net/version_check.h"
#include "tests/net/loopback_server.h"

namespace {

std::string BodyOf(const std::string& request) {
    size_t end = request.find("\r\n\r\n");
    return end == std::string::npos ? std::string() : request.substr(end + 4);
}

TEST(PostJson, SendsOnePostWithTheJsonHeader) {
    LoopbackServer server(LoopbackServer::Reply(200, "{\"ok\":1}"));
    std::string response = "stale";
    ASSERT_EQ(
        PostJson(1, response, server.Url("/api/v1/version/client/check"), "{\"client_type_id\":3}"),
        0);
    EXPECT_EQ(response, "{\"ok\":1}");
    ASSERT_EQ(server.Requests().size(), 1u);
    const std::string request = server.Requests()[0];
    EXPECT_EQ(request.rfind("POST /api/v1/version/client/check HTTP/1.1\r\n", 0), 0u) << request;
    EXPECT_NE(request.find("\r\nContent-Type:application/json;charset=UTF-8\r\n"),
              std::string::npos)
        << request;
    EXPECT_EQ(BodyOf(request), "{\"client_type_id\":3}");
}

TEST(PostJson, CompletedTransfersReturnTheirBody) {
    struct Case {
        const char* name;
        std::string reply;
        std::string response;
    };
    const Case kCases[] = {
        {"empty body", LoopbackServer::Reply(200, ""), ""},
        {"status 500 with a JSON body", LoopbackServer::Reply(500, "{\"errmsg\":\"down\"}"),
         "{\"errmsg\":\"down\"}"},
        {"status 404 page", LoopbackServer::Reply(404, "<html>no</html>", "text/html"),
         "<html>no</html>"},
        {"NUL inside the body", LoopbackServer::Reply(200, std::string("abc\0def", 7)), "abc"},
    };
    for (const Case& c : kCases) {
        LoopbackServer server(c.reply);
        std::string response = "stale";
        EXPECT_EQ(PostJson(1, response, server.Url("/x"), "{}"), 0) << c.name;
        EXPECT_EQ(response, c.response) << c.name;
    }
}

TEST(PostJson, AppendResponseTakesBytesUpToTheFirstNul) {
    std::string target = "x";
    char chunk[] = {'a', 'b', '\0', 'c', 'd'};
    EXPECT_EQ(AppendResponse(chunk, 1, 5, &target), 5u);
    EXPECT_EQ(target, "xab");
    EXPECT_EQ(AppendResponse(chunk + 3, 2, 1, &target), 2u);
    EXPECT_EQ(target, "xabcd");
}

TEST(PostJson, UnreachableHostGivesTheLibraryText) {
    std::string response = "stale";
    const int port = UnusedLoopbackPort();
    EXPECT_EQ(PostJson(1, response, "http://127.0.0.1:" + std::to_string(port) + "/x", "{}"), -1);
    EXPECT_EQ(response, curl_easy_strerror(CURLE_COULDNT_CONNECT));
}

TEST(PostJson, StalledServerFailsAfterTheStallLimit) {
    SetTransferStallSecondsForTesting(2);
    LoopbackServer server("", /*stall=*/true);
    std::string response;
    auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(PostJson(1, response, server.Url("/x"), "{}"), -1);
    double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    SetTransferStallSecondsForTesting(0);
    EXPECT_EQ(response, curl_easy_strerror(CURLE_OPERATION_TIMEDOUT));
    EXPECT_GE(seconds, 1.5);
    EXPECT_LT(seconds, 30.0);
    EXPECT_EQ(TransferStallSeconds(), 60);
}

TEST(VersionCheck, QueryGoesToTheCompiledInHostThroughAProxy) {
    // The compiled-in host is reached through http_proxy, as the end-to-end tests do.
    LoopbackServer server(LoopbackServer::Reply(
        200, R"({"success":true,"version_number":"5.0","url":"http:\/\/pkg\/up.zip"})"));
    _putenv_s("http_proxy", ("http://127.0.0.1:" + std::to_string(server.Port())).c_str());
    std::string responseText;
    VersionOutcome outcome = QueryLatestVersion(-7, responseText);
    _putenv_s("http_proxy", "");
    EXPECT_TRUE(outcome.offered);
    EXPECT_EQ(outcome.versionNumber, "5.0");
    EXPECT_EQ(outcome.url, "http://pkg/up.zip");
    ASSERT_EQ(server.Requests().size(), 1u);
    const std::string request = server.Requests()[0];
    EXPECT_EQ(
        request.rfind(
            std::string("POST ") + VersionApiBase + "/api/v1/version/client/check HTTP/1.1\r\n", 0),
        0u)
        << request;
    EXPECT_EQ(BodyOf(request), "{\"client_type_id\":-7}");
}

TEST(VersionCheck, FailedTransferIsNoOfferAndKeepsTheFailureText) {
    std::string responseText;
    const int port = UnusedLoopbackPort();
    EXPECT_EQ(RequestVersionInfo("http://127.0.0.1:" + std::to_string(port), responseText, 1), -1);
    EXPECT_EQ(responseText, curl_easy_strerror(CURLE_COULDNT_CONNECT));
}

TEST(Download, StalledDownloadFailsAfterTheStallLimit) {
    SetTransferStallSecondsForTesting(2);
    LoopbackServer server("HTTP/1.1 200 OK\r\nContent-Length: 100\r\n\r\nabc", /*stall=*/false);
    // The server above sends 3 of 100 bytes and closes: a partial file, not a stall.
    LoopbackServer stalled("", /*stall=*/true);
    char path[MAX_PATH];
    GetTempPathA(MAX_PATH, path);
    std::string file = std::string(path) + "kivra-download-test.bin";
    FILE* out = fopen(file.c_str(), "wb");
    ASSERT_NE(out, nullptr);
    CURL* handle = curl_easy_init();
    SetDownloadOptions(handle, stalled.Url("/up.zip"), out, nullptr, nullptr);
    curl_easy_setopt(handle, CURLOPT_NOPROGRESS, 1L);  // keep the test output readable
    EXPECT_EQ(curl_easy_perform(handle), CURLE_OPERATION_TIMEDOUT);
    curl_easy_cleanup(handle);
    fclose(out);
    SetTransferStallSecondsForTesting(0);

    out = fopen(file.c_str(), "wb");
    handle = curl_easy_init();
    SetDownloadOptions(handle, server.Url("/up.zip"), out, nullptr, nullptr);
    curl_easy_setopt(handle, CURLOPT_NOPROGRESS, 1L);
    EXPECT_NE(curl_easy_perform(handle), CURLE_OK);  // the body ended early
    curl_easy_cleanup(handle);
    fclose(out);
    DeleteFileA(file.c_str());
}

TEST(TextConversion, Utf8ToTheAnsiCodePage) {
    EXPECT_EQ(Utf8ToAnsi(""), "");
    EXPECT_EQ(Utf8ToAnsi("plain ascii"), "plain ascii");
    const std::string chinese = "\xE4\xB8\xAD\xE6\x96\x87";  // 中文 in UTF-8
    if (GetACP() == 936) {
        EXPECT_EQ(Utf8ToAnsi(chinese), "\xD6\xD0\xCE\xC4");  // 中文 in GBK
    } else {
        // Characters the code page lacks become its default character.
        std::string converted = Utf8ToAnsi(chinese);
        EXPECT_NE(converted, chinese);
        EXPECT_FALSE(converted.empty());
    }
    if (const char* expected = std::getenv("KIVRA_EXPECT_ACP")) {
        EXPECT_EQ(GetACP(), static_cast<UINT>(std::atoi(expected)));
    }
}

}  // namespace
