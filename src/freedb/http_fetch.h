#pragma once

#include <chrono>
#include <cstddef>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kalvex {

// What a fetch brought back: the reply body as bytes, or why there is none.
struct FetchResult {
    bool ok = false;
    std::string body;
    std::string reason;  // the transport's own words, e.g. "Connection refused"
    long status = 0;     // the HTTP status when one arrived, else 0
    // The reply's Retry-After in seconds, when it gave one.
    std::optional<long> retry_after_seconds;
};

struct FetchLimits {
    long connect_timeout_ms = 10'000;
    long total_timeout_ms = 30'000;
    std::size_t max_reply_bytes = 4 * 1024 * 1024;
    long max_redirects = 3;
};

// The limits above; tests shorten both time-outs to the milliseconds in
// KALVEX_TEST_FETCH_TIMEOUT_MS so that a stalled server costs them little.
FetchLimits DefaultFetchLimits();

// The port box's number: its leading digits, as the box has always been read.
// A value outside 1..65535 (an empty box, "0", "70000") yields nullopt and the
// reason in `reason`.
std::optional<long> ReadPortText(std::string_view port_text, std::string& reason);

using Clock = std::chrono::steady_clock;

// One GET request.
struct HttpRequest {
    std::string url;
    // The port box's text, which overrides the URL's own port; none keeps
    // the URL's port (or its scheme's).
    std::optional<std::string> port_text;
    std::vector<std::string> headers;  // "Name: value" lines
    // Not sent before this moment (a service's rate limit).
    Clock::time_point not_before{};
};

using FetchDone = std::function<void(FetchResult)>;

// Spaces the requests to one service: each gets a moment at least
// `interval` after the one before it, so a service's rate limit is kept by
// waiting, never by failing.
class RequestPacer {
public:
    explicit RequestPacer(Clock::duration interval) : interval_(interval) {}
    // The earliest moment for the next request, reserved for it.
    Clock::time_point Next();
    // Also no request before `moment` (a service asked to slow down).
    void HoldUntil(Clock::time_point moment);
    // The last request was answered now: the next waits a whole interval from
    // here, since a request sent late reached the service late.
    void Answered();

private:
    Clock::duration interval_;
    Clock::time_point next_{};
};

// Fetches URLs. Several requests may run at once on the calling thread:
// Start them, then Run until all are done; a request's `done` runs inside
// Run and may Start the next one. Successive requests may share a
// kept-alive connection.
class HttpFetcher {
public:
    virtual ~HttpFetcher() = default;
    virtual void Start(HttpRequest request, FetchDone done) = 0;
    virtual void Run() = 0;
    // Ends the requests under way as soon as it can (from the code the
    // waiting runs); they then fail. Requests started later run again.
    virtual void Cancel() {}

    // One request, start to end.
    FetchResult Fetch(HttpRequest request);
    // GET `url` on the port the port box holds (it overrides the URL's own).
    FetchResult Fetch(const std::string& url, const std::string& port_text);
};

// A fetcher that answers one request at a time by Answer, for stand-ins
// that need no network: the requests run in the order they were started.
class SequentialFetcher : public HttpFetcher {
public:
    void Start(HttpRequest request, FetchDone done) override;
    void Run() override;

protected:
    virtual FetchResult Answer(const HttpRequest& request) = 0;

private:
    std::vector<std::pair<HttpRequest, FetchDone>> queued_;
};

// The fetcher for real servers (libcurl's multi interface). Only http and
// https are spoken, for the first request and for redirects (at most
// `max_redirects`); a reply with an HTTP error status or one larger than
// `max_reply_bytes` is a failed fetch. `while_waiting` runs every few
// milliseconds while requests are under way, so a window can keep
// repainting.
class CurlFetcher : public HttpFetcher {
public:
    explicit CurlFetcher(FetchLimits limits = DefaultFetchLimits(),
                         std::function<void()> while_waiting = {});
    ~CurlFetcher() override;
    CurlFetcher(const CurlFetcher&) = delete;
    CurlFetcher& operator=(const CurlFetcher&) = delete;

    void Start(HttpRequest request, FetchDone done) override;
    void Run() override;
    void Cancel() override { cancelled_ = true; }

private:
    struct Transfer;
    struct Handles;
    void Begin(std::unique_ptr<Transfer> transfer);
    void Finish(Transfer& transfer, int code);

    std::unique_ptr<Handles> handles_;
    FetchLimits limits_;
    std::function<void()> while_waiting_;
    bool cancelled_ = false;
};

}  // namespace kalvex
