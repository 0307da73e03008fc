// line_splitter.h - cuts standard input into lines, whatever sizes its reads come in; shared by both systems' event sources.
#pragma once

#include <cstddef>
#include <deque>
#include <string>

namespace kvnlink {

class LineSplitter {
public:
    // Takes `count` more bytes; each line they complete goes to `lines`,
    // without its "\n" or "\r\n".
    void feed(const char *bytes, size_t count, std::deque<std::string> &lines);
    // The input has ended: what follows the last line ending is a line too.
    void finish(std::deque<std::string> &lines);

private:
    std::string partial_; // the bytes after the last line ending
};

} // namespace kvnlink
