#include "formats/geometry/GeometryText.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <thread>

#include <sys/socket.h>
#include <unistd.h>

namespace {

// Text of the given length that shows where every byte came from.
std::string Numbered(std::size_t length) {
    std::string text;
    for (int i = 0; text.size() < length; ++i) text += std::to_string(i) + (i % 10 == 9 ? "\n" : " ");
    text.resize(length);
    return text;
}

}  // namespace

TEST(GeometryText, BlanksAndWords) {
    for (const char blank : {' ', '\t', '\n', '\v', '\f', '\r'}) EXPECT_TRUE(IsBlank(blank)) << int(blank);
    for (const char other : {'\0', '\b', '\x0e', '!', 'a', '\x85', '\xa0', '\x89'}) EXPECT_FALSE(IsBlank(other)) << int(other);
    std::string_view rest = " \tv 1.5\v-2\r\n";
    EXPECT_EQ(NextWord(rest), "v");
    EXPECT_EQ(NextWord(rest), "1.5");
    EXPECT_EQ(NextWord(rest), "-2");
    EXPECT_EQ(NextWord(rest), "");
    EXPECT_TRUE(rest.empty());
}

// A file read from where its stream stands, in one piece however long; a stream whose length
// cannot be told is read to its end all the same.
TEST(GeometryText, ReadRestOfStreamReadsToTheEnd) {
    const std::string text = Numbered(300000);
    std::FILE* file = std::tmpfile();
    ASSERT_NE(file, nullptr);
    ASSERT_EQ(std::fwrite(text.data(), 1, text.size(), file), text.size());
    for (const long start : {0L, 1000L, 299999L, 300000L}) {
        ASSERT_EQ(std::fseek(file, start, SEEK_SET), 0);
        std::string bytes = "stale";
        EXPECT_TRUE(ReadRestOfStream(file, bytes));
        EXPECT_EQ(bytes, text.substr(static_cast<std::size_t>(start))) << start;
    }
    std::fclose(file);

    // A socket stands for any stream of unknown length; the writer never blocks the test.
    int ends[2];
    ASSERT_EQ(socketpair(AF_UNIX, SOCK_STREAM, 0, ends), 0);
    std::thread writer([&] {
        std::size_t written = 0;
        while (written < text.size()) {
            const ssize_t put = send(ends[1], text.data() + written, text.size() - written, MSG_NOSIGNAL);
            if (put <= 0) break;
            written += static_cast<std::size_t>(put);
        }
        close(ends[1]);
    });
    std::FILE* piped = fdopen(ends[0], "r");
    ASSERT_NE(piped, nullptr);
    std::string bytes;
    EXPECT_TRUE(ReadRestOfStream(piped, bytes));
    std::fclose(piped);
    writer.join();
    EXPECT_EQ(bytes, text);

    std::string none = "stale";
    EXPECT_FALSE(ReadRestOfStream(nullptr, none));
    EXPECT_TRUE(none.empty());
}
