#pragma once

#include <curl/curl.h>

namespace zelvane {

// The functions of libcurl the mail client calls, looked up when the first
// mail goes out. Linked at start, libcurl and what it brings (GnuTLS with its
// PKCS#11 modules, LDAP, SSH, RTMP...) cost the tray program megabytes it
// would hold for days without sending a single mail.
struct CurlApi {
    CURLcode (*global_init)(long flags);
    CURL* (*easy_init)();
    void (*easy_cleanup)(CURL* curl);
    CURLcode (*easy_setopt)(CURL* curl, CURLoption option, ...);
    CURLcode (*easy_getinfo)(CURL* curl, CURLINFO info, ...);
    CURLcode (*easy_perform)(CURL* curl);
    const char* (*easy_strerror)(CURLcode code);
    curl_slist* (*slist_append)(curl_slist* list, const char* line);
    void (*slist_free_all)(curl_slist* list);
    curl_mime* (*mime_init)(CURL* curl);
    void (*mime_free)(curl_mime* mime);
    curl_mimepart* (*mime_addpart)(curl_mime* mime);
    CURLcode (*mime_data)(curl_mimepart* part, const char* data, size_t size);
    CURLcode (*mime_type)(curl_mimepart* part, const char* type);
    CURLcode (*mime_encoder)(curl_mimepart* part, const char* encoding);
    CURLcode (*mime_subparts)(curl_mimepart* part, curl_mime* subparts);
};

// libcurl loaded and initialised, once for the life of the program (any
// thread may ask first); nothing when it cannot be loaded or lacks a function.
const CurlApi* curlApi();

} // namespace zelvane
