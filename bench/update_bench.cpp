// Update engine benchmarks, in one run on one loopback server and one image:
//  1. the engine's MD5 beside OpenSSL's on the same buffer;
//  2. the image download three ways:
//     - MD5 only: the engine's digest over the image held in memory, the
//       ceiling for a download that digests as it goes;
//     - ours: downloadImage (a new temporary file, httpGet in file mode with
//       its progress reports, one per 100 ms taken as the program takes them,
//       the digest fed as the bytes are written), then the digest completed;
//     - peer: the same libraries as a user's tools would run them: libcurl's
//       default download into a new file (what "curl -o" does), then
//       OpenSSL's MD5 over the file in 32 KiB reads (what "md5sum" does);
//  3. the peak memory of our download process at 16 MiB and at the image size;
//  4. installing the image onto a drive that writes through (every write
//     reaches the medium before it returns, as Windows mounts removable
//     drives for quick removal): installImage beside "dd bs=1M oflag=dsync"
//     of the same file onto the same slot.
// Every download runs in a child process of this program, so each figure is
// that of one download alone, from a fresh process; the server stays in the
// parent. Each child checks its digest against the served content.
//
// Usage: ondavox_update_bench [image MiB, default 256]
//        ondavox_update_bench --ours|--peer <bytes> <seed>   (one child run)

#include "device/config_reader.h"
#include "device/discovery.h"
#include "device/status_file.h"
#include "platform/files.h"
#include "platform/threads.h"
#include "update/http_client.h"
#include "update/image_update.h"
#include "update/md5.h"

#include "tests/support/http_test_pattern.h"
#include "tests/support/http_test_server.h"

#include <curl/curl.h>
#include <fcntl.h>
#include <openssl/evp.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

// The benchmark links with --wrap for the platform's openExistingForWriting:
// files under the write-through drive's folder open with O_DSYNC, as a drive
// without a write cache behaves; everything else opens as in the product.
std::string writeThroughFolder;

platform::File realOpenExistingForWriting(const char*) asm("__real__ZN8platform22openExistingForWritingEPKc");
platform::File wrapOpenExistingForWriting(const char*) asm("__wrap__ZN8platform22openExistingForWritingEPKc");

platform::File wrapOpenExistingForWriting(const char* path) {
    if (writeThroughFolder.empty() || std::string(path).rfind(writeThroughFolder, 0) != 0) {
        return realOpenExistingForWriting(path);
    }
    std::string native(path);
    std::replace(native.begin(), native.end(), '\\', '/');
    return platform::File(::open(native.c_str(), O_WRONLY | O_DSYNC | O_CLOEXEC));
}

