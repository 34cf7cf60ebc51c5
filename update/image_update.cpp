// Download, verification and installation of the update image. The image
// streams through fixed buffers and is never held whole in memory.

#include "update/image_update.h"

#include "device/device_file_rewrite.h"
#include "device/config_reader.h"
#include "device/device_files.h"
#include "device/device_write_guard.h"
#include "device/status_file.h"
#include "platform/files.h"
#include "platform/support_log.h"
#include "platform/temp_files.h"
#include "update/http_client.h"
#include "update/md5.h"

#include <cinttypes>
#include <cstdio>
#include <cstring>
#include <string_view>

namespace update {

char tempImagePath[LOCAL_PATH_CAPACITY];
char md5Text[MD5_TEXT_CAPACITY];
std::uint32_t md5TextLength;
std::uint64_t tempImageLength;

namespace {

constexpr std::size_t MD5_HEX_DIGITS = 2 * MD5_DIGEST_SIZE;
constexpr std::size_t CHECKSUM_RECORD_CAPACITY = 1024;
static_assert(MD5_TEXT_CAPACITY + 1 + 20 < CHECKSUM_RECORD_CAPACITY, "the record always fits whole");

int hexValue(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

bool isHexPair(std::string_view text, std::size_t at) {
    return at + 1 < text.size() && hexValue(text[at]) >= 0 && hexValue(text[at + 1]) >= 0;
}

// The checksum text as received: the received bytes, up to a NUL among them.
std::string_view receivedChecksumText() {
    const std::string_view text(md5Text, md5TextLength);
    return text.substr(0, text.find('\0'));
}

void formatDigest(const Md5Digest& digest, char (&text)[MD5_HEX_DIGITS + 1]) {
    static const char HEX[] = "0123456789abcdef";
    for (std::size_t k = 0; k < MD5_DIGEST_SIZE; ++k) {
        text[2 * k] = HEX[digest[k] >> 4];
        text[2 * k + 1] = HEX[digest[k] & 15];
    }
    text[MD5_HEX_DIGITS] = '\0';
}

}  // namespace

void resetImageUpdate() {
    tempImagePath[0] = '\0';
    std::memset(md5Text, 0, sizeof md5Text);
    md5TextLength = 0;
    tempImageLength = 0;
    md5Reset();
}

std::int32_t downloadImage(const char16_t* folder, const ProgressSink& progress) {
    md5Reset();
    tempImageLength = 0;

    char tempFolder[platform::TEMP_PATH_CAPACITY];
    const std::uint32_t folderLength = platform::getTempFolder(tempFolder, platform::TEMP_PATH_CAPACITY);
    if (folderLength == 0 || folderLength >= platform::TEMP_PATH_CAPACITY) {
        return 0;
    }
    char tempName[platform::TEMP_PATH_CAPACITY];
    if (platform::createTempFile(tempFolder, TEMP_FILE_PREFIX, tempName) == 0) {
        return 0;
    }
    std::snprintf(tempImagePath, sizeof tempImagePath, "%s", tempName);

    // The written length is kept for the install's progress, and passed on.
    struct Recorder {
        const ProgressSink& caller;
        static void report(void* context, std::uint64_t done, std::uint64_t total) {
            tempImageLength = done;
            static_cast<const Recorder*>(context)->caller(done, total);
        }
    } recorder{progress};
    const ProgressSink recording{&Recorder::report, &recorder};
    const std::int32_t received = httpGet(folder, IMAGE_FILE, 0, tempImagePath, true, recording);
    platform::supportLog("download: %s, %ld bytes into the temporary folder", received > 0 ? "done" : "failed",
                         static_cast<long>(received > 0 ? received : 0));
    return received > 0 ? 1 : 0;
}

std::int32_t verifyImage(const char16_t* folder) {
    Md5Digest imageDigest{};
    md5Final(imageDigest);

    // Nothing of an earlier, longer checksum text may count as part of this one.
    std::memset(md5Text, 0, sizeof md5Text);
    const std::int32_t received = httpGet(folder, CHECKSUM_FILE, MD5_TEXT_CAPACITY, md5Text, false);
    md5TextLength = received > 0 ? static_cast<std::uint32_t>(received) : 0;
    if (received <= 0) {
        platform::supportLog("verification: failed, no checksum from the server");
        return 0;
    }
    const bool matches = checksumTextMatches(imageDigest, md5Text, md5TextLength);
    char digestText[MD5_HEX_DIGITS + 1];
    formatDigest(imageDigest, digestText);
    const std::string_view checksum = receivedChecksumText();
    platform::supportLog("verification: %s, the image's MD5 %s, the server's checksum \"%.*s\"",
                         matches ? "done" : "failed", digestText, static_cast<int>(checksum.size() > 64 ? 64 : checksum.size()),
                         checksum.data());
    return matches ? 1 : 0;
}

bool checksumTextMatches(const Md5Digest& digest, const char* received, std::uint32_t length) {
    std::string_view text(received, length);
    text = text.substr(0, text.find('\0'));
    if (text.empty()) {
        return false;
    }
    for (std::size_t k = 0; k < MD5_DIGEST_SIZE; ++k) {
        if (!isHexPair(text, 2 * k)) {
            return false;
        }
        const int value = hexValue(text[2 * k]) * 16 + hexValue(text[2 * k + 1]);
        if (value != digest[k]) {
            return false;
        }
    }
    // A 33rd and 34th hex digit mean a longer hex number than a digest, not
    // this image's digest.
    return !isHexPair(text, MD5_HEX_DIGITS);
}

namespace {

std::int32_t copyImageToDevice(const ProgressSink& progress, std::uint64_t& copied);

}  // namespace

std::int32_t installImage(const ProgressSink& progress) {
    std::uint64_t copied = 0;
    const std::int32_t installed = copyImageToDevice(progress, copied);
    platform::supportLog("install: %s, %llu bytes of the image written to the radio", installed != 0 ? "done" : "failed",
                         static_cast<unsigned long long>(copied));
    return installed;
}

namespace {

// The image onto the device's slot, then its checksum record; copied tells
// how many image bytes reached the slot.
std::int32_t copyImageToDevice(const ProgressSink& progress, std::uint64_t& copied) {
    // Only onto a radio found and read in this run, with an update slot:
    // before that deviceRoot may be empty or change under the copy.
    if (!device::deviceFilesRead.load(std::memory_order_acquire) || device::updateSupported == 0) {
        return 0;
    }
    // Image and checksum record are one write to the device: the program's
    // end waits for both, so the radio never keeps a half-written pair.
    const device::DeviceWriteSection section;
    if (!section.admitted()) {
        return 0;
    }
    {
        char slotPath[device::DEVICE_PATH_CAPACITY];
        if (!device::formatDevicePath(slotPath, device::UPDATE_SLOT_PATH)) {
            return 0;
        }
        platform::File slot = platform::openExistingForWriting(slotPath);
        if (!slot.isOpen()) {
            return 0;
        }
        platform::File image = platform::openExistingForReading(tempImagePath);
        if (!image.isOpen()) {
            return 0;
        }

        // One block in static storage: one install at a time, and no heap.
        alignas(4096) static std::uint8_t block[IMAGE_COPY_BLOCK];
        progress(0, tempImageLength);
        for (;;) {
            std::uint32_t bytesRead = 0;
            if (!platform::readFile(image, block, IMAGE_COPY_BLOCK, bytesRead)) {
                // A half-copied image must not be announced to the device as
                // complete: the checksum file is left as it was.
                return 0;
            }
            if (bytesRead == 0) {
                break;
            }
            std::uint32_t bytesWritten = 0;
            if (!platform::writeFile(slot, block, bytesRead, bytesWritten) || bytesWritten != bytesRead) {
                return 0;
            }
            copied += bytesRead;
            progress(copied, tempImageLength);
        }
        // The image closes first, then the device's slot; the image counts as
        // installed only once it has reached the device.
        platform::closeFile(image);
        if (!platform::flushFile(slot) || !platform::closeFile(slot)) {
            return 0;
        }
    }

    // The checksum text is bounded by what was received; it may fill all
    // 512 bytes without a terminator.
    const std::string_view checksum = receivedChecksumText();
    char record[CHECKSUM_RECORD_CAPACITY];
    const int recordLength = std::snprintf(record, sizeof record, "%.*s\n%" PRIu64,
                                           static_cast<int>(checksum.size()), checksum.data(), copied);
    if (recordLength < 0 || static_cast<std::size_t>(recordLength) >= sizeof record) {
        return 0;
    }

    char checksumPath[device::DEVICE_PATH_CAPACITY];
    if (!device::formatDevicePath(checksumPath, device::UPDATE_CHECKSUM_PATH)) {
        return 0;
    }
    // A record cut short could still look valid to the device (a digest with
    // a shorter length), so a failed write puts the old record back, length
    // and all; its old bytes are read first.
    char oldRecord[CHECKSUM_RECORD_CAPACITY];
    device::OldFileStart old;
    if (!device::readDeviceFileStart(checksumPath, oldRecord, sizeof oldRecord, old)) {
        return 0;
    }
    return device::rewriteDeviceFile(checksumPath, record, static_cast<std::uint32_t>(recordLength), old) ? 1 : 0;
}

}  // namespace

}  // namespace update
