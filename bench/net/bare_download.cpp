// Benchmark peer: the plainest libcurl download there is (library defaults, the
// library's own writer into a file), built and run exactly like the updater.
//   bare_download.exe URL FILE
#include <cstdio>

#include <curl/curl.h>

int main(int argc, char** argv) {
    if (argc < 3)
        return 2;
    FILE* file = fopen(argv[2], "wb");
    if (!file)
        return 1;
    CURL* handle = curl_easy_init();
    curl_easy_setopt(handle, CURLOPT_URL, argv[1]);
    curl_easy_setopt(handle, CURLOPT_WRITEDATA, file);
    CURLcode code = curl_easy_perform(handle);
    curl_easy_cleanup(handle);
    fclose(file);
    return code == CURLE_OK ? 0 : 1;
}
