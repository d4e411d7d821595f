// Parses a generated one-million-line ls -l listing and prints the rate. No assertions on
// time: the figure goes into reports, compared across builds on the same machine.
#include "engine/listing/build_listing.h"

#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

namespace {

std::vector<std::string> MakeUnixListing(std::size_t lineCount) {
    static const char* const months[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                         "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    std::vector<std::string> lines;
    lines.reserve(lineCount + 1);
    lines.emplace_back("total " + std::to_string(lineCount * 4));
    char buffer[160];
    for (std::size_t i = 0; i < lineCount; ++i) {
        const char* month = months[i % 12];
        const unsigned day = static_cast<unsigned>(i % 28 + 1);
        const unsigned long long size = (i * 7919ULL) % 5'000'000'000ULL;
        switch (i % 4) {
        case 0:
            std::snprintf(buffer, sizeof buffer,
                          "-rw-r--r--    1 ftpuser  ftpgroup %12llu %s %02u %02u:%02u file_%zu.dat",
                          size, month, day, static_cast<unsigned>(i % 24),
                          static_cast<unsigned>(i % 60), i);
            break;
        case 1:
            std::snprintf(buffer, sizeof buffer,
                          "drwxr-xr-x    2 ftpuser  ftpgroup %12llu %s %02u  %4u dir %zu", 4096ULL,
                          month, day, static_cast<unsigned>(1990 + i % 35), i);
            break;
        case 2:
            std::snprintf(buffer, sizeof buffer,
                          "lrwxrwxrwx    1 root     root     %12llu %s %02u  2019 link%zu -> "
                          "target/file_%zu",
                          size % 100, month, day, i, i);
            break;
        default:
            std::snprintf(buffer, sizeof buffer,
                          "-rw-r--r--    1 0        0        %12llu %s %02u %02u:%02u "
                          "Report %zu (final).pdf",
                          size, month, day, static_cast<unsigned>(i % 24),
                          static_cast<unsigned>(i % 60), i);
            break;
        }
        lines.emplace_back(buffer);
    }
    return lines;
}

} // namespace

int main() {
    constexpr std::size_t lineCount = 1'000'000;
    const std::vector<std::string> lines = MakeUnixListing(lineCount);

    const auto start = std::chrono::steady_clock::now();
    const auto list = tavo::engine::BuildListingItems(tavo::engine::TListingLines(lines));
    const auto stop = std::chrono::steady_clock::now();

    const double seconds = std::chrono::duration<double>(stop - start).count();
    std::printf("parsed %zu lines into %d entries (%d skipped) in %.3f s: %.0f lines/s\n",
                lineCount, list->Count(), list->SkippedLineCount(), seconds,
                static_cast<double>(lineCount) / seconds);
    return list->Count() == static_cast<int>(lineCount) ? 0 : 1;
}
