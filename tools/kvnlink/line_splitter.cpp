// line_splitter.cpp - cuts standard input into lines.
#include "line_splitter.h"

#include <utility>

namespace kvnlink {

void LineSplitter::feed(const char *bytes, size_t count, std::deque<std::string> &lines) {
    partial_.append(bytes, count);
    size_t start = 0;
    for (size_t end; (end = partial_.find('\n', start)) != std::string::npos; start = end + 1) {
        std::string line = partial_.substr(start, end - start);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(std::move(line));
    }
    partial_.erase(0, start);
}

void LineSplitter::finish(std::deque<std::string> &lines) {
    if (!partial_.empty()) lines.push_back(std::move(partial_));
    partial_.clear();
}

} // namespace kvnlink
