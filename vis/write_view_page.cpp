#include "vis/write_view_page.hpp"

#include <exception>
#include <string>

#include "io/format.hpp"
#include "io/replace_file.hpp"
#include "io/stop.hpp"
#include "vis/view_page.hpp"

namespace quorl {

bool writeViewPage(State& s, std::span<const TLREC> points) {
    std::string why;
    try {
        io::replaceFile(VIEWPAGEFILENAME, viewPage(viewGeometry(points)), 1);
        return true;
    } catch (const io::Stop& stop) {
        why = stop.message();
        if (why.starts_with("Quorl: ")) {
            why.erase(0, 7);
        }
    } catch (const std::exception& e) {  // no memory for the page's text
        why = std::string("cannot build ") + VIEWPAGEFILENAME + ": " + e.what();
    }
    s.units.endLine(io::kConsoleOut);
    write(s, io::kConsoleOut, "('Draw3dJTL- view page skipped (the drawing files are complete): ',a)", why);
    return false;
}

}  // namespace quorl
