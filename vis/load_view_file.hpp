// The viewer's reading of a file: the whole text of a regular file, checked
// as it is read (vis/view_drawing.hpp says what is refused).
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace quorl {

// Checks text as it arrives, a piece at a time: no line longer than
// kViewLineLimit, no byte that no text holds. Counts lines and columns so
// that a fault is named where it stands ("NAME:LINE:COLUMN: ..."); a fault
// stops (io::Stop, status 1).
class ViewTextCheck {
public:
    explicit ViewTextCheck(const std::string& name) : name_(name) {}
    void feed(std::string_view piece);

private:
    std::string where() const;

    const std::string& name_;
    std::size_t line_ = 1;
    std::size_t column_ = 0;
};

// The text of the file at `path`: a FIFO, a device or a directory is
// refused before anything is read from it; a line too long or a binary
// byte stops the reading where it stands.
std::string loadViewFile(const std::string& path);

}  // namespace quorl
