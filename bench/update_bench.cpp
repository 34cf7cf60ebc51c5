// Update engine benchmarks:
//  1. MD5 throughput of the engine's digest beside OpenSSL's MD5 on the same
//     buffer in the same run;
//  2. a file-mode image download (httpGet with the digest) of 256 MiB from the
//     local test server beside the MD5-only throughput;
//  3. the peak memory of a whole download process at 16 MiB and at 256 MiB.
// Downloads run in child processes of this program, so each peak memory
// figure is that of one download alone; the server stays in the parent.
//
// Usage: ondavox_update_bench            (everything)
//        ondavox_update_bench --download <bytes> <seed>   (one child run)

#include "update/http_client.h"
#include "update/md5.h"

#include "tests/support/http_test_pattern.h"
#include "tests/support/http_test_server.h"
#include "platform/files.h"

#include <openssl/evp.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

constexpr std::size_t MIB = 1024 * 1024;
constexpr std::size_t DIGEST_BUFFER = 64 * MIB;
constexpr int ROUNDS = 5;

double secondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

double mibPerSecond(std::size_t bytes, double seconds) { return static_cast<double>(bytes) / MIB / seconds; }

template <typename Digest>
double bestThroughput(const std::vector<unsigned char>& data, Digest digest) {
    double best = 0;
    for (int round = 0; round < ROUNDS; ++round) {
        const auto start = Clock::now();
        digest();
        best = std::max(best, mibPerSecond(data.size(), secondsSince(start)));
    }
    return best;
}

int childDownload(std::size_t bytes, const char* seed) {
    char path[] = "/tmp/ondavox-bench-XXXXXX";
    const int fd = ::mkstemp(path);
    if (fd < 0) {
        return 1;
    }
    ::close(fd);
    const auto start = Clock::now();
    update::md5Reset();
    const std::int32_t received = update::httpGet(u"/firmware/latest/", u"Ondavox_update.bvn", 0, path, true);
    update::Md5Digest digest{};
    update::md5Final(digest);
    const double seconds = secondsSince(start);
    ::unlink(path);

    // The digest must be that of the served content, or the figure is void.
    std::vector<unsigned char> block(MIB);
    EVP_MD_CTX* reference = EVP_MD_CTX_new();
    EVP_DigestInit_ex(reference, EVP_md5(), nullptr);
    for (std::size_t offset = 0; offset < bytes; offset += block.size()) {
        const std::size_t n = std::min(block.size(), bytes - offset);
        testsupport::fillPattern(std::strtoull(seed, nullptr, 10), offset, block.data(), n);
        EVP_DigestUpdate(reference, block.data(), n);
    }
    unsigned char expected[16];
    EVP_DigestFinal_ex(reference, expected, nullptr);
    EVP_MD_CTX_free(reference);

    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    const bool correct = received == static_cast<std::int32_t>(bytes) && std::memcmp(expected, digest.data(), 16) == 0;
    std::printf("%d %.6f %ld\n", correct ? 1 : 0, seconds, usage.ru_maxrss);
    return correct ? 0 : 1;
}

// Writing 256 MiB to a new local file in 1024-byte pieces, the way file mode
// writes, without any network or digest: the floor of the download's cost.
double pieceWriteSpeed(std::size_t bytes) {
    char path[] = "/tmp/ondavox-bench-XXXXXX";
    const int fd = ::mkstemp(path);
    if (fd < 0) {
        return 0;
    }
    ::close(fd);
    std::vector<unsigned char> piece(update::HTTP_CHUNK_SIZE);
    testsupport::fillPattern(3, 0, piece.data(), piece.size());
    const auto start = Clock::now();
    {
        platform::File file = platform::createEmptyForWriting(path);
        for (std::size_t offset = 0; offset < bytes; offset += piece.size()) {
            std::uint32_t written = 0;
            platform::writeFile(file, piece.data(), static_cast<std::uint32_t>(piece.size()), written);
        }
    }
    const double seconds = secondsSince(start);
    ::unlink(path);
    return mibPerSecond(bytes, seconds);
}

struct DownloadFigures {
    bool correct = false;
    double seconds = 0;
    long peakKiB = 0;
};

