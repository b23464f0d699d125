#include "platform/https_download.h"

#include <curl/curl.h>
#include <openssl/ssl.h>

#include <cctype>
#include <chrono>
#include <cmath>
#include <mutex>

namespace velmo {
namespace {

void initialiseCurlOnce()
{
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

struct Transfer {
    const DownloadOptions* options;
    DownloadResult* result;
    CURL* curl;
    std::uint64_t received = 0;
    bool overCap = false;
    bool cancelled = false;
    bool stalled = false;
    bool redirectWithCredentials = false;
    curl_off_t lastNow = 0;
    std::chrono::steady_clock::time_point lastActivity = std::chrono::steady_clock::now();
};

std::size_t onBody(char* data, std::size_t size, std::size_t count, void* user)
{
    auto* t = static_cast<Transfer*>(user);
    const std::size_t n = size * count;
    t->received += n;
    if (t->received > t->options->maxBytes) {
        t->overCap = true;
        return 0;  // curl stops with a write error
    }
    long status = 0;
    curl_easy_getinfo(t->curl, CURLINFO_RESPONSE_CODE, &status);
    if (status != 200 || !t->options->sink) return n;
    if (!t->options->sink(reinterpret_cast<const std::uint8_t*>(data), n)) {
        t->result->sinkRefused = true;
        return 0;
    }
    t->result->bytes += n;
    return n;
}

bool startsWithNoCase(const char* text, std::size_t size, const char* prefix)
{
    for (std::size_t i = 0; prefix[i] != '\0'; ++i)
        if (i >= size || std::tolower(static_cast<unsigned char>(text[i])) != prefix[i]) return false;
    return true;
}

// A redirect to an address with credentials would make curl send them: the transfer stops at
// its header instead.
std::size_t onHeader(char* data, std::size_t size, std::size_t count, void* user)
{
    auto* t = static_cast<Transfer*>(user);
    const std::size_t n = size * count;
    if (!startsWithNoCase(data, n, "location:")) return n;
    std::string location(data + 9, n - 9);
    const auto first = location.find_first_not_of(" \t");
    const auto last = location.find_last_not_of(" \t\r\n");
    location = first == std::string::npos ? std::string() : location.substr(first, last - first + 1);
    const char* base = nullptr;
    curl_easy_getinfo(t->curl, CURLINFO_EFFECTIVE_URL, &base);
    CURLU* target = curl_url();
    if (target == nullptr) return 0;
    bool carries = base != nullptr && curl_url_set(target, CURLUPART_URL, base, 0) == CURLUE_OK;
    // Relative to the address that answered, as curl will resolve it.
    carries = carries && curl_url_set(target, CURLUPART_URL, location.c_str(), CURLU_NON_SUPPORT_SCHEME) == CURLUE_OK;
    char* full = nullptr;
    if (carries && curl_url_get(target, CURLUPART_URL, &full, 0) == CURLUE_OK && full != nullptr) {
        carries = urlCarriesCredentials(full);
        curl_free(full);
    } else {
        carries = false;  // not a URL: curl refuses to follow it on its own
    }
    curl_url_cleanup(target);
    if (!carries) return n;
    t->redirectWithCredentials = true;
    return 0;
}

// Called often while the transfer runs, data or not: cancellation and the silence time-out.
int onProgress(void* user, curl_off_t total, curl_off_t now, curl_off_t, curl_off_t)
{
    auto* t = static_cast<Transfer*>(user);
    if (t->options->cancel != nullptr && t->options->cancel->load(std::memory_order_relaxed)) {
        t->cancelled = true;
        return 1;
    }
    const auto clock = std::chrono::steady_clock::now();
    if (now != t->lastNow) {
        t->lastNow = now;
        t->lastActivity = clock;
    } else {
        // Silence (no response, or no more bytes) longer than the request time-out ends it.
        const std::chrono::duration<double> quiet = clock - t->lastActivity;
        if (quiet.count() > t->options->requestTimeoutSeconds) {
            t->stalled = true;
            return 1;
        }
    }
    if (t->options->progress != nullptr) {
        t->options->progress->received.store(static_cast<std::uint64_t>(now), std::memory_order_relaxed);
        t->options->progress->expected.store(static_cast<std::uint64_t>(total), std::memory_order_relaxed);
    }
    return 0;
}

// Trusts the extra CA in addition to the store curl set up from the system.
CURLcode addExtraCa(CURL*, void* sslContext, void* user)
{
    const auto* caFile = static_cast<const std::string*>(user);
    return SSL_CTX_load_verify_locations(static_cast<SSL_CTX*>(sslContext), caFile->c_str(), nullptr) == 1
               ? CURLE_OK
               : CURLE_SSL_CACERT_BADFILE;
}

// A time-out that is not a positive finite number takes its default.
double orDefault(double seconds, double fallback)
{
    return seconds > 0.0 && std::isfinite(seconds) ? std::min(seconds, 1e6) : fallback;
}

long toMs(double seconds) { return static_cast<long>(seconds * 1000.0); }

// The transfer, woken every few milliseconds so that cancelling takes effect at once (an easy
// transfer would look at it only about once a second while the server is silent).
CURLcode perform(CURL* curl, Transfer& transfer)
{
    constexpr int kWakeMs = 20;
    CURLM* multi = curl_multi_init();
    if (multi == nullptr) return CURLE_OUT_OF_MEMORY;
    CURLcode code = CURLE_OK;
    if (curl_multi_add_handle(multi, curl) != CURLM_OK) code = CURLE_FAILED_INIT;
    int running = code == CURLE_OK ? 1 : 0;
    while (running > 0) {
        if (curl_multi_perform(multi, &running) != CURLM_OK) {
            code = CURLE_FAILED_INIT;
            break;
        }
        if (running == 0) break;
        const auto* cancel = transfer.options->cancel;
        if (cancel != nullptr && cancel->load(std::memory_order_relaxed)) {
            transfer.cancelled = true;
            code = CURLE_ABORTED_BY_CALLBACK;
            break;
        }
        curl_multi_poll(multi, nullptr, 0, kWakeMs, nullptr);
    }
    if (running == 0 && code == CURLE_OK) {
        int queued = 0;
        while (const CURLMsg* message = curl_multi_info_read(multi, &queued))
            if (message->msg == CURLMSG_DONE) code = message->data.result;
    }
    curl_multi_remove_handle(multi, curl);
    curl_multi_cleanup(multi);
    return code;
}

}  // namespace

bool urlCarriesCredentials(const std::string& url)
{
    initialiseCurlOnce();
    CURLU* parsed = curl_url();
    if (parsed == nullptr) return true;
    bool carries = false;
    if (curl_url_set(parsed, CURLUPART_URL, url.c_str(), CURLU_NON_SUPPORT_SCHEME) == CURLUE_OK) {
        for (const CURLUPart part : {CURLUPART_USER, CURLUPART_PASSWORD, CURLUPART_OPTIONS}) {
            char* text = nullptr;
            // Present at all, even empty: "https://@host/" still makes curl send a login.
            if (curl_url_get(parsed, part, &text, 0) == CURLUE_OK) carries = true;
            curl_free(text);
        }
    }
    curl_url_cleanup(parsed);
    // An "@" before the path that curl did not read as a login is refused all the same.
    const auto authority = url.find("//");
    if (authority != std::string::npos) {
        const auto end = url.find_first_of("/?#", authority + 2);
        if (url.find('@', authority + 2) < end) carries = true;
    }
    return carries;
}

bool urlScheme(const std::string& url, std::string& scheme)
{
    scheme.clear();
    initialiseCurlOnce();
    CURLU* parsed = curl_url();
    if (parsed == nullptr) return false;
    bool ok = curl_url_set(parsed, CURLUPART_URL, url.c_str(), CURLU_NON_SUPPORT_SCHEME) == CURLUE_OK;
    char* text = nullptr;
    if (ok && curl_url_get(parsed, CURLUPART_SCHEME, &text, 0) == CURLUE_OK && text != nullptr) {
        scheme = text;  // curl lower-cases it
        curl_free(text);
    } else {
        ok = false;
    }
    curl_url_cleanup(parsed);
    return ok;
}

DownloadResult httpsDownload(const std::string& url, const DownloadOptions& options)
{
    DownloadResult result;
    initialiseCurlOnce();
    CURL* curl = curl_easy_init();
    if (curl == nullptr) {
        result.error = "cannot start a download";
        return result;
    }
    DownloadOptions settings = options;
    settings.requestTimeoutSeconds = orDefault(options.requestTimeoutSeconds, 30.0);
    settings.transferTimeoutSeconds = orDefault(options.transferTimeoutSeconds, 300.0);
    Transfer transfer{&settings, &result, curl};
    char detail[CURL_ERROR_SIZE] = {};

    curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
    curl_easy_setopt(curl, CURLOPT_PROTOCOLS_STR, "https");
    curl_easy_setopt(curl, CURLOPT_REDIR_PROTOCOLS_STR, "https");
    curl_easy_setopt(curl, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(curl, CURLOPT_MAXREDIRS, 10L);
    curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);  // worker threads: no SIGALRM
    curl_easy_setopt(curl, CURLOPT_NETRC, static_cast<long>(CURL_NETRC_IGNORED));
    curl_easy_setopt(curl, CURLOPT_SSL_VERIFYPEER, 1L);
    curl_easy_setopt(curl, CURLOPT_SSL_VERIFYHOST, 2L);
    curl_easy_setopt(curl, CURLOPT_SSLVERSION, static_cast<long>(CURL_SSLVERSION_TLSv1_2));
    curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT_MS, toMs(settings.requestTimeoutSeconds));
    curl_easy_setopt(curl, CURLOPT_TIMEOUT_MS, toMs(settings.transferTimeoutSeconds));
    curl_easy_setopt(curl, CURLOPT_MAXFILESIZE_LARGE, static_cast<curl_off_t>(options.maxBytes));
    curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, onBody);
    curl_easy_setopt(curl, CURLOPT_WRITEDATA, &transfer);
    curl_easy_setopt(curl, CURLOPT_HEADERFUNCTION, onHeader);
    curl_easy_setopt(curl, CURLOPT_HEADERDATA, &transfer);
    curl_easy_setopt(curl, CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(curl, CURLOPT_XFERINFOFUNCTION, onProgress);
    curl_easy_setopt(curl, CURLOPT_XFERINFODATA, &transfer);
    curl_easy_setopt(curl, CURLOPT_ERRORBUFFER, detail);
    curl_easy_setopt(curl, CURLOPT_USERAGENT, "Velmo");
    if (!options.caFile.empty()) {
        curl_easy_setopt(curl, CURLOPT_SSL_CTX_FUNCTION, addExtraCa);
        curl_easy_setopt(curl, CURLOPT_SSL_CTX_DATA, &settings.caFile);
    }

    const CURLcode code = perform(curl, transfer);
    long status = 0;
    curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &status);
    result.status = status;
    curl_easy_cleanup(curl);

    if (code == CURLE_OK) {
        result.transferred = true;
        return result;
    }
    if (transfer.cancelled) {
        result.error = "the download was cancelled";
    } else if (transfer.redirectWithCredentials) {
        result.error = "the server redirects to an address with a user name or password";
    } else if (result.sinkRefused) {
        result.error = "the download could not be stored";
    } else if (transfer.stalled) {
        result.error = "the request timed out";
    } else if (transfer.overCap || code == CURLE_FILESIZE_EXCEEDED) {
        result.error = "the download is larger than " + std::to_string(options.maxBytes) + " bytes";
    } else {
        result.error = detail[0] != '\0' ? detail : curl_easy_strerror(code);
    }
    return result;
}

}  // namespace velmo
