#include "vis/write_view_page.hpp"

#include <exception>
#include <string>

#include "io/format.hpp"
#include "io/replace_file.hpp"
#include "io/stop.hpp"
#include "vis/view_page.hpp"

namespace quorl {

bool writeViewPage(State& s, const std::vector<ViewPoint>& points, int IP) {
    std::string why;
    try {
        io::replaceFile(VIEWPAGEFILENAME, viewPage(points), 1);
        if (IP > 5) {
            s.units.put(IP, io::formatFreeOf("Draw3dJTL- wrote:", VIEWPAGEFILENAME));
        }
        return true;
    } catch (const io::Stop& stop) {
        why = stop.message();
    } catch (const std::exception& e) {  // no memory for the page's text
        why = std::string("cannot build ") + VIEWPAGEFILENAME + ": " + e.what();
    }
    s.units.endLine(io::kConsoleOut);
    write(s, io::kConsoleOut, "('Draw3dJTL- view page skipped (the drawing files are complete): ',a)", why);
    return false;
}

}  // namespace quorl
