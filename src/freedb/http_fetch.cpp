// The HTTP fetcher (libcurl): reply bodies of requests run side by side.
#include "freedb/http_fetch.h"

#include <curl/curl.h>

#include <algorithm>
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

// Retry-After in seconds; a date instead of seconds is taken as "soon".
std::optional<long> RetryAfter(CURL* easy) {
    curl_header* header = nullptr;
    if (curl_easy_header(easy, "Retry-After", 0, CURLH_HEADER, -1, &header) != CURLHE_OK) {
        return std::nullopt;
    }
    const std::int64_t seconds = LeadingInteger(header->value);
    return static_cast<long>(std::clamp<std::int64_t>(seconds, 0, 3600));
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

Clock::time_point RequestPacer::Next() {
    const Clock::time_point moment = std::max(Clock::now(), next_);
    next_ = moment + interval_;
    return moment;
}

void RequestPacer::HoldUntil(Clock::time_point moment) {
    next_ = std::max(next_, moment);
}

void RequestPacer::Answered() {
    HoldUntil(Clock::now() + interval_);
}

FetchResult HttpFetcher::Fetch(HttpRequest request) {
    FetchResult result;
    Start(std::move(request), [&result](FetchResult done) { result = std::move(done); });
    Run();
    return result;
}

FetchResult HttpFetcher::Fetch(const std::string& url, const std::string& port_text) {
    return Fetch(HttpRequest{url, port_text, {}, {}});
}

void SequentialFetcher::Start(HttpRequest request, FetchDone done) {
    queued_.emplace_back(std::move(request), std::move(done));
}

void SequentialFetcher::Run() {
    while (!queued_.empty()) {
        auto [request, done] = std::move(queued_.front());
        queued_.erase(queued_.begin());
        done(Answer(request));
    }
}

// One request: its handle, the reply as it arrives and who waits for it.
struct CurlFetcher::Transfer {
    HttpRequest request;
    FetchDone done;
    CURL* easy = nullptr;
    curl_slist* headers = nullptr;
    ReplyBuffer reply;
    char error[CURL_ERROR_SIZE] = {};
    std::string failure;  // set before the transfer could start

    ~Transfer() {
        curl_slist_free_all(headers);
        if (easy != nullptr) {
            curl_easy_cleanup(easy);
        }
    }
};

struct CurlFetcher::Handles {
    // The connection cache lives in the multi handle: a kept-alive
    // connection serves the next request to the same server.
    CURLM* multi = nullptr;
    std::vector<std::unique_ptr<Transfer>> waiting;  // not yet due
    std::vector<std::unique_ptr<Transfer>> running;

    ~Handles() {
        for (const auto& transfer : running) {
            curl_multi_remove_handle(multi, transfer->easy);
        }
        running.clear();
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
    handles_->multi = curl_multi_init();
}

CurlFetcher::~CurlFetcher() = default;

void CurlFetcher::Start(HttpRequest request, FetchDone done) {
    auto transfer = std::make_unique<Transfer>();
    transfer->request = std::move(request);
    transfer->done = std::move(done);
    handles_->waiting.push_back(std::move(transfer));
}

void CurlFetcher::Begin(std::unique_ptr<Transfer> transfer) {
    Transfer& t = *transfer;
    const HttpRequest& request = t.request;
    std::optional<long> port;
    if (request.port_text) {
        port = ReadPortText(*request.port_text, t.failure);
    }
    t.easy = curl_easy_init();
    if (handles_->multi == nullptr || t.easy == nullptr) {
        t.failure = "the HTTP library could not be initialised";
    }
    if (!t.failure.empty()) {
        FetchResult failed;
        failed.reason = t.failure;
        t.done(std::move(failed));
        return;
    }
    t.reply.limit = limits_.max_reply_bytes;
    CURL* easy = t.easy;
    curl_easy_setopt(easy, CURLOPT_URL, request.url.c_str());
    if (port) {
        curl_easy_setopt(easy, CURLOPT_PORT, *port);
    }
    curl_easy_setopt(easy, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(easy, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(easy, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(easy, CURLOPT_MAXREDIRS, limits_.max_redirects);
    curl_easy_setopt(easy, CURLOPT_CONNECTTIMEOUT_MS, limits_.connect_timeout_ms);
    curl_easy_setopt(easy, CURLOPT_TIMEOUT_MS, limits_.total_timeout_ms);
    curl_easy_setopt(easy, CURLOPT_MAXFILESIZE_LARGE,
                     static_cast<curl_off_t>(limits_.max_reply_bytes));
    curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, CollectReply);
    curl_easy_setopt(easy, CURLOPT_WRITEDATA, &t.reply);
    curl_easy_setopt(easy, CURLOPT_ERRORBUFFER, t.error);
    curl_easy_setopt(easy, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(easy, CURLOPT_ACCEPT_ENCODING, "");
    curl_easy_setopt(easy, CURLOPT_PRIVATE, &t);
    for (const std::string& header : request.headers) {
        t.headers = curl_slist_append(t.headers, header.c_str());
    }
    curl_easy_setopt(easy, CURLOPT_HTTPHEADER, t.headers);
    if (const CURLMcode added = curl_multi_add_handle(handles_->multi, easy); added != CURLM_OK) {
        FetchResult failed;
        failed.reason = curl_multi_strerror(added);
        t.done(std::move(failed));
        return;
    }
    handles_->running.push_back(std::move(transfer));
}

void CurlFetcher::Finish(Transfer& t, int code_value) {
    const auto code = static_cast<CURLcode>(code_value);
    FetchResult result;
    curl_easy_getinfo(t.easy, CURLINFO_RESPONSE_CODE, &result.status);
    if (t.reply.too_large || code == CURLE_FILESIZE_EXCEEDED) {
        result.reason = "the reply is larger than " + MegabytesText(limits_.max_reply_bytes);
    } else if (code != CURLE_OK) {
        result.reason = t.error[0] != '\0' ? t.error : curl_easy_strerror(code);
    } else if (result.status >= 300) {
        // A redirect that was not followed (too many, or to another
        // protocol) ends here as well as an error status does.
        result.reason = "the server answered with HTTP status " + std::to_string(result.status);
        result.retry_after_seconds = RetryAfter(t.easy);
    } else {
        result.ok = true;
        result.body = std::move(t.reply.bytes);
    }
    t.done(std::move(result));
}

void CurlFetcher::Run() {
    cancelled_ = false;
    Handles& h = *handles_;
    while (!h.waiting.empty() || !h.running.empty()) {
        // Requests that are due go out; the others wait for their moment.
        const Clock::time_point now = Clock::now();
        Clock::time_point next_due = Clock::time_point::max();
        for (std::size_t i = 0; i < h.waiting.size();) {
            if (h.waiting[i]->request.not_before <= now) {
                std::unique_ptr<Transfer> due = std::move(h.waiting[i]);
                h.waiting.erase(h.waiting.begin() + static_cast<std::ptrdiff_t>(i));
                Begin(std::move(due));
                i = 0;  // a failed start may have queued another
            } else {
                next_due = std::min(next_due, h.waiting[i]->request.not_before);
                ++i;
            }
        }
        int running = 0;
        curl_multi_perform(h.multi, &running);
        int queued = 0;
        while (CURLMsg* message = curl_multi_info_read(h.multi, &queued)) {
            if (message->msg != CURLMSG_DONE) {
                continue;
            }
            Transfer* done = nullptr;
            curl_easy_getinfo(message->easy_handle, CURLINFO_PRIVATE, &done);
            const CURLcode code = message->data.result;
            curl_multi_remove_handle(h.multi, message->easy_handle);
            auto owned = std::ranges::find_if(
                h.running, [done](const auto& transfer) { return transfer.get() == done; });
            std::unique_ptr<Transfer> finished = std::move(*owned);
            h.running.erase(owned);
            Finish(*finished, code);
        }
        if (h.waiting.empty() && h.running.empty()) {
            break;
        }
        long wait = kPollMilliseconds;
        if (next_due != Clock::time_point::max()) {
            const auto until_due =
                std::chrono::duration_cast<std::chrono::milliseconds>(next_due - Clock::now());
            wait = std::clamp<long>(static_cast<long>(until_due.count()), 0, kPollMilliseconds);
        }
        curl_multi_poll(h.multi, nullptr, 0, static_cast<int>(wait), nullptr);
        if (while_waiting_) {
            while_waiting_();
        }
        if (cancelled_) {
            // Every request under way or waiting fails at once.
            std::vector<std::unique_ptr<Transfer>> ended = std::move(h.running);
            h.running.clear();
            for (auto& transfer : h.waiting) {
                ended.push_back(std::move(transfer));
            }
            h.waiting.clear();
            for (const auto& transfer : ended) {
                if (transfer->easy != nullptr) {
                    curl_multi_remove_handle(h.multi, transfer->easy);
                }
                FetchResult failed;
                failed.reason = "the request was cancelled";
                transfer->done(std::move(failed));
            }
            cancelled_ = false;
        }
    }
}

}  // namespace kalvex
