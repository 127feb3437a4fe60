// Splitting the response's raw header text into entries: the status line
// first, then one key and value per field line.
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "HAL_http.h"

namespace {

using Entry = std::pair<std::string, std::string>;  // key ("<none>" for none), value

std::string narrow(const jchar* s, size_t n) {
    std::string out;
    for (size_t i = 0; i < n; ++i) out += char(s[i]);
    return out;
}

std::vector<Entry> split(const std::string& raw) {
    std::u16string wide(raw.begin(), raw.end());
    std::vector<Entry> entries;
    HttpHeaders_split(wide.data(), wide.size(),
                      [&](const jchar* key, size_t keyLength, const jchar* value, size_t valueLength) {
                          entries.emplace_back(key ? narrow(key, keyLength) : "<none>",
                                               narrow(value, valueLength));
                      });
    return entries;
}

TEST(HttpHeaders, SplitsTheRawHeaderText) {
    struct Case {
        const char* raw;
        std::vector<Entry> entries;
    };
    const Case cases[] = {
        {"HTTP/1.1 200 OK\r\nContent-Type: text/plain\r\nContent-Length: 6\r\n\r\n",
         {{"<none>", "HTTP/1.1 200 OK"}, {"Content-Type", "text/plain"}, {"Content-Length", "6"}}},
        // The status line never splits, whatever its reason says.
        {"HTTP/1.1 200 Fine: really\r\nX: y\r\n\r\n",
         {{"<none>", "HTTP/1.1 200 Fine: really"}, {"X", "y"}}},
        // The value starts after the blanks that follow the first ':'.
        {"HTTP/1.1 200 OK\r\nA:b\r\nC:   d: e\r\nEmpty:\r\nBlank: \r\n\r\n",
         {{"<none>", "HTTP/1.1 200 OK"}, {"A", "b"}, {"C", "d: e"}, {"Empty", ""}, {"Blank", ""}}},
        {"HTTP/1.1 200 OK\r\nno colon here\r\n:lone\r\n\r\n",
         {{"<none>", "HTTP/1.1 200 OK"}, {"<none>", "no colon here"}, {"", "lone"}}},
        // The empty line ends the headers; an unended last line is dropped.
        {"HTTP/1.1 200 OK\r\nA: 1\r\n\r\nB: 2\r\n", {{"<none>", "HTTP/1.1 200 OK"}, {"A", "1"}}},
        {"HTTP/1.1 200 OK\r\nA: 1\r\nB: 2", {{"<none>", "HTTP/1.1 200 OK"}, {"A", "1"}}},
        {"HTTP/1.1 200 OK", {}},
        // A bare LF or CR ends a line too.
        {"HTTP/1.1 200 OK\nA: 1\rB: 2\n\n", {{"<none>", "HTTP/1.1 200 OK"}, {"A", "1"}, {"B", "2"}}},
        {"", {}},
        {"\r\n", {}},
        {"X\r", {{"<none>", "X"}}},
        {"X\r\nK:", {{"<none>", "X"}}},
        {"X\r\nK:\r", {{"<none>", "X"}, {"K", ""}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.raw);
        EXPECT_EQ(split(c.raw), c.entries);
    }
}

TEST(HttpHeaders, NullTextGivesNothing) {
    int calls = 0;
    HttpHeaders_split(nullptr, 10, [&](const jchar*, size_t, const jchar*, size_t) { ++calls; });
    EXPECT_EQ(calls, 0);
}

}  // namespace
