#include "base/Console.h"

#include <termios.h>
#include <unistd.h>

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <streambuf>

namespace tandril::base {
namespace {

// A wide stream buffer that encodes each character as UTF-8 into a narrow one.
class Utf8WideBuffer : public std::wstreambuf {
  public:
    explicit Utf8WideBuffer(std::streambuf* target) : m_target(target) {}

  protected:
    int_type overflow(int_type ch) override {
        if (traits_type::eq_int_type(ch, traits_type::eof())) {
            return traits_type::not_eof(ch);
        }
        char bytes[4];
        const int count = encode(static_cast<char32_t>(traits_type::to_char_type(ch)), bytes);
        return m_target->sputn(bytes, count) == count ? ch : traits_type::eof();
    }
    int sync() override { return m_target->pubsync(); }

  private:
    static int encode(char32_t c, char* out) {
        if (c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) {
            c = 0xFFFD;
        }
        if (c < 0x80) {
            out[0] = static_cast<char>(c);
            return 1;
        }
        if (c < 0x800) {
            out[0] = static_cast<char>(0xC0 | (c >> 6));
            out[1] = static_cast<char>(0x80 | (c & 0x3F));
            return 2;
        }
        if (c < 0x10000) {
            out[0] = static_cast<char>(0xE0 | (c >> 12));
            out[1] = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out[2] = static_cast<char>(0x80 | (c & 0x3F));
            return 3;
        }
        out[0] = static_cast<char>(0xF0 | (c >> 18));
        out[1] = static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out[2] = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out[3] = static_cast<char>(0x80 | (c & 0x3F));
        return 4;
    }

    std::streambuf* m_target;
};

// Decodes UTF-8; a byte that does not start a valid sequence becomes U+FFFD.
std::wstring decodeUtf8(const std::string& text) {
    std::wstring result;
    for (std::size_t i = 0; i < text.size();) {
        const auto lead = static_cast<unsigned char>(text[i]);
        int length = lead < 0x80           ? 1
                     : (lead >> 5) == 0x6  ? 2
                     : (lead >> 4) == 0xE  ? 3
                     : (lead >> 3) == 0x1E ? 4
                                           : 0;
        char32_t c = length == 1   ? lead
                     : length == 2 ? lead & 0x1F
                     : length == 3 ? lead & 0x0F
                                   : lead & 0x07;
        bool valid = length > 0 && i + length <= text.size();
        for (int k = 1; valid && k < length; ++k) {
            const auto next = static_cast<unsigned char>(text[i + k]);
            valid = (next & 0xC0) == 0x80;
            c = (c << 6) | (next & 0x3F);
        }
        if (!valid) {
            result.push_back(L'\uFFFD');
            ++i;
            continue;
        }
        result.push_back(static_cast<wchar_t>(c));
        i += length;
    }
    return result;
}

}  // namespace

void installWideConsole() {
    // Never destroyed: the standard streams are flushed after static objects
    // are gone, and wcout would then sync a dead buffer.
    static Utf8WideBuffer* const buffer = new Utf8WideBuffer(std::cout.rdbuf());
    std::wcout.rdbuf(buffer);
}

std::wstring workingDirectory() {
    constexpr std::size_t kBufferLength = 512;  // wide characters, terminator included
    std::string path(PATH_MAX, '\0');
    if (getcwd(path.data(), path.size()) == nullptr) {
        return L"(unavailable)";
    }
    path.resize(path.find('\0'));
    std::wstring wide = decodeUtf8(path);
    if (wide.size() >= kBufferLength) {
        wide.resize(kBufferLength - 4);
        wide += L"...";
    }
    return wide;
}

void waitForKey() {
    if (!isatty(STDIN_FILENO)) {
        return;
    }
    termios saved{};
    const bool raw = tcgetattr(STDIN_FILENO, &saved) == 0;
    if (raw) {
        termios single = saved;
        single.c_lflag &= ~(ICANON | ECHO);
        single.c_cc[VMIN] = 1;
        single.c_cc[VTIME] = 0;
        tcsetattr(STDIN_FILENO, TCSANOW, &single);
    }
    char key = 0;
    [[maybe_unused]] const ssize_t got = read(STDIN_FILENO, &key, 1);
    if (raw) {
        tcsetattr(STDIN_FILENO, TCSANOW, &saved);
    }
}

void pause() {
    std::cout << "Press any key to continue . . ." << std::endl;
    waitForKey();
}

void fatalError(std::string_view message) {
    std::fwrite(message.data(), 1, message.size(), stderr);
    std::fflush(stderr);
    pause();
    std::exit(1);
}

void fatalErrorOnStdout(std::string_view message) {
    std::cout << message << std::endl;
    pause();
    std::exit(1);
}

}  // namespace tandril::base
