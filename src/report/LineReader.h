#pragma once
// Lines of a file that may be hostile: read in blocks, never more than
// `limit` bytes of one line held, so a 2 GB line costs a scan and no memory.

#include <cstdint>
#include <istream>
#include <string>
#include <string_view>
#include <vector>

namespace dormix::report {

class LineReader {
  public:
    LineReader(std::istream& in, std::size_t limit);

    // The next line without its LF (and CR); false at the end. A line longer
    // than the limit comes back empty with `tooLong` set.
    bool Next(std::string_view& line, bool& tooLong);
    std::uint64_t LineNumber() const { return lineNumber_; }
    std::uint64_t BytesRead() const { return bytes_; }
    // The file's last line had no LF: it was cut off.
    bool EndedInsideLine() const { return endedInside_; }

  private:
    bool Fill();

    std::istream& in_;
    std::size_t limit_;
    std::vector<char> block_;
    std::size_t begin_ = 0, end_ = 0;
    std::string carry_;
    std::uint64_t lineNumber_ = 0, bytes_ = 0;
    bool endedInside_ = false, eof_ = false;
};

}  // namespace dormix::report