DownloadFigures runDownload(const std::string& self, testsupport::HttpTestServer& server, std::size_t bytes,
                            std::uint64_t seed) {
    testsupport::HttpTestReply reply;
    reply.patternLength = bytes;
    reply.patternSeed = seed;
    server.script("/firmware/latest/Ondavox_update.bvn", reply);
    const std::string command = "'" + self + "' --download " + std::to_string(bytes) + " " + std::to_string(seed);
    DownloadFigures figures;
    if (std::FILE* child = ::popen(command.c_str(), "r")) {
        int correct = 0;
        if (std::fscanf(child, "%d %lf %ld", &correct, &figures.seconds, &figures.peakKiB) == 3) {
            figures.correct = correct == 1;
        }
        ::pclose(child);
    }
    return figures;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 4 && std::strcmp(argv[1], "--download") == 0) {
        return childDownload(std::strtoull(argv[2], nullptr, 10), argv[3]);
    }

    // 1. Digest throughput on one buffer.
    std::vector<unsigned char> data(DIGEST_BUFFER);
    testsupport::fillPattern(7, 0, data.data(), data.size());
    update::Md5Digest ours{};
    unsigned char theirs[16];
    const double ourSpeed = bestThroughput(data, [&] {
        update::md5Reset();
        update::md5Update(data.size(), data.data());
        update::md5Final(ours);
    });
    const double opensslSpeed = bestThroughput(data, [&] {
        EVP_Digest(data.data(), data.size(), theirs, nullptr, EVP_md5(), nullptr);
    });
    // The same digest on 1024-byte pieces, the way a download feeds it.
    const double pieceSpeed = bestThroughput(data, [&] {
        update::md5Reset();
        for (std::size_t offset = 0; offset < data.size(); offset += update::HTTP_CHUNK_SIZE) {
            update::md5Update(update::HTTP_CHUNK_SIZE, data.data() + offset);
        }
        update::md5Final(ours);
    });
    if (std::memcmp(ours.data(), theirs, 16) != 0) {
        std::printf("digest mismatch against OpenSSL\n");
        return 1;
    }
    std::printf("MD5, %zu MiB buffer, best of %d:\n", DIGEST_BUFFER / MIB, ROUNDS);
    std::printf("  engine md5Update (whole buffer)   %8.1f MiB/s\n", ourSpeed);
    std::printf("  engine md5Update (1024-byte pieces)%7.1f MiB/s\n", pieceSpeed);
    std::printf("  OpenSSL EVP md5                   %8.1f MiB/s\n", opensslSpeed);
    std::printf("  ratio engine / OpenSSL            %8.3f\n", ourSpeed / opensslSpeed);

    // 2 and 3. Downloads from the local server through the proxy variables.
    testsupport::HttpTestServer server;
    if (!server.isListening()) {
        std::printf("the local server cannot listen\n");
        return 1;
    }
    testsupport::setHttpProxy(server.proxyUrl());
    char self[4096];
    const ssize_t selfLength = ::readlink("/proc/self/exe", self, sizeof self - 1);
    if (selfLength <= 0) {
        return 1;
    }
    self[selfLength] = '\0';

    const DownloadFigures small = runDownload(self, server, 16 * MIB, 11);
    DownloadFigures large;
    for (int round = 0; round < 3; ++round) {
        const DownloadFigures run = runDownload(self, server, 256 * MIB, 12);
        if (!run.correct) {
            large = run;
            break;
        }
        if (round == 0 || run.seconds < large.seconds) {
            large = run;
        }
    }
    if (!small.correct || !large.correct) {
        std::printf("a download did not deliver the served image\n");
        return 1;
    }
    const double downloadSpeed = mibPerSecond(256 * MIB, large.seconds);
    std::printf("Download with digest, 256 MiB in file mode (best of 3):\n");
    std::printf("  download + digest                 %8.1f MiB/s\n", downloadSpeed);
    std::printf("  MD5 only (1024-byte pieces)       %8.1f MiB/s\n", pieceSpeed);
    std::printf("  ratio download / MD5 only         %8.3f\n", downloadSpeed / pieceSpeed);
    const double writeSpeed = pieceWriteSpeed(256 * MIB);
    const double floorSpeed = 1.0 / (1.0 / writeSpeed + 1.0 / pieceSpeed);
    std::printf("  for scale: 1024-byte file writes alone %5.1f MiB/s; writes + MD5, no network %5.1f MiB/s\n",
                writeSpeed, floorSpeed);
    std::printf("  ratio download / (writes + MD5)   %8.3f\n", downloadSpeed / floorSpeed);
    std::printf("Peak memory of a download process (max RSS):\n");
    std::printf("  16 MiB image                      %8ld KiB\n", small.peakKiB);
    std::printf("  256 MiB image                     %8ld KiB\n", large.peakKiB);
    std::printf("  ratio 256 MiB / 16 MiB            %8.3f\n",
                static_cast<double>(large.peakKiB) / static_cast<double>(small.peakKiB));
    return 0;
}
