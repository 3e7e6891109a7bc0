#pragma once

#include <cstddef>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace kalvex {

// What a fetch brought back: the reply body as bytes, or why there is none.
struct FetchResult {
    bool ok = false;
    std::string body;
    std::string reason;  // the transport's own words, e.g. "Connection refused"
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

// Fetches one URL and returns the body. Successive fetches on one fetcher may
// share a kept-alive connection.
class HttpFetcher {
public:
    virtual ~HttpFetcher() = default;
    // GET `url` on the port the port box holds (it overrides the URL's own).
    virtual FetchResult Fetch(const std::string& url, const std::string& port_text) = 0;
    // Ends a fetch under way as soon as it can (from the code its waiting
    // runs); that fetch then fails.
    virtual void Cancel() {}
};

// The fetcher for real servers (libcurl). Only http and https are spoken, for
// the first request and for redirects (at most `max_redirects`); a reply with
// an HTTP error status or one larger than `max_reply_bytes` is a failed fetch.
// `while_waiting` runs every few milliseconds while a request is under way, so
// a window can keep repainting.
class CurlFetcher : public HttpFetcher {
public:
    explicit CurlFetcher(FetchLimits limits = DefaultFetchLimits(),
                         std::function<void()> while_waiting = {});
    ~CurlFetcher() override;
    CurlFetcher(const CurlFetcher&) = delete;
    CurlFetcher& operator=(const CurlFetcher&) = delete;

    FetchResult Fetch(const std::string& url, const std::string& port_text) override;
    void Cancel() override { cancelled_ = true; }

private:
    struct Handles;
    std::unique_ptr<Handles> handles_;
    FetchLimits limits_;
    std::function<void()> while_waiting_;
    bool cancelled_ = false;
};

}  // namespace kalvex
