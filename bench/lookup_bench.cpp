// A lookup's two requests ("cddb query", then "cddb read") against the
// project's CDDB server on 127.0.0.1: over one kept-alive connection, as a
// lookup sends them, and over a new connection each, printed as a ratio.
//   lookup_bench [LOOKUPS]
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "cddb_server_process.h"
#include "freedb/cddb_protocol.h"
#include "freedb/http_fetch.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr const char* kHello = "&hello=anon+localhost+Kalvex%5FTagger+1.0.0&proto=5";

double SecondsFor(int lookups, bool one_connection, const std::string& base,
                  const std::string& port) {
    const std::string query = kalvex::BuildRequestUrl(base, kalvex::kDefaultRoot,
                                                      "cddb query b014802 2 150 13500 330", kHello);
    const std::string read =
        kalvex::BuildRequestUrl(base, kalvex::kDefaultRoot, "cddb read rock 0b014802", kHello);
    const Clock::time_point start = Clock::now();
    for (int i = 0; i < lookups; ++i) {
        kalvex::CurlFetcher first;
        const bool ok_query = first.Fetch(query, port).ok;
        bool ok_read = false;
        if (one_connection) {
            ok_read = first.Fetch(read, port).ok;
        } else {
            kalvex::CurlFetcher second;
            ok_read = second.Fetch(read, port).ok;
        }
        if (!ok_query || !ok_read) {
            std::fprintf(stderr, "a request failed\n");
            std::exit(1);
        }
    }
    return std::chrono::duration<double>(Clock::now() - start).count();
}

}  // namespace

int main(int argc, char** argv) {
    const int lookups = argc > 1 ? std::atoi(argv[1]) : 300;
    kalvex::test::CddbServerProcess server(
        {"--db", std::string(KALVEX_SOURCE_DIR) + "/tests/data/cddb/db"});
    SecondsFor(10, true, server.BaseUrl(), server.PortText());  // warm-up
    const double one = SecondsFor(lookups, true, server.BaseUrl(), server.PortText());
    const double two = SecondsFor(lookups, false, server.BaseUrl(), server.PortText());
    std::printf("%d lookups (query + read) against the local CDDB server\n", lookups);
    std::printf("  one kept-alive connection: %.3f s (%.2f ms a lookup)\n", one,
                1000 * one / lookups);
    std::printf("  a connection per request:  %.3f s (%.2f ms a lookup)\n", two,
                1000 * two / lookups);
    std::printf("  ratio one/two: %.2f\n", one / two);
    return 0;
}
