#include "program/cli/report.h"

#include "text/display_text.h"

namespace cli {

void writePlainText(std::FILE* out, const char* bytes) {
    for (const auto* next = reinterpret_cast<const unsigned char*>(bytes); *next != 0; ++next) {
        if (*next < 0x20 || *next == 0x7F) {
            std::fprintf(out, "\\x%02X", *next);
        } else {
            std::fputc(*next, out);
        }
    }
}

void writeJsonString(std::FILE* out, const char* bytes) {
    std::fputc('"', out);
    const auto* next = reinterpret_cast<const unsigned char*>(bytes);
    while (*next != 0) {
        char32_t codePoint = *next;
        int length = 1;
        if (*next >= 0x80) {
            const int sequence = text::display_text_detail::utf8Sequence(next, codePoint);
            if (sequence == 0) {
                codePoint = *next;
            } else {
                length = sequence;
            }
        }
        if (codePoint == '"' || codePoint == '\\') {
            std::fputc('\\', out);
            std::fputc(static_cast<int>(codePoint), out);
        } else if (codePoint < 0x20 || codePoint == 0x7F) {
            std::fprintf(out, "\\u%04X", static_cast<unsigned>(codePoint));
        } else if (length > 1) {
            std::fwrite(next, 1, static_cast<std::size_t>(length), out);
        } else if (codePoint >= 0x80) {
            std::fputc(static_cast<int>(0xC0 | (codePoint >> 6)), out);
            std::fputc(static_cast<int>(0x80 | (codePoint & 0x3F)), out);
        } else {
            std::fputc(static_cast<int>(codePoint), out);
        }
        next += length;
    }
    std::fputc('"', out);
}

void Report::separator() {
    if (json_ && !first_) {
        std::fputc(',', out_);
    }
    first_ = false;
}

void Report::key(const char* name) {
    separator();
    if (json_) {
        std::fprintf(out_, "\"%s\":", name);
    } else {
        std::fprintf(out_, "%s: ", name);
    }
}

void Report::beginObject() {
    if (json_) {
        separator();
        std::fputc('{', out_);
        first_ = true;
    } else if (inArray_ && afterObject_) {
        std::fputc('\n', out_);
    }
}

void Report::endObject() {
    if (json_) {
        std::fputc('}', out_);
        first_ = false;
    }
    afterObject_ = true;
}

void Report::beginArray() {
    inArray_ = true;
    if (json_) {
        separator();
        std::fputc('[', out_);
        first_ = true;
    }
}

void Report::endArray() {
    inArray_ = false;
    if (json_) {
        std::fputc(']', out_);
        first_ = false;
    }
}

void Report::text(const char* name, const char* value) {
    key(name);
    if (json_) {
        writeJsonString(out_, value);
    } else {
        writePlainText(out_, value);
        std::fputc('\n', out_);
    }
}

void Report::secret(const char* name, const char* value, bool show) {
    text(name, show || value[0] == '\0' ? value : MASKED_SECRET);
}

void Report::flag(const char* name, bool value) {
    key(name);
    std::fputs(json_ ? (value ? "true" : "false") : (value ? "yes\n" : "no\n"), out_);
}

void Report::number(const char* name, long value) {
    key(name);
    std::fprintf(out_, json_ ? "%ld" : "%ld\n", value);
}

void Report::item(const char* value) {
    if (json_) {
        separator();
        writeJsonString(out_, value);
    } else {
        writePlainText(out_, value);
        std::fputc('\n', out_);
    }
}

void Report::finish() {
    if (json_) {
        std::fputc('\n', out_);
    }
    std::fflush(out_);
}

}  // namespace cli
