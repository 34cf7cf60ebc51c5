#pragma once
// Files group of the platform layer: the only way the core touches files.
// Every handle is owned by a File, so it is closed on every path.

#include <cstdint>

namespace platform {

class File;

// Closes the file now and marks it closed. False when the system reports that
// the close failed: the handle is released either way, but data written
// through it may not have reached the medium. True when nothing was open.
bool closeFile(File& file);

// Owns one open file of the host system; closes it when it goes out of scope.
// A caller that must know whether the close succeeded calls closeFile itself.
class File {
public:
    static constexpr std::intptr_t INVALID = -1;

    File() = default;
    explicit File(std::intptr_t native) : native_(native) {}
    File(File&& other) noexcept : native_(other.release()) {}
    File& operator=(File&& other) noexcept {
        if (this != &other) {
            closeFile(*this);
            native_ = other.release();
        }
        return *this;
    }
    File(const File&) = delete;
    File& operator=(const File&) = delete;
    ~File() { closeFile(*this); }

    bool isOpen() const { return native_ != INVALID; }
    std::intptr_t native() const { return native_; }

private:
    friend bool closeFile(File& file);

    std::intptr_t release() {
        std::intptr_t n = native_;
        native_ = INVALID;
        return n;
    }
    std::intptr_t native_ = INVALID;
};

// Device files: existing file, no sharing, every read fetched from the medium
// rather than a cache. Buffers handed to readFile on such a file must be
// aligned to DEVICE_BUFFER_ALIGNMENT.
File openDeviceFileForReading(const char* path);

// Local files (the downloaded image): existing file, no sharing, read normally.
File openExistingForReading(const char* path);

// Existing file for writing in place from its first byte; never creates and
// never truncates; no sharing.
File openExistingForWriting(const char* path);

// Creates the file, or empties an existing one, for writing; no sharing.
File createEmptyForWriting(const char* path);

// Reads up to capacity bytes; bytesRead is 0 at the end of the file. A read
// may deliver fewer bytes than asked before the end; false is an error, never
// the end of the file.
bool readFile(File& file, void* buffer, std::uint32_t capacity, std::uint32_t& bytesRead);

// Writes length bytes at the current position; bytesWritten says how many went out.
bool writeFile(File& file, const void* data, std::uint32_t length, std::uint32_t& bytesWritten);

// Makes everything written through the file so far reach the medium
// (FlushFileBuffers, fsync); false when the system cannot confirm that.
bool flushFile(File& file);

// Sets the file's length, cutting or extending it; the position afterwards is
// unspecified, so this is the last step before flushing.
bool setFileLength(File& file, std::uint64_t length);

// Unbuffered reads on real Windows need sector-aligned buffers; 4096 covers
// every sector size in use.
constexpr std::uint32_t DEVICE_BUFFER_ALIGNMENT = 4096;

}  // namespace platform
