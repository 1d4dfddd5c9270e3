#include "report/LineReader.h"

#include <cstring>

namespace dormix::report {

namespace {
constexpr std::size_t BlockSize = 1 << 18;
}

LineReader::LineReader(std::istream& in, std::size_t limit)
    : in_(in), limit_(limit), block_(BlockSize) {}

bool LineReader::Fill() {
    if (eof_) return false;
    in_.read(block_.data(), std::streamsize(block_.size()));
    end_ = std::size_t(in_.gcount());
    begin_ = 0;
    bytes_ += end_;
    if (end_ == 0) eof_ = true;
    return end_ != 0;
}

bool LineReader::Next(std::string_view& line, bool& tooLong) {
    carry_.clear();
    tooLong = false;
    for (;;) {
        if (begin_ == end_ && !Fill()) {
            if (carry_.empty() && !tooLong) return false;
            // The last line, without its LF.
            endedInside_ = true;
            break;
        }
        const char* start = block_.data() + begin_;
        const auto* lf = static_cast<const char*>(std::memchr(start, '\n', end_ - begin_));
        const std::size_t take = lf ? std::size_t(lf - start) : end_ - begin_;
        if (!tooLong && carry_.empty() && lf && take <= limit_) {
            // The usual case: the whole line inside the block, no copy.
            line = std::string_view(start, take);
            begin_ += take + 1;
            ++lineNumber_;
            if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
            return true;
        }
        if (!tooLong) {
            if (carry_.size() + take > limit_) {
                tooLong = true;
                carry_.clear();
            } else {
                carry_.append(start, take);
            }
        }
        begin_ += take;
        if (lf) {
            ++begin_;
            break;
        }
    }
    ++lineNumber_;
    line = carry_;
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    return true;
}

}  // namespace dormix::report