namespace {

using Clock = std::chrono::steady_clock;

constexpr std::size_t MIB = 1024 * 1024;
constexpr std::size_t DIGEST_BUFFER = 64 * MIB;
constexpr int DIGEST_ROUNDS = 5;
constexpr int DOWNLOAD_ROUNDS = 5;
constexpr char16_t FOLDER[] = u"/firmware/latest/";
constexpr char IMAGE_PATH[] = "/firmware/latest/Ondavox_update.bvn";
// md5sum's read size.
constexpr std::size_t PEER_READ_SIZE = 32 * 1024;

double secondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

double mibPerSecond(std::size_t bytes, double seconds) { return static_cast<double>(bytes) / MIB / seconds; }

template <typename Run>
double bestThroughput(std::size_t bytes, int rounds, Run run) {
    double best = 0;
    for (int round = 0; round < rounds; ++round) {
        const auto start = Clock::now();
        run();
        best = std::max(best, mibPerSecond(bytes, secondsSince(start)));
    }
    return best;
}

bool isServedImage(std::size_t bytes, std::uint64_t seed, const unsigned char* digest) {
    std::vector<unsigned char> block(MIB);
    EVP_MD_CTX* reference = EVP_MD_CTX_new();
    EVP_DigestInit_ex(reference, EVP_md5(), nullptr);
    for (std::size_t offset = 0; offset < bytes; offset += block.size()) {
        const std::size_t n = std::min(block.size(), bytes - offset);
        testsupport::fillPattern(seed, offset, block.data(), n);
        EVP_DigestUpdate(reference, block.data(), n);
    }
    unsigned char expected[16];
    EVP_DigestFinal_ex(reference, expected, nullptr);
    EVP_MD_CTX_free(reference);
    return std::memcmp(expected, digest, 16) == 0;
}

// One child run's line: correct, seconds, peak memory in KiB.
int report(bool correct, double seconds) {
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    std::printf("%d %.6f %ld\n", correct ? 1 : 0, seconds, usage.ru_maxrss);
    return correct ? 0 : 1;
}

// What the program's progress bar costs the download, without a dialog: a
// report after every write, of which one per 100 ms is taken (the program
// then shows it on the dialog's thread).
struct ProgressLikeTheProgram {
    std::uint64_t lastTaken = platform::monotonicMilliseconds();
    std::uint64_t taken = 0;
    static void report(void* context, std::uint64_t, std::uint64_t) {
        auto& progress = *static_cast<ProgressLikeTheProgram*>(context);
        const std::uint64_t now = platform::monotonicMilliseconds();
        if (now - progress.lastTaken >= 100) {
            progress.lastTaken = now;
            ++progress.taken;
        }
    }
};

int childOurs(std::size_t bytes, std::uint64_t seed) {
    const auto start = Clock::now();
    ProgressLikeTheProgram progress;
    const std::int32_t downloaded =
        update::downloadImage(FOLDER, update::ProgressSink{&ProgressLikeTheProgram::report, &progress});
    update::Md5Digest digest{};
    update::md5Final(digest);
    const double seconds = secondsSince(start);
    ::unlink(update::tempImagePath);
    return report(downloaded == 1 && isServedImage(bytes, seed, digest.data()), seconds);
}

int childPeer(std::size_t bytes, std::uint64_t seed) {
    char path[64];
    std::snprintf(path, sizeof path, "/tmp/ondavox-bench-peer-%d", static_cast<int>(::getpid()));
    std::string url = "http://";
    for (const char16_t* c = update::UPDATE_SERVER_HOST; *c != u'\0'; ++c) {
        url += static_cast<char>(*c);
    }
    url += IMAGE_PATH;

    const auto start = Clock::now();
    // The download: libcurl's defaults, its own write function into a new file.
    std::FILE* out = std::fopen(path, "wb");
    if (out == nullptr) {
        return report(false, 0);
    }
    CURL* easy = curl_easy_init();
    curl_easy_setopt(easy, CURLOPT_URL, url.c_str());
    curl_easy_setopt(easy, CURLOPT_WRITEDATA, out);
    const bool fetched = curl_easy_perform(easy) == CURLE_OK;
    curl_easy_cleanup(easy);
    const bool closed = std::fclose(out) == 0;

    // The digest over the file.
    unsigned char digest[16] = {};
    std::FILE* in = std::fopen(path, "rb");
    if (in != nullptr) {
        std::vector<unsigned char> block(PEER_READ_SIZE);
        EVP_MD_CTX* context = EVP_MD_CTX_new();
        EVP_DigestInit_ex(context, EVP_md5(), nullptr);
        for (std::size_t n; (n = std::fread(block.data(), 1, block.size(), in)) > 0;) {
            EVP_DigestUpdate(context, block.data(), n);
        }
        EVP_DigestFinal_ex(context, digest, nullptr);
        EVP_MD_CTX_free(context);
        std::fclose(in);
    }
    const double seconds = secondsSince(start);
    ::unlink(path);
    return report(fetched && closed && isServedImage(bytes, seed, digest), seconds);
}

struct DownloadFigures {
    bool correct = false;
    double seconds = 0;
    long peakKiB = 0;
};

DownloadFigures runChild(const std::string& self, const char* mode, std::size_t bytes, std::uint64_t seed) {
    const std::string command =
        "'" + self + "' " + mode + " " + std::to_string(bytes) + " " + std::to_string(seed);
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

void serveImage(testsupport::HttpTestServer& server, std::size_t bytes, std::uint64_t seed) {
    testsupport::HttpTestReply reply;
    reply.patternLength = bytes;
    reply.patternSeed = seed;
    server.script(IMAGE_PATH, reply);
}

// Keeps the faster of two runs; a wrong run spoils the figure for good.
void keepBest(DownloadFigures& best, const DownloadFigures& run, bool first) {
    if (first || !run.correct || (best.correct && run.seconds < best.seconds)) {
        best = run;
    }
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 4 && (std::strcmp(argv[1], "--ours") == 0 || std::strcmp(argv[1], "--peer") == 0)) {
        const std::size_t bytes = std::strtoull(argv[2], nullptr, 10);
        const std::uint64_t seed = std::strtoull(argv[3], nullptr, 10);
        return std::strcmp(argv[1], "--ours") == 0 ? childOurs(bytes, seed) : childPeer(bytes, seed);
    }
    const std::size_t imageBytes = (argc == 2 ? std::strtoull(argv[1], nullptr, 10) : 256) * MIB;
    constexpr std::uint64_t IMAGE_SEED = 12;

    // 1. Digest throughput on one buffer.
    {
        std::vector<unsigned char> data(DIGEST_BUFFER);
        testsupport::fillPattern(7, 0, data.data(), data.size());
        update::Md5Digest ours{};
        unsigned char theirs[16];
        const double ourSpeed = bestThroughput(data.size(), DIGEST_ROUNDS, [&] {
            update::md5Reset();
            update::md5Update(data.size(), data.data());
            update::md5Final(ours);
        });
        const double opensslSpeed = bestThroughput(data.size(), DIGEST_ROUNDS, [&] {
            EVP_Digest(data.data(), data.size(), theirs, nullptr, EVP_md5(), nullptr);
        });
        if (std::memcmp(ours.data(), theirs, 16) != 0) {
            std::printf("digest mismatch against OpenSSL\n");
            return 1;
        }
        std::printf("MD5, %zu MiB buffer, best of %d:\n", DIGEST_BUFFER / MIB, DIGEST_ROUNDS);
        std::printf("  engine md5Update                  %8.1f MiB/s\n", ourSpeed);
        std::printf("  OpenSSL EVP md5                   %8.1f MiB/s\n", opensslSpeed);
        std::printf("  ratio engine / OpenSSL            %8.3f\n", ourSpeed / opensslSpeed);
    }

    // The downloads, from the local server through the proxy variables.
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

    // 2. MD5 only over the image in memory, fed in the blocks a download
    // feeds, and the two downloads of the same image, taking turns so that
    // all three meet the same moments of a shared machine.
    std::vector<unsigned char> image(imageBytes);
    testsupport::fillPattern(IMAGE_SEED, 0, image.data(), image.size());
    serveImage(server, imageBytes, IMAGE_SEED);
    double md5OnlySpeed = 0;
    DownloadFigures ours;
    DownloadFigures peer;
    for (int round = 0; round < DOWNLOAD_ROUNDS; ++round) {
        update::Md5Digest digest{};
        md5OnlySpeed = std::max(md5OnlySpeed, bestThroughput(image.size(), 1, [&] {
            update::md5Reset();
            for (std::size_t offset = 0; offset < image.size(); offset += update::FILE_GATHER_SIZE) {
                const std::size_t n = std::min<std::size_t>(update::FILE_GATHER_SIZE, image.size() - offset);
                update::md5Update(n, image.data() + offset);
            }
            update::md5Final(digest);
        }));
        if (!isServedImage(imageBytes, IMAGE_SEED, digest.data())) {
            std::printf("digest mismatch on the image\n");
            return 1;
        }
        keepBest(ours, runChild(self, "--ours", imageBytes, IMAGE_SEED), round == 0);
        keepBest(peer, runChild(self, "--peer", imageBytes, IMAGE_SEED), round == 0);
    }
    image.clear();
    image.shrink_to_fit();
    constexpr std::size_t SMALL_IMAGE = 16 * MIB;
    serveImage(server, SMALL_IMAGE, IMAGE_SEED + 1);
    const DownloadFigures small = runChild(self, "--ours", SMALL_IMAGE, IMAGE_SEED + 1);
    if (!ours.correct || !peer.correct || !small.correct) {
        std::printf("a download did not deliver the served image\n");
        return 1;
    }

    const double ourSpeed = mibPerSecond(imageBytes, ours.seconds);
    const double peerSpeed = mibPerSecond(imageBytes, peer.seconds);
    std::printf("Image of %zu MiB from the loopback server, best of %d rounds:\n", imageBytes / MIB,
                DOWNLOAD_ROUNDS);
    std::printf("                                          MiB/s   / MD5 only\n");
    std::printf("  MD5 only (engine, image in memory)   %8.1f   %8.3f\n", md5OnlySpeed, 1.0);
    std::printf("  ours: downloadImage + digest         %8.1f   %8.3f\n", ourSpeed, ourSpeed / md5OnlySpeed);
    std::printf("  peer: libcurl to file, OpenSSL MD5   %8.1f   %8.3f\n", peerSpeed, peerSpeed / md5OnlySpeed);
    std::printf("  ratio ours / peer                    %8.3f\n", ourSpeed / peerSpeed);
    std::printf("Peak memory of our download process (max RSS):\n");
    std::printf("  16 MiB image                         %8ld KiB\n", small.peakKiB);
    std::printf("  %3zu MiB image                        %8ld KiB\n", imageBytes / MIB, ours.peakKiB);
    std::printf("  ratio %zu MiB / 16 MiB               %8.3f\n", imageBytes / MIB,
                static_cast<double>(ours.peakKiB) / static_cast<double>(small.peakKiB));

    // 4. Installing onto a write-through drive.
    {
        namespace fs = std::filesystem;
        const std::size_t installBytes = std::min<std::size_t>(imageBytes, 64 * MIB);
        const fs::path work = fs::temp_directory_path() / ("ondavox-install-bench-" + std::to_string(::getpid()));
        fs::create_directories(work / "drive" / "doc");
        const fs::path imageFile = work / "image.bvn";
        {
            std::vector<unsigned char> bytes(installBytes);
            testsupport::fillPattern(IMAGE_SEED, 0, bytes.data(), bytes.size());
            std::ofstream(imageFile, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                                          static_cast<std::streamsize>(bytes.size()));
        }
        const fs::path slot = work / "drive" / "doc" / "update.bin";
        std::ofstream(slot, std::ios::binary).put('\0');
        std::ofstream(work / "drive" / "doc" / "update.md5", std::ios::binary) << "old record";
        writeThroughFolder = (work / "drive").string() + "/";
        std::snprintf(device::deviceRoot, sizeof device::deviceRoot, "%s", writeThroughFolder.c_str());
        device::deviceFilesRead = true;
        device::updateSupported = 1;
        std::snprintf(update::tempImagePath, sizeof update::tempImagePath, "%s", imageFile.c_str());
        std::snprintf(update::md5Text, sizeof update::md5Text, "0123456789abcdef0123456789abcdef\n");
        update::md5TextLength = 33;

        bool installed = true;
        const double installSpeed =
            bestThroughput(installBytes, 3, [&] { installed = installed && update::installImage() == 1; });
        const std::string dd = "dd if='" + imageFile.string() + "' of='" + slot.string() +
                               "' bs=1M oflag=dsync conv=notrunc status=none";
        bool copied = true;
        const double ddSpeed = bestThroughput(installBytes, 3, [&] { copied = copied && std::system(dd.c_str()) == 0; });
        fs::remove_all(work);
        if (!installed || !copied) {
            std::printf("the install onto the write-through drive failed\n");
            return 1;
        }
        std::printf("Install of a %zu MiB image onto a write-through drive, best of 3:\n", installBytes / MIB);
        std::printf("  ours: installImage (%u KiB blocks)   %8.1f MiB/s\n", update::IMAGE_COPY_BLOCK / 1024, installSpeed);
        std::printf("  peer: dd bs=1M oflag=dsync           %8.1f MiB/s\n", ddSpeed);
        std::printf("  ratio ours / peer                    %8.3f\n", installSpeed / ddSpeed);
    }
    return 0;
}
