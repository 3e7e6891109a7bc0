// The HTTP fetcher (libcurl): one URL's reply body, or why there is none.
#include "freedb/http_fetch.h"

#include <curl/curl.h>

#include <cstdlib>
#include <mutex>

#include "common/numbers.h"

namespace kalvex {
namespace {

constexpr long kPollMilliseconds = 50;

void InitialiseCurlOnce() {
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

// What the write callback collects; it stops the transfer once the reply
// grows past the limit, so a hostile server cannot fill the memory.
struct ReplyBuffer {
    std::string bytes;
    std::size_t limit = 0;
    bool too_large = false;
};

size_t CollectReply(char* data, size_t size, size_t count, void* context) {
    auto& reply = *static_cast<ReplyBuffer*>(context);
    const size_t length = size * count;
    if (reply.bytes.size() + length > reply.limit) {
        reply.too_large = true;
        return 0;
    }
    reply.bytes.append(data, length);
    return length;
}

std::string MegabytesText(std::size_t bytes) {
    return std::to_string(bytes / (1024 * 1024)) + " MiB";
}

}  // namespace

FetchLimits DefaultFetchLimits() {
    FetchLimits limits;
    if (const char* text = std::getenv("KALVEX_TEST_FETCH_TIMEOUT_MS")) {
        const std::int64_t value = LeadingInteger(text);
        if (value > 0 && value < limits.total_timeout_ms) {
            limits.total_timeout_ms = static_cast<long>(value);
            if (limits.connect_timeout_ms > value) {
                limits.connect_timeout_ms = static_cast<long>(value);
            }
        }
    }
    return limits;
}

std::optional<long> ReadPortText(std::string_view port_text, std::string& reason) {
    const std::int64_t port = LeadingInteger(port_text);
    if (port < 1 || port > 65535) {
        reason = "the port \"" + std::string(port_text) + "\" is not a number from 1 to 65535";
        return std::nullopt;
    }
    return static_cast<long>(port);
}

struct CurlFetcher::Handles {
    CURL* easy = nullptr;
    // The connection cache lives in the multi handle: the easy handle is
    // added for each request and removed after it, and the next request on
    // the same server reuses the kept-alive connection.
    CURLM* multi = nullptr;
    char error[CURL_ERROR_SIZE] = {};

    ~Handles() {
        if (easy != nullptr) {
            curl_easy_cleanup(easy);
        }
        if (multi != nullptr) {
            curl_multi_cleanup(multi);
        }
    }
};

CurlFetcher::CurlFetcher(FetchLimits limits, std::function<void()> while_waiting)
    : handles_(std::make_unique<Handles>()),
      limits_(limits),
      while_waiting_(std::move(while_waiting)) {
    InitialiseCurlOnce();
    handles_->easy = curl_easy_init();
    handles_->multi = curl_multi_init();
}

CurlFetcher::~CurlFetcher() = default;

FetchResult CurlFetcher::Fetch(const std::string& url, const std::string& port_text) {
    FetchResult result;
    const std::optional<long> port = ReadPortText(port_text, result.reason);
    if (!port) {
        return result;
    }
    CURL* easy = handles_->easy;
    CURLM* multi = handles_->multi;
    if (easy == nullptr || multi == nullptr) {
        result.reason = "the HTTP library could not be initialised";
        return result;
    }
    cancelled_ = false;
    ReplyBuffer reply;
    reply.limit = limits_.max_reply_bytes;
    handles_->error[0] = '\0';

    curl_easy_setopt(easy, CURLOPT_URL, url.c_str());
    curl_easy_setopt(easy, CURLOPT_PORT, *port);
    curl_easy_setopt(easy, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(easy, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(easy, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(easy, CURLOPT_MAXREDIRS, limits_.max_redirects);
    curl_easy_setopt(easy, CURLOPT_CONNECTTIMEOUT_MS, limits_.connect_timeout_ms);
    curl_easy_setopt(easy, CURLOPT_TIMEOUT_MS, limits_.total_timeout_ms);
    curl_easy_setopt(easy, CURLOPT_MAXFILESIZE_LARGE,
                     static_cast<curl_off_t>(limits_.max_reply_bytes));
    curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, CollectReply);
    curl_easy_setopt(easy, CURLOPT_WRITEDATA, &reply);
    curl_easy_setopt(easy, CURLOPT_ERRORBUFFER, handles_->error);
    curl_easy_setopt(easy, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(easy, CURLOPT_ACCEPT_ENCODING, "");

    CURLcode code = CURLE_OK;
    if (const CURLMcode added = curl_multi_add_handle(multi, easy); added != CURLM_OK) {
        result.reason = curl_multi_strerror(added);
        return result;
    }
    for (int running = 1; running > 0;) {
        if (const CURLMcode step = curl_multi_perform(multi, &running); step != CURLM_OK) {
            result.reason = curl_multi_strerror(step);
            break;
        }
        if (running > 0) {
            curl_multi_poll(multi, nullptr, 0, kPollMilliseconds, nullptr);
            if (while_waiting_) {
                while_waiting_();
            }
            if (cancelled_) {
                result.reason = "the request was cancelled";
                break;
            }
        }
    }
    int queued = 0;
    while (CURLMsg* message = curl_multi_info_read(multi, &queued)) {
        if (message->msg == CURLMSG_DONE && message->easy_handle == easy) {
            code = message->data.result;
        }
    }
    curl_multi_remove_handle(multi, easy);
    if (!result.reason.empty()) {
        return result;
    }

    if (reply.too_large || code == CURLE_FILESIZE_EXCEEDED) {
        result.reason = "the reply is larger than " + MegabytesText(limits_.max_reply_bytes);
        return result;
    }
    if (code != CURLE_OK) {
        result.reason = handles_->error[0] != '\0' ? handles_->error : curl_easy_strerror(code);
        return result;
    }
    long status = 0;
    curl_easy_getinfo(easy, CURLINFO_RESPONSE_CODE, &status);
    if (status >= 300) {
        // A redirect that was not followed (too many, or to another
        // protocol) ends here as well as an error status does.
        result.reason = "the server answered with HTTP status " + std::to_string(status);
        return result;
    }
    result.ok = true;
    result.body = std::move(reply.bytes);
    return result;
}

}  // namespace kalvex
